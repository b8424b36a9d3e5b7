// GPU_DEVICE_SETUP and GPU_DEVICE_SETDOWN: whether the effect renders on a device the host
// announces, and the device's kernels (an OpenCL program, a CUDA module), which the host keeps as
// gpu_data.
#pragma once
#include "HostSDK.h"

// OpenCL: builds the kernels for the device; CUDA: loads them into the host's current context.
// Either way the host gets a handle holding them and the support flag; a framework whose library
// is missing, or kernels that fail to build or load, decline the device. Other frameworks:
// nothing.
PF_Err GpuDeviceSetup(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra);

// Releases an OpenCL device's kernels and program, or unloads a CUDA device's module, and
// disposes of its handle.
PF_Err GpuDeviceSetdown(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetdownExtra* extra);
