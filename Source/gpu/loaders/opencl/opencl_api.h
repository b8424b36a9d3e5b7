// OpenCL through the installable client driver, loaded at run time: a machine without a GPU
// driver has no OpenCL library, and the module must still load and render on the CPU there.
#pragma once
#include "gpu/loaders/opencl/opencl_headers.h"

struct OpenCLApi {
  // What the effect calls.
  decltype(&clGetDeviceInfo) GetDeviceInfo;
  decltype(&clCreateProgramWithSource) CreateProgramWithSource;
  decltype(&clBuildProgram) BuildProgram;
  decltype(&clGetProgramBuildInfo) GetProgramBuildInfo;
  decltype(&clCreateKernel) CreateKernel;
  decltype(&clReleaseKernel) ReleaseKernel;
  decltype(&clReleaseProgram) ReleaseProgram;
  decltype(&clSetKernelArg) SetKernelArg;
  decltype(&clEnqueueNDRangeKernel) EnqueueNDRangeKernel;
  decltype(&clGetCommandQueueInfo) GetCommandQueueInfo;
  decltype(&clCreateBuffer) CreateBuffer;
  decltype(&clReleaseMemObject) ReleaseMemObject;

  // What a host (devhost, the tests and benchmarks) calls besides; null where the library lacks
  // them.
  decltype(&clGetPlatformIDs) GetPlatformIDs;
  decltype(&clGetPlatformInfo) GetPlatformInfo;
  decltype(&clGetDeviceIDs) GetDeviceIDs;
  decltype(&clCreateContext) CreateContext;
  decltype(&clCreateCommandQueue) CreateCommandQueue;
  decltype(&clEnqueueWriteBuffer) EnqueueWriteBuffer;
  decltype(&clEnqueueReadBuffer) EnqueueReadBuffer;
  decltype(&clFinish) Finish;
  decltype(&clGetProgramInfo) GetProgramInfo;
  decltype(&clReleaseCommandQueue) ReleaseCommandQueue;
  decltype(&clReleaseContext) ReleaseContext;
};

// Loads the OpenCL library on first use (once per process) and resolves its entry points. Null
// when the library is missing or lacks any entry point the effect calls.
const OpenCLApi* OpenCL();

// Whether every host-side entry point was resolved as well.
bool HasHostEntryPoints(const OpenCLApi& api);
