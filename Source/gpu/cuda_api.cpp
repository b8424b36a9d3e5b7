#include "gpu/cuda_api.h"

#include "gpu/cuda_library.h"

namespace {

template <class Fn>
bool Resolve(void* library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(CudaSymbol(library, name));
  return fn != nullptr;
}

void* Library() {
  static void* const library = OpenCudaLibrary();
  return library;
}

// Null when the library or one of the effect's entry points is missing. Functions whose
// signature changed over the driver's life are resolved by their current export names (_v2).
const CudaApi* Load() {
  static CudaApi api{};
  void* library = Library();
  if (library == nullptr) return nullptr;
  bool effect = true;
  effect &= Resolve(library, "cuModuleLoadDataEx", api.ModuleLoadDataEx);
  effect &= Resolve(library, "cuModuleUnload", api.ModuleUnload);
  effect &= Resolve(library, "cuModuleGetFunction", api.ModuleGetFunction);
  effect &= Resolve(library, "cuLaunchKernel", api.LaunchKernel);
  effect &= Resolve(library, "cuStreamSynchronize", api.StreamSynchronize);
  effect &= Resolve(library, "cuGetErrorString", api.GetErrorString);
  if (!effect) return nullptr;

  Resolve(library, "cuInit", api.Init);
  Resolve(library, "cuDeviceGetCount", api.DeviceGetCount);
  Resolve(library, "cuDeviceGet", api.DeviceGet);
  Resolve(library, "cuDeviceGetName", api.DeviceGetName);
  Resolve(library, "cuDevicePrimaryCtxRetain", api.DevicePrimaryCtxRetain);
  Resolve(library, "cuDevicePrimaryCtxRelease_v2", api.DevicePrimaryCtxRelease);
  Resolve(library, "cuCtxSetCurrent", api.CtxSetCurrent);
  Resolve(library, "cuCtxSynchronize", api.CtxSynchronize);
  Resolve(library, "cuStreamCreate", api.StreamCreate);
  Resolve(library, "cuStreamDestroy_v2", api.StreamDestroy);
  Resolve(library, "cuMemAlloc_v2", api.MemAlloc);
  Resolve(library, "cuMemFree_v2", api.MemFree);
  Resolve(library, "cuMemcpyHtoD_v2", api.MemcpyHtoD);
  Resolve(library, "cuMemcpyDtoH_v2", api.MemcpyDtoH);
  return &api;
}

}  // namespace

const CudaApi* CudaDriver() {
  // Thread-safe one-time initialisation; set-up and render may arrive on several threads.
  static const CudaApi* const api = Load();
  return api;
}

bool HasHostEntryPoints(const CudaApi& api) {
  return api.Init && api.DeviceGetCount && api.DeviceGet && api.DeviceGetName &&
         api.DevicePrimaryCtxRetain && api.DevicePrimaryCtxRelease && api.CtxSetCurrent &&
         api.CtxSynchronize && api.StreamCreate && api.StreamDestroy && api.MemAlloc &&
         api.MemFree && api.MemcpyHtoD && api.MemcpyDtoH;
}

void* CudaDriverExport(const char* name) {
  void* library = Library();
  return library != nullptr ? CudaSymbol(library, name) : nullptr;
}
