#include "gpu/gpu_render.h"

#include "frame/host_guards.h"
#include "frame/suite_scope.h"
#include "gpu/cuda_launch.h"

namespace {

constexpr size_t kGroup = 16;

size_t RoundUpToGroup(uint32_t v) { return (static_cast<size_t>(v) + kGroup - 1) / kGroup * kGroup; }

PF_Err Launch(const PF_SmartRenderInput& input, const PF_GPUDeviceInfo& device, void* src,
              void* dst, const ScaleParams& params) {
  switch (input.what_gpu) {
    case PF_GPU_Framework_CUDA:
      // The synchronisation's own status is covered by the peek.
      CudaLaunchScaleKernel(src, dst, params);
      return CudaPeekAtLastError() != 0 ? PF_Err_INTERNAL_STRUCT_DAMAGED : PF_Err_NONE;
    case PF_GPU_Framework_OPENCL: {
      const OpenCLApi* cl = OpenCL();
      const auto handle = static_cast<PF_Handle>(const_cast<void*>(input.gpu_data));
      if (cl == nullptr || handle == nullptr || *handle == nullptr) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;  // a device that set-up did not accept
      }
      return LaunchOpenCLScaleKernel(*cl, static_cast<cl_command_queue>(device.command_queuePV),
                                     *static_cast<const OpenCLDeviceData*>(*handle),
                                     static_cast<cl_mem>(src), static_cast<cl_mem>(dst), params);
    }
    default:
      return PF_Err_NONE;
  }
}

}  // namespace

PF_Err LaunchOpenCLScaleKernel(const OpenCLApi& cl, cl_command_queue queue,
                               const OpenCLDeviceData& data, cl_mem src, cl_mem dst,
                               const ScaleParams& params) {
  cl_int status = cl.SetKernelArg(data.scale_kernel, 0, sizeof(cl_mem), &src);
  if (status == CL_SUCCESS) status = cl.SetKernelArg(data.scale_kernel, 1, sizeof(cl_mem), &dst);
  if (status == CL_SUCCESS) status = cl.SetKernelArg(data.scale_kernel, 2, sizeof(params), &params);
  if (status != CL_SUCCESS) {
    PrintOpenCLError(status);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  const size_t global[2] = {RoundUpToGroup(params.dst_width), RoundUpToGroup(params.dst_height)};
  const size_t local[2] = {kGroup, kGroup};
  status = cl.EnqueueNDRangeKernel(queue, data.scale_kernel, 2, nullptr, global, local, 0, nullptr,
                                   nullptr);
  if (status != CL_SUCCESS) {
    PrintOpenCLError(status);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  return PF_Err_NONE;
}

PF_Err GpuSmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra,
                      PF_EffectWorld* input, PF_EffectWorld* output, PF_PixelFormat format,
                      ScaleInfo* info) {
  const SuiteScope<PF_GPUDeviceSuite1> gpu(in_data, out_data, kPFGPUDeviceSuite,
                                           kPFGPUDeviceSuiteVersion1);
  if (format != PF_PixelFormat_GPU_BGRA128) return PF_Err_UNRECOGNIZED_PARAM_TYPE;

  const PF_ProgPtr ref = in_data->effect_ref;
  const A_u_long device_index = extra->input->device_index;
  PF_GPUDeviceInfo device{};
  PF_Err err = gpu->GetDeviceInfo(ref, device_index, &device);
  // Held from before the world data is fetched until the launch is queued: the kernel arguments
  // of a device's program are shared by every render on it.
  ExclusiveDeviceAccess exclusive(*gpu, ref, device_index);
  if (err == PF_Err_NONE) err = exclusive.Acquire();
  void* src = nullptr;
  void* dst = nullptr;
  if (err == PF_Err_NONE) err = gpu->GetGPUWorldData(ref, input, &src);
  if (err == PF_Err_NONE) err = gpu->GetGPUWorldData(ref, output, &dst);
  if (err == PF_Err_NONE) {
    ScaleParams params = info->params;
    params.src_pitch = input->rowbytes >> 4;
    params.dst_pitch = output->rowbytes >> 4;
    params.is16f = 0;
    params.dst_width = static_cast<uint32_t>(output->width);
    params.dst_height = static_cast<uint32_t>(output->height);
    params.src_width = static_cast<uint32_t>(input->width);
    params.src_height = static_cast<uint32_t>(input->height);
    err = Launch(*extra->input, device, src, dst, params);
  }
  const PF_Err release = exclusive.Release();
  if (err == PF_Err_NONE) err = release;
  return err;
}
