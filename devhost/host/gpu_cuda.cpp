// devhost's CUDA device, through the driver library the effect loads too (the real driver, or
// the tests' stand-in): the device's primary context, a stream of its own that it hands the
// effect as the host's stream, and worlds in device memory.
#include <cstdint>

#include "devhost/host/gpu.h"
#include "gpu/loaders/cuda/cuda_api.h"

namespace devhost {

namespace {

class CudaDevice final : public GpuDevice {
 public:
  CudaDevice(const CudaApi& cuda, CUdevice device, CUcontext context, CUstream stream)
      : cuda_(cuda), device_(device), context_(context), stream_(stream) {}
  ~CudaDevice() override {
    Bind();
    cuda_.StreamDestroy(stream_);
    cuda_.DevicePrimaryCtxRelease(device_);
  }

  PF_GPU_Framework Framework() const override { return PF_GPU_Framework_CUDA; }
  std::string Name() const override {
    char name[256] = {};
    return cuda_.DeviceGetName(name, sizeof(name) - 1, device_) == CUDA_SUCCESS ? name
                                                                                : "CUDA device";
  }
  void Describe(PF_GPUDeviceInfo* info) const override {
    // A host keeps its context current on the threads it calls the effect from; the effect asks
    // about the device first in every command that uses it.
    Bind();
    *info = {};
    info->device_framework = PF_GPU_Framework_CUDA;
    info->compatibleB = 1;
    info->devicePV = reinterpret_cast<void*>(static_cast<intptr_t>(device_));
    info->contextPV = context_;
    info->command_queuePV = stream_;
  }
  void* Allocate(size_t bytes) override {
    Bind();
    CUdeviceptr memory = 0;
    return cuda_.MemAlloc(&memory, bytes > 16 ? bytes : 16) == CUDA_SUCCESS
               ? reinterpret_cast<void*>(memory)
               : nullptr;
  }
  void Free(void* memory) override {
    Bind();
    cuda_.MemFree(reinterpret_cast<CUdeviceptr>(memory));
  }
  bool Upload(void* memory, const void* data, size_t bytes) override {
    Bind();
    return bytes == 0 ||
           cuda_.MemcpyHtoD(reinterpret_cast<CUdeviceptr>(memory), data, bytes) == CUDA_SUCCESS;
  }
  bool Download(const void* memory, void* data, size_t bytes) override {
    Bind();
    if (cuda_.CtxSynchronize() != CUDA_SUCCESS) return false;
    return bytes == 0 ||
           cuda_.MemcpyDtoH(data, reinterpret_cast<CUdeviceptr>(memory), bytes) == CUDA_SUCCESS;
  }

 private:
  void Bind() const { cuda_.CtxSetCurrent(context_); }

  const CudaApi& cuda_;
  CUdevice device_;
  CUcontext context_;
  CUstream stream_;
};

std::string Failure(const CudaApi& cuda, const char* what, CUresult status) {
  const char* text = nullptr;
  if (cuda.GetErrorString(status, &text) != CUDA_SUCCESS || text == nullptr) text = "unknown";
  return std::string(what) + " (" + text + ")";
}

}  // namespace

std::unique_ptr<GpuDevice> OpenCudaDevice(std::string* why) {
  const CudaApi* cuda = CudaDriver();
  if (cuda == nullptr || !HasHostEntryPoints(*cuda)) {
    *why = "no CUDA driver library could be loaded";
    return nullptr;
  }
  int count = 0;
  CUresult status = cuda->Init(0);
  if (status == CUDA_SUCCESS) status = cuda->DeviceGetCount(&count);
  if (status != CUDA_SUCCESS || count == 0) {
    *why = Failure(*cuda, "no CUDA device", status);
    return nullptr;
  }
  CUdevice device = 0;
  CUcontext context = nullptr;
  status = cuda->DeviceGet(&device, 0);
  if (status == CUDA_SUCCESS) status = cuda->DevicePrimaryCtxRetain(&context, device);
  if (status != CUDA_SUCCESS) {
    *why = Failure(*cuda, "the CUDA device cannot be used", status);
    return nullptr;
  }
  CUstream stream = nullptr;
  status = cuda->CtxSetCurrent(context);
  if (status == CUDA_SUCCESS) status = cuda->StreamCreate(&stream, 0);
  if (status != CUDA_SUCCESS) {
    cuda->DevicePrimaryCtxRelease(device);
    *why = Failure(*cuda, "the CUDA device's context cannot be used", status);
    return nullptr;
  }
  return std::make_unique<CudaDevice>(*cuda, device, context, stream);
}

}  // namespace devhost
