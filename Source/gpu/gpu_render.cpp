#include "gpu/gpu_render.h"

#include <vector>

#include "engine/core/sample_positions.h"
#include "engine/core/samplers.h"
#include "frame/glue/host_guards.h"
#include "frame/glue/suite_scope.h"

namespace {

constexpr size_t kGroup = 16;

// The kernel samples at the CPU's own source positions, tabulated here once per render: the
// device's relaxed division could put a position that lies exactly on a block edge on its other
// side. Never empty, so that the device buffer holding it never is either.
std::vector<float> SourcePositions(const ScaleParams& params) {
  std::vector<float> table(samplers::SourcePositionCount(params) + 1);
  samplers::FillSourcePositions(params, table.data());
  return table;
}

// The positions in a device buffer of the render's own, released when the render is done with
// it: OpenCL keeps it until the kernels that read it have run.
class OpenCLPositions {
 public:
  OpenCLPositions(const OpenCLApi& cl, cl_command_queue queue, std::vector<float>& positions,
                  cl_int* status)
      : cl_(cl) {
    cl_context context = nullptr;
    *status = cl.GetCommandQueueInfo(queue, CL_QUEUE_CONTEXT, sizeof(context), &context, nullptr);
    if (*status != CL_SUCCESS) return;
    mem_ = cl.CreateBuffer(context, CL_MEM_READ_ONLY | CL_MEM_COPY_HOST_PTR,
                           positions.size() * sizeof(float), positions.data(), status);
    if (*status != CL_SUCCESS) mem_ = nullptr;
  }
  ~OpenCLPositions() {
    if (mem_ != nullptr) cl_.ReleaseMemObject(mem_);
  }
  OpenCLPositions(const OpenCLPositions&) = delete;
  OpenCLPositions& operator=(const OpenCLPositions&) = delete;
  const cl_mem* Get() const { return &mem_; }

 private:
  const OpenCLApi& cl_;
  cl_mem mem_ = nullptr;
};

// A device allocation of the render's own, freed when the render returns.
class CudaBuffer {
 public:
  CudaBuffer(const CudaApi& cuda, size_t bytes) : cuda_(cuda) {
    status_ = cuda.MemAlloc(&memory_, bytes);
    if (status_ != CUDA_SUCCESS) memory_ = 0;
  }
  ~CudaBuffer() {
    if (memory_ != 0) cuda_.MemFree(memory_);
  }
  CudaBuffer(const CudaBuffer&) = delete;
  CudaBuffer& operator=(const CudaBuffer&) = delete;
  CUresult Status() const { return status_; }
  CUdeviceptr* Get() { return &memory_; }

