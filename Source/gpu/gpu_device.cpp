#include "gpu/gpu_device.h"

#include <cstring>

#include "frame/glue/host_guards.h"
#include "frame/glue/suite_scope.h"
#include "gpu/cuda_module.h"
#include "gpu/loaders/opencl/opencl_api.h"
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

// Loads the kernels into the host's current context for the device; on success the handle holding
// them becomes the device's gpu_data.
PF_Err SetupCuda(const PF_HandleSuite1& handles, PF_Err info_err, PF_OutData* out_data,
                 PF_GPUDeviceSetupExtra* extra) {
  const CudaApi* cuda = CudaDriver();
  // Without the driver library the device is declined and the effect renders on the CPU.
  if (cuda == nullptr) return info_err;

  OwnedHandle handle(handles, sizeof(CudaDeviceData));
  if (handle.get() == nullptr || *handle.get() == nullptr) {
    return info_err != PF_Err_NONE ? info_err : PF_Err_OUT_OF_MEMORY;
  }
  auto* record = static_cast<CudaDeviceData*>(*handle.get());
  std::memset(record, 0, sizeof(*record));

  // A module the driver cannot take (a device the PTX cannot be compiled for, a driver older than
  // the PTX) declines the device here rather than failing its first frame.
  PF_Err err = info_err;
  if (err == PF_Err_NONE) err = LoadCudaModule(*cuda, record);
  if (err == PF_Err_NONE) {
    extra->output->gpu_data = handle.Release();
    out_data->out_flags2 = PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
  } else {
    UnloadCudaModule(*cuda, *record);  // the load's own failure is the one reported
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
  const PF_Err info_err =
      gpu->GetDeviceInfo(in_data->effect_ref, extra->input->device_index, &info);

  switch (extra->input->what_gpu) {
    case PF_GPU_Framework_CUDA:
      return SetupCuda(*handles, info_err, out_data, extra);
    case PF_GPU_Framework_OPENCL:
      return SetupOpenCL(*handles, info, info_err, out_data, extra);
    default:
      return info_err;
  }
}

PF_Err GpuDeviceSetdown(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetdownExtra* extra) {
  const PF_GPUDeviceSetdownInput& input = *extra->input;
  const bool opencl = input.what_gpu == PF_GPU_Framework_OPENCL;
  if ((!opencl && input.what_gpu != PF_GPU_Framework_CUDA) || input.gpu_data == nullptr) {
    return PF_Err_NONE;
  }

  const auto handle = static_cast<PF_Handle>(input.gpu_data);
  PF_Err err = PF_Err_NONE;
  if (*handle != nullptr) {
    if (opencl) {
      if (const OpenCLApi* cl = OpenCL()) {
        err = ReleaseOpenCLProgram(*cl, *static_cast<const OpenCLDeviceData*>(*handle));
      }
    } else if (const CudaApi* cuda = CudaDriver()) {
      err = UnloadCudaModule(*cuda, *static_cast<const CudaDeviceData*>(*handle));
    }
  }
  // The handle goes back on every path: through the handle suite, or through the host's utility
  // callbacks when the suite is refused, which is still reported.
  const SuiteScope<PF_HandleSuite1> handles(in_data, kPFHandleSuite, kPFHandleSuiteVersion1,
                                            std::nothrow);
  if (handles) {
    handles->host_dispose_handle(handle);
    return err;
  }
  if (in_data->utils != nullptr && in_data->utils->host_dispose_handle != nullptr) {
    in_data->utils->host_dispose_handle(handle);
  }
  RaiseMissingSuite(in_data, out_data);
}
