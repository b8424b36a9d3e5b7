// SMART_RENDER_GPU: launches ScaleKernel on the host's GPU worlds with CUDA or OpenCL.
#pragma once
#include "HostSDK.h"
#include "engine/core/scale_data.h"
#include "engine/core/settings.h"
#include "gpu/loaders/cuda/cuda_api.h"
#include "gpu/cuda_module.h"
#include "gpu/loaders/opencl/opencl_api.h"
#include "gpu/opencl_program.h"

// Same arguments as the CPU smart driver; the worlds are the host's GPU worlds. The kernel's
// record is made here from the pre-render's settings and the worlds.
PF_Err GpuSmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra,
                      PF_EffectWorld* input, PF_EffectWorld* output, PF_PixelFormat format,
                      ScaleInfo* info);

// Enqueues ScaleKernel over the destination, rounded up to 16 x 16 work groups, on the host's
// queue without waiting; returns 0 or 512.
PF_Err LaunchOpenCLScaleKernel(const OpenCLApi& cl, cl_command_queue queue,
                               const OpenCLDeviceData& data, cl_mem src, cl_mem dst,
                               const ScaleParams& params);

// Launches ScaleKernel over the destination in 16 x 16 blocks on the host's stream (null: the
// default one) and waits for that stream; returns 0, or 512 when the launch or the wait failed.
PF_Err LaunchCudaScaleKernel(const CudaApi& cuda, CUstream stream, const CudaDeviceData& data,
                             CUdeviceptr src, CUdeviceptr dst, const ScaleParams& params);