 private:
  const CudaApi& cuda_;
  CUdeviceptr memory_ = 0;
  CUresult status_;
};

size_t RoundUpToGroup(uint32_t v) {
  return (static_cast<size_t>(v) + kGroup - 1) / kGroup * kGroup;
}

// The record set-up left in the device's handle; null for a device set-up did not accept.
template <class Record>
const Record* DeviceRecord(const PF_SmartRenderInput& input) {
  const auto handle = static_cast<PF_Handle>(const_cast<void*>(input.gpu_data));
  return handle != nullptr ? static_cast<const Record*>(*handle) : nullptr;
}

// A GPU world of the host at its device memory: BGRA float pixels.
ImageView GpuView(const PF_EffectWorld& world, void* pixels) {
  return {pixels, static_cast<uint32_t>(world.width), static_cast<uint32_t>(world.height),
          world.rowbytes, PixelLayout::BGRAFloat};
}

PF_Err Launch(const PF_SmartRenderInput& input, const PF_GPUDeviceInfo& device, void* src,
              void* dst, const ScaleParams& params) {
  switch (input.what_gpu) {
    case PF_GPU_Framework_CUDA: {
      const CudaApi* cuda = CudaDriver();
      const auto* record = DeviceRecord<CudaDeviceData>(input);
      if (cuda == nullptr || record == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
      return LaunchCudaScaleKernel(*cuda, static_cast<CUstream>(device.command_queuePV), *record,
                                   reinterpret_cast<CUdeviceptr>(src),
                                   reinterpret_cast<CUdeviceptr>(dst), params);
    }
    case PF_GPU_Framework_OPENCL: {
      const OpenCLApi* cl = OpenCL();
      const auto* record = DeviceRecord<OpenCLDeviceData>(input);
      if (cl == nullptr || record == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
      return LaunchOpenCLScaleKernel(*cl, static_cast<cl_command_queue>(device.command_queuePV),
                                     *record, static_cast<cl_mem>(src), static_cast<cl_mem>(dst),
                                     params);
    }
    default:
      return PF_Err_NONE;
  }
}

}  // namespace

PF_Err LaunchOpenCLScaleKernel(const OpenCLApi& cl, cl_command_queue queue,
                               const OpenCLDeviceData& data, cl_mem src, cl_mem dst,
                               const ScaleParams& params) {
  std::vector<float> positions = SourcePositions(params);
  cl_int status = CL_SUCCESS;
  const OpenCLPositions table(cl, queue, positions, &status);
  if (status == CL_SUCCESS) status = cl.SetKernelArg(data.scale_kernel, 0, sizeof(cl_mem), &src);
  if (status == CL_SUCCESS) status = cl.SetKernelArg(data.scale_kernel, 1, sizeof(cl_mem), &dst);
  if (status == CL_SUCCESS) status = cl.SetKernelArg(data.scale_kernel, 2, sizeof(params), &params);
  if (status == CL_SUCCESS) {
    status = cl.SetKernelArg(data.scale_kernel, 3, sizeof(cl_mem), table.Get());
  }
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

PF_Err LaunchCudaScaleKernel(const CudaApi& cuda, CUstream stream, const CudaDeviceData& data,
                             CUdeviceptr src, CUdeviceptr dst, const ScaleParams& params) {
  const std::vector<float> positions = SourcePositions(params);
  const size_t table_bytes = positions.size() * sizeof(float);
  CudaBuffer table(cuda, table_bytes);
  CUresult launched = table.Status();
  // On the launch's own stream, so that the kernel runs after the copy; the wait below keeps the
  // host's table alive until then.
  if (launched == CUDA_SUCCESS) {
    launched = cuda.MemcpyHtoDAsync(*table.Get(), positions.data(), table_bytes, stream);
  }
  // Unsigned 32-bit arithmetic, as the grid's own type.
  const uint32_t grid_x = (params.dst_width + 15u) / 16u;
  const uint32_t grid_y = (params.dst_height + 15u) / 16u;
  ScaleParams copy = params;
  void* args[] = {&src, &dst, &copy, table.Get()};
  if (launched == CUDA_SUCCESS) {
    launched = cuda.LaunchKernel(data.scale_kernel, grid_x, grid_y, 1, 16, 16, 1, 0, stream, args,
                                 nullptr);
  }
  // The frame is complete on the device when the render returns; the wait also reports a fault
  // of the kernel while it ran.
  const CUresult finished = cuda.StreamSynchronize(stream);
  if (launched != CUDA_SUCCESS) PrintCudaError(cuda, launched);
  if (finished != CUDA_SUCCESS) PrintCudaError(cuda, finished);
  return launched == CUDA_SUCCESS && finished == CUDA_SUCCESS ? PF_Err_NONE
                                                              : PF_Err_INTERNAL_STRUCT_DAMAGED;
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
  // Held from before the world data is fetched until the launch is queued (OpenCL: the kernel
  // arguments of a device's program are shared by every render on it) or done (CUDA).
  ExclusiveDeviceAccess exclusive(*gpu, ref, device_index);
  if (err == PF_Err_NONE) err = exclusive.Acquire();
  void* src = nullptr;
  void* dst = nullptr;
  if (err == PF_Err_NONE) err = gpu->GetGPUWorldData(ref, input, &src);
  if (err == PF_Err_NONE) err = gpu->GetGPUWorldData(ref, output, &dst);
  if (err == PF_Err_NONE) {
    err = Launch(*extra->input, device, src, dst,
                 ScaleParamsFor(info->settings, info->anchor_x, info->anchor_y,
                                GpuView(*input, src), GpuView(*output, dst)));
  }
  const PF_Err release = exclusive.Release();
  if (err == PF_Err_NONE) err = release;
  return err;
}
