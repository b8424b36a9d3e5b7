// The kernels of one CUDA device: the PTX text loaded into the host's current context at GPU
// device set-up, kept by the host in a handle, unloaded at set-down.
#pragma once
#include "HostSDK.h"
#include "gpu/loaders/cuda/cuda_api.h"

// The record held in the device's 24-byte handle, in this order.
struct CudaDeviceData {
  CUmodule module;
  CUfunction scale_kernel;  // ScaleKernel
  CUfunction donkey_ears;   // Donkey_ears_kernel, looked up but never launched
};
static_assert(sizeof(CudaDeviceData) == 24, "the host keeps the record in a 24-byte handle");

// "CUDA error: <code> <the driver's description>" on standard error.
void PrintCudaError(const CudaApi& cuda, CUresult code);

// Loads the kernels' PTX into the current context (the driver compiles it for the device) and
// looks up the kernels; returns 0 or 512, with the driver's log after a failed load. What was
// loaded before a failure stays in the record for the caller to unload.
PF_Err LoadCudaModule(const CudaApi& cuda, CudaDeviceData* record);

// Unloads the module when there is one; a failure is reported and gives 512.
PF_Err UnloadCudaModule(const CudaApi& cuda, const CudaDeviceData& record);
