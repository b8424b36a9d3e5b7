#include "gpu/loaders/cuda/cuda_api.h"

#include "foundation/module_info.h"
#include "gpu/loaders/cuda/cuda_library.h"

namespace {

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
  effect &= ResolveSymbol(library, "cuModuleLoadDataEx", api.ModuleLoadDataEx);
  effect &= ResolveSymbol(library, "cuModuleUnload", api.ModuleUnload);
  effect &= ResolveSymbol(library, "cuModuleGetFunction", api.ModuleGetFunction);
  effect &= ResolveSymbol(library, "cuLaunchKernel", api.LaunchKernel);
  effect &= ResolveSymbol(library, "cuStreamSynchronize", api.StreamSynchronize);
  effect &= ResolveSymbol(library, "cuGetErrorString", api.GetErrorString);
  effect &= ResolveSymbol(library, "cuMemAlloc_v2", api.MemAlloc);
  effect &= ResolveSymbol(library, "cuMemFree_v2", api.MemFree);
  effect &= ResolveSymbol(library, "cuMemcpyHtoDAsync_v2", api.MemcpyHtoDAsync);
  if (!effect) return nullptr;

  ResolveSymbol(library, "cuInit", api.Init);
  ResolveSymbol(library, "cuDeviceGetCount", api.DeviceGetCount);
  ResolveSymbol(library, "cuDeviceGet", api.DeviceGet);
  ResolveSymbol(library, "cuDeviceGetName", api.DeviceGetName);
  ResolveSymbol(library, "cuDevicePrimaryCtxRetain", api.DevicePrimaryCtxRetain);
  ResolveSymbol(library, "cuDevicePrimaryCtxRelease_v2", api.DevicePrimaryCtxRelease);
  ResolveSymbol(library, "cuCtxSetCurrent", api.CtxSetCurrent);
  ResolveSymbol(library, "cuCtxSynchronize", api.CtxSynchronize);
  ResolveSymbol(library, "cuStreamCreate", api.StreamCreate);
  ResolveSymbol(library, "cuStreamDestroy_v2", api.StreamDestroy);
  ResolveSymbol(library, "cuMemcpyHtoD_v2", api.MemcpyHtoD);
  ResolveSymbol(library, "cuMemcpyDtoH_v2", api.MemcpyDtoH);
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
         api.CtxSynchronize && api.StreamCreate && api.StreamDestroy && api.MemcpyHtoD &&
         api.MemcpyDtoH;
}

void* CudaDriverExport(const char* name) {
  void* library = Library();
  return library != nullptr ? ModuleSymbol(library, name) : nullptr;
}
