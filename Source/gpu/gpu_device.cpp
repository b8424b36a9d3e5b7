#include "gpu/gpu_device.h"

#include <cstring>

#include "frame/host_guards.h"
#include "frame/suite_scope.h"
#include "gpu/cuda_launch.h"
#include "gpu/opencl_api.h"
#include "gpu/opencl_program.h"

namespace {

// Builds the kernels into a new handle; on success the handle becomes the device's gpu_data.
PF_Err SetupOpenCL(const PF_HandleSuite1& handles, const PF_GPUDeviceInfo& info, PF_Err info_err,
                   PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra) {
  const OpenCLApi* cl = OpenCL();
  // Without an OpenCL library the device is declined and the effect renders on the CPU.
  if (cl == nullptr) return info_err;

  // The handle becomes the device's gpu_data only when the kernels are built.
  OwnedHandle handle(handles, sizeof(OpenCLDeviceData));
  if (handle.get() == nullptr || *handle.get() == nullptr) {
    return info_err != PF_Err_NONE ? info_err : PF_Err_OUT_OF_MEMORY;
  }
  auto* record = static_cast<OpenCLDeviceData*>(*handle.get());
  std::memset(record, 0, sizeof(*record));

  PF_Err err = info_err;
  if (err == PF_Err_NONE) {
    err = BuildOpenCLProgram(*cl, static_cast<cl_context>(info.contextPV),
                             static_cast<cl_device_id>(info.devicePV), record);
  }
  if (err == PF_Err_NONE) {
    extra->output->gpu_data = handle.Release();
    out_data->out_flags2 = PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
  } else {
    ReleaseOpenCLProgram(*cl, *record);  // the build's own failure is the one reported
  }
  return err;
}

}  // namespace

PF_Err GpuDeviceSetup(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra) {
  const SuiteScope<PF_HandleSuite1> handles(in_data, out_data, kPFHandleSuite,
                                            kPFHandleSuiteVersion1);
  const SuiteScope<PF_GPUDeviceSuite1> gpu(in_data, out_data, kPFGPUDeviceSuite,
                                           kPFGPUDeviceSuiteVersion1);
  PF_GPUDeviceInfo info{};
  const PF_Err info_err = gpu->GetDeviceInfo(in_data->effect_ref, extra->input->device_index, &info);

  switch (extra->input->what_gpu) {
    case PF_GPU_Framework_CUDA:
      // The kernels are registered when the module loads; there is nothing to build per device.
      if (CudaKernelsBuilt()) out_data->out_flags2 = PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
      return info_err;
    case PF_GPU_Framework_OPENCL:
      return SetupOpenCL(*handles, info, info_err, out_data, extra);
    default:
      return info_err;
  }
}

PF_Err GpuDeviceSetdown(PF_InData* in_data, PF_OutData* out_data,
                        PF_GPUDeviceSetdownExtra* extra) {
  const PF_GPUDeviceSetdownInput& input = *extra->input;
  if (input.what_gpu != PF_GPU_Framework_OPENCL || input.gpu_data == nullptr) return PF_Err_NONE;

  const auto handle = static_cast<PF_Handle>(input.gpu_data);
  PF_Err err = PF_Err_NONE;
  const OpenCLApi* cl = OpenCL();
  if (*handle != nullptr && cl != nullptr) {
    err = ReleaseOpenCLProgram(*cl, *static_cast<const OpenCLDeviceData*>(*handle));
  }
  const SuiteScope<PF_HandleSuite1> handles(in_data, out_data, kPFHandleSuite,
                                            kPFHandleSuiteVersion1);
  handles->host_dispose_handle(handle);
  return err;
}
