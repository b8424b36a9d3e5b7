#include "gpu/loaders/opencl/opencl_api.h"

#include "foundation/module_info.h"
#include "gpu/loaders/opencl/opencl_library.h"

namespace {

// Null when the library or one of the effect's entry points is missing.
const OpenCLApi* Load() {
  static OpenCLApi api{};
  void* library = OpenOpenCLLibrary();
  if (library == nullptr) return nullptr;
  bool effect = true;
  effect &= ResolveSymbol(library, "clGetDeviceInfo", api.GetDeviceInfo);
  effect &= ResolveSymbol(library, "clCreateProgramWithSource", api.CreateProgramWithSource);
  effect &= ResolveSymbol(library, "clBuildProgram", api.BuildProgram);
  effect &= ResolveSymbol(library, "clGetProgramBuildInfo", api.GetProgramBuildInfo);
  effect &= ResolveSymbol(library, "clCreateKernel", api.CreateKernel);
  effect &= ResolveSymbol(library, "clReleaseKernel", api.ReleaseKernel);
  effect &= ResolveSymbol(library, "clReleaseProgram", api.ReleaseProgram);
  effect &= ResolveSymbol(library, "clSetKernelArg", api.SetKernelArg);
  effect &= ResolveSymbol(library, "clEnqueueNDRangeKernel", api.EnqueueNDRangeKernel);
  effect &= ResolveSymbol(library, "clGetCommandQueueInfo", api.GetCommandQueueInfo);
  effect &= ResolveSymbol(library, "clCreateBuffer", api.CreateBuffer);
  effect &= ResolveSymbol(library, "clReleaseMemObject", api.ReleaseMemObject);
  if (!effect) return nullptr;

  ResolveSymbol(library, "clGetPlatformIDs", api.GetPlatformIDs);
  ResolveSymbol(library, "clGetPlatformInfo", api.GetPlatformInfo);
  ResolveSymbol(library, "clGetDeviceIDs", api.GetDeviceIDs);
  ResolveSymbol(library, "clCreateContext", api.CreateContext);
  ResolveSymbol(library, "clCreateCommandQueue", api.CreateCommandQueue);
  ResolveSymbol(library, "clEnqueueWriteBuffer", api.EnqueueWriteBuffer);
  ResolveSymbol(library, "clEnqueueReadBuffer", api.EnqueueReadBuffer);
  ResolveSymbol(library, "clFinish", api.Finish);
  ResolveSymbol(library, "clGetProgramInfo", api.GetProgramInfo);
  ResolveSymbol(library, "clReleaseCommandQueue", api.ReleaseCommandQueue);
  ResolveSymbol(library, "clReleaseContext", api.ReleaseContext);
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
         api.CreateCommandQueue && api.EnqueueWriteBuffer && api.EnqueueReadBuffer && api.Finish &&
         api.GetProgramInfo && api.ReleaseCommandQueue && api.ReleaseContext;
}
