// GPU_DEVICE_SETUP and GPU_DEVICE_SETDOWN: whether the effect renders on a device the host
// announces and, for OpenCL, the device's built kernel program, which the host keeps as gpu_data.
#pragma once
#include "HostSDK.h"

// CUDA: declares support when this build carries the CUDA kernels. OpenCL: builds the kernels
// for the device and hands the host a handle holding them. Other frameworks: nothing.
PF_Err GpuDeviceSetup(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra);

// Releases an OpenCL device's kernels and program and disposes of its handle.
PF_Err GpuDeviceSetdown(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetdownExtra* extra);
