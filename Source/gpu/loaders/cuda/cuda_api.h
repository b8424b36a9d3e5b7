// The CUDA driver library, loaded at run time like OpenCL: a machine without an NVIDIA driver has
// none, and the module must still load and render on the CPU there. The few driver types and
// functions used are declared here, with the driver's own names and 64-bit layouts, so that no
// build needs the CUDA toolkit.
#pragma once
#include <cstddef>

using CUresult = int;
using CUdevice = int;
using CUdeviceptr = unsigned long long;
using CUjit_option = int;
using CUcontext = struct CUctx_st*;
using CUmodule = struct CUmod_st*;
using CUfunction = struct CUfunc_st*;
using CUstream = struct CUstream_st*;

constexpr CUresult CUDA_SUCCESS = 0;
constexpr CUjit_option CU_JIT_ERROR_LOG_BUFFER = 5;
constexpr CUjit_option CU_JIT_ERROR_LOG_BUFFER_SIZE_BYTES = 6;

struct CudaApi {
  // What the effect calls.
  CUresult (*ModuleLoadDataEx)(CUmodule* module, const void* image, unsigned num_options,
                               CUjit_option* options, void** values);
  CUresult (*ModuleUnload)(CUmodule module);
  CUresult (*ModuleGetFunction)(CUfunction* function, CUmodule module, const char* name);
  CUresult (*LaunchKernel)(CUfunction f, unsigned grid_x, unsigned grid_y, unsigned grid_z,
                           unsigned block_x, unsigned block_y, unsigned block_z,
                           unsigned shared_bytes, CUstream stream, void** params, void** extra);
  CUresult (*StreamSynchronize)(CUstream stream);
  CUresult (*GetErrorString)(CUresult error, const char** text);
  CUresult (*MemAlloc)(CUdeviceptr* memory, size_t bytes);
  CUresult (*MemFree)(CUdeviceptr memory);
  CUresult (*MemcpyHtoDAsync)(CUdeviceptr to, const void* from, size_t bytes, CUstream stream);

  // What a host (devhost, the tests) calls besides; null where the library lacks them.
  CUresult (*Init)(unsigned flags);
  CUresult (*DeviceGetCount)(int* count);
  CUresult (*DeviceGet)(CUdevice* device, int ordinal);
  CUresult (*DeviceGetName)(char* name, int length, CUdevice device);
  CUresult (*DevicePrimaryCtxRetain)(CUcontext* context, CUdevice device);
  CUresult (*DevicePrimaryCtxRelease)(CUdevice device);
  CUresult (*CtxSetCurrent)(CUcontext context);
  CUresult (*CtxSynchronize)();
  CUresult (*StreamCreate)(CUstream* stream, unsigned flags);
  CUresult (*StreamDestroy)(CUstream stream);
  CUresult (*MemcpyHtoD)(CUdeviceptr to, const void* from, size_t bytes);
  CUresult (*MemcpyDtoH)(void* to, CUdeviceptr from, size_t bytes);
};

// Loads the driver library on first use (once per process) and resolves its entry points. Null
// when the library is missing or lacks any entry point the effect calls.
const CudaApi* CudaDriver();

// Whether every host-side entry point was resolved as well.
bool HasHostEntryPoints(const CudaApi& api);

// Any other export of the loaded driver library; null when there is none.
void* CudaDriverExport(const char* name);
