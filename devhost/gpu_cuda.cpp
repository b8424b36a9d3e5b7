#include <cuda_runtime_api.h>

#include "devhost/gpu.h"

namespace devhost {

namespace {

class CudaDevice final : public GpuDevice {
 public:
  explicit CudaDevice(int ordinal) : ordinal_(ordinal) {}

  PF_GPU_Framework Framework() const override { return PF_GPU_Framework_CUDA; }
  std::string Name() const override {
    cudaDeviceProp prop{};
    return cudaGetDeviceProperties(&prop, ordinal_) == cudaSuccess ? prop.name : "CUDA device";
  }
  void Describe(PF_GPUDeviceInfo* info) const override {
    *info = {};
    info->device_framework = PF_GPU_Framework_CUDA;
    info->compatibleB = 1;
  }
  void* Allocate(size_t bytes) override {
    void* memory = nullptr;
    return cudaMalloc(&memory, bytes > 16 ? bytes : 16) == cudaSuccess ? memory : nullptr;
  }
  void Free(void* memory) override { cudaFree(memory); }
  bool Upload(void* memory, const void* data, size_t bytes) override {
    return cudaMemcpy(memory, data, bytes, cudaMemcpyHostToDevice) == cudaSuccess;
  }
  bool Download(const void* memory, void* data, size_t bytes) override {
    return cudaDeviceSynchronize() == cudaSuccess &&
           cudaMemcpy(data, memory, bytes, cudaMemcpyDeviceToHost) == cudaSuccess;
  }

 private:
  int ordinal_;
};

}  // namespace

std::unique_ptr<GpuDevice> OpenCudaDevice(std::string* why) {
  int count = 0;
  const cudaError_t status = cudaGetDeviceCount(&count);
  if (status != cudaSuccess || count == 0) {
    *why = std::string("no CUDA device (") + cudaGetErrorString(status) + ")";
    return nullptr;
  }
  if (cudaSetDevice(0) != cudaSuccess) {
    *why = "the CUDA device cannot be used";
    return nullptr;
  }
  return std::make_unique<CudaDevice>(0);
}

}  // namespace devhost
