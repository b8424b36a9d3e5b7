#include "gpu/cuda_module.h"

#include <cstdio>

#include "gpu/kernels/kernel_text.h"

void PrintCudaError(const CudaApi& cuda, CUresult code) {
  const char* text = nullptr;
  if (cuda.GetErrorString(code, &text) != CUDA_SUCCESS || text == nullptr) text = "unknown error";
  std::fprintf(stderr, "CUDA error: %d %s\n", code, text);
}

PF_Err LoadCudaModule(const CudaApi& cuda, CudaDeviceData* record) {
  // The driver's account of a PTX it cannot take (too new for it, an unknown device).
  char log[4096] = {};
  CUjit_option options[] = {CU_JIT_ERROR_LOG_BUFFER, CU_JIT_ERROR_LOG_BUFFER_SIZE_BYTES};
  void* values[] = {log, reinterpret_cast<void*>(static_cast<size_t>(sizeof(log)))};
  CUresult status = cuda.ModuleLoadDataEx(&record->module, kCudaKernelPtx, 2, options, values);
  if (status != CUDA_SUCCESS) {
    record->module = nullptr;
    PrintCudaError(cuda, status);
    log[sizeof(log) - 1] = '\0';
    if (log[0] != '\0') std::fprintf(stderr, "JIT log:\n%s\n", log);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  status = cuda.ModuleGetFunction(&record->scale_kernel, record->module, "ScaleKernel");
  if (status == CUDA_SUCCESS) {
    status = cuda.ModuleGetFunction(&record->donkey_ears, record->module, "Donkey_ears_kernel");
  }
  if (status != CUDA_SUCCESS) {
    PrintCudaError(cuda, status);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  return PF_Err_NONE;
}

PF_Err UnloadCudaModule(const CudaApi& cuda, const CudaDeviceData& record) {
  if (record.module == nullptr) return PF_Err_NONE;
  const CUresult status = cuda.ModuleUnload(record.module);
  if (status != CUDA_SUCCESS) {
    PrintCudaError(cuda, status);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  return PF_Err_NONE;
}
