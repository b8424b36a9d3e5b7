#include "gpu/opencl_api.h"

#include "gpu/opencl_library.h"

namespace {

template <class Fn>
bool Resolve(void* library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(OpenCLSymbol(library, name));
  return fn != nullptr;
}

// Null when the library or one of the effect's entry points is missing.
const OpenCLApi* Load() {
  static OpenCLApi api{};
  void* library = OpenOpenCLLibrary();
  if (library == nullptr) return nullptr;
  bool effect = true;
  effect &= Resolve(library, "clGetDeviceInfo", api.GetDeviceInfo);
  effect &= Resolve(library, "clCreateProgramWithSource", api.CreateProgramWithSource);
  effect &= Resolve(library, "clBuildProgram", api.BuildProgram);
  effect &= Resolve(library, "clGetProgramBuildInfo", api.GetProgramBuildInfo);
  effect &= Resolve(library, "clCreateKernel", api.CreateKernel);
  effect &= Resolve(library, "clReleaseKernel", api.ReleaseKernel);
  effect &= Resolve(library, "clReleaseProgram", api.ReleaseProgram);
  effect &= Resolve(library, "clSetKernelArg", api.SetKernelArg);
  effect &= Resolve(library, "clEnqueueNDRangeKernel", api.EnqueueNDRangeKernel);
  if (!effect) return nullptr;

  Resolve(library, "clGetPlatformIDs", api.GetPlatformIDs);
  Resolve(library, "clGetPlatformInfo", api.GetPlatformInfo);
  Resolve(library, "clGetDeviceIDs", api.GetDeviceIDs);
  Resolve(library, "clCreateContext", api.CreateContext);
  Resolve(library, "clCreateCommandQueue", api.CreateCommandQueue);
  Resolve(library, "clCreateBuffer", api.CreateBuffer);
  Resolve(library, "clEnqueueWriteBuffer", api.EnqueueWriteBuffer);
  Resolve(library, "clEnqueueReadBuffer", api.EnqueueReadBuffer);
  Resolve(library, "clFinish", api.Finish);
  Resolve(library, "clGetProgramInfo", api.GetProgramInfo);
  Resolve(library, "clReleaseMemObject", api.ReleaseMemObject);
  Resolve(library, "clReleaseCommandQueue", api.ReleaseCommandQueue);
  Resolve(library, "clReleaseContext", api.ReleaseContext);
  return &api;
}

}  // namespace

const OpenCLApi* OpenCL() {
  // Thread-safe one-time initialisation; set-up and render may arrive on several threads.
  static const OpenCLApi* const api = Load();
  return api;
}

bool HasHostEntryPoints(const OpenCLApi& api) {
  return api.GetPlatformIDs && api.GetPlatformInfo && api.GetDeviceIDs && api.CreateContext &&
         api.CreateCommandQueue && api.CreateBuffer && api.EnqueueWriteBuffer &&
         api.EnqueueReadBuffer && api.Finish && api.GetProgramInfo && api.ReleaseMemObject &&
         api.ReleaseCommandQueue && api.ReleaseContext;
}
