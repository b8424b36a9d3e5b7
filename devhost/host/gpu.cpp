#include "devhost/host/gpu.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "devhost/host/host_internal.h"
#include "gpu/loaders/opencl/opencl_api.h"

namespace devhost {

namespace {

class OpenCLDevice final : public GpuDevice {
 public:
  OpenCLDevice(const OpenCLApi& cl, cl_platform_id platform, cl_device_id device,
               cl_context context, cl_command_queue queue)
      : cl_(cl), platform_(platform), device_(device), context_(context), queue_(queue) {}
  ~OpenCLDevice() override {
    cl_.ReleaseCommandQueue(queue_);
    cl_.ReleaseContext(context_);
  }

  PF_GPU_Framework Framework() const override { return PF_GPU_Framework_OPENCL; }
  std::string Name() const override {
    char name[256] = {};
    cl_.GetDeviceInfo(device_, CL_DEVICE_NAME, sizeof(name) - 1, name, nullptr);
    return name;
  }
  void Describe(PF_GPUDeviceInfo* info) const override {
    *info = {};
    info->device_framework = PF_GPU_Framework_OPENCL;
    info->compatibleB = 1;
    info->platformPV = platform_;
    info->devicePV = device_;
    info->contextPV = context_;
    info->command_queuePV = queue_;
  }
  void* Allocate(size_t bytes) override {
    cl_int status = CL_SUCCESS;
    cl_mem mem = cl_.CreateBuffer(context_, CL_MEM_READ_WRITE, std::max<size_t>(bytes, 16), nullptr,
                                  &status);
    return status == CL_SUCCESS ? mem : nullptr;
  }
  void Free(void* memory) override { cl_.ReleaseMemObject(static_cast<cl_mem>(memory)); }
  bool Upload(void* memory, const void* data, size_t bytes) override {
    return bytes == 0 || cl_.EnqueueWriteBuffer(queue_, static_cast<cl_mem>(memory), CL_TRUE, 0,
                                                bytes, data, 0, nullptr, nullptr) == CL_SUCCESS;
  }
  bool Download(const void* memory, void* data, size_t bytes) override {
    if (cl_.Finish(queue_) != CL_SUCCESS) return false;
    return bytes == 0 ||
           cl_.EnqueueReadBuffer(queue_, static_cast<cl_mem>(const_cast<void*>(memory)), CL_TRUE, 0,
                                 bytes, data, 0, nullptr, nullptr) == CL_SUCCESS;
  }

 private:
  const OpenCLApi& cl_;
  cl_platform_id platform_;
  cl_device_id device_;
  cl_context context_;
  cl_command_queue queue_;
};

std::unique_ptr<GpuDevice> OpenOpenCLDevice(std::string* why) {
  const OpenCLApi* cl = OpenCL();
  if (cl == nullptr || !HasHostEntryPoints(*cl)) {
    *why = "no OpenCL library (the ICD loader) could be loaded";
    return nullptr;
  }
  cl_uint platforms = 0;
  cl_platform_id platform_ids[16];
  if (cl->GetPlatformIDs(16, platform_ids, &platforms) != CL_SUCCESS || platforms == 0) {
    *why = "no OpenCL platform is installed";
    return nullptr;
  }
  for (cl_uint i = 0; i < std::min<cl_uint>(platforms, 16); ++i) {
    cl_device_id device = nullptr;
    cl_uint devices = 0;
    if (cl->GetDeviceIDs(platform_ids[i], CL_DEVICE_TYPE_ALL, 1, &device, &devices) != CL_SUCCESS ||
        devices == 0) {
      continue;
    }
    const cl_context_properties props[] = {
        CL_CONTEXT_PLATFORM, reinterpret_cast<cl_context_properties>(platform_ids[i]), 0};
    cl_int status = CL_SUCCESS;
    cl_context context = cl->CreateContext(props, 1, &device, nullptr, nullptr, &status);
    if (status != CL_SUCCESS) continue;
    cl_command_queue queue = cl->CreateCommandQueue(context, device, 0, &status);
    if (status != CL_SUCCESS) {
      cl->ReleaseContext(context);
      continue;
    }
    return std::make_unique<OpenCLDevice>(*cl, platform_ids[i], device, context, queue);
  }
  *why = "no OpenCL platform offers a usable device";
  return nullptr;
}

class UnbackedDevice final : public GpuDevice {
 public:
  explicit UnbackedDevice(PF_GPU_Framework framework) : framework_(framework) {}
  PF_GPU_Framework Framework() const override { return framework_; }
  std::string Name() const override { return "unbacked device"; }
  void Describe(PF_GPUDeviceInfo* info) const override {
    *info = {};
    info->device_framework = framework_;
  }
  void* Allocate(size_t) override { return nullptr; }
  void Free(void*) override {}
  bool Upload(void*, const void*, size_t) override { return false; }
  bool Download(const void*, void*, size_t) override { return false; }

 private:
  PF_GPU_Framework framework_;
};

GpuSession& S() { return H().Gpu(); }

}  // namespace

std::string DeviceAccessName(A_u_long index) {
  return "exclusive access to GPU device " + std::to_string(index);
}

namespace {

PF_Err GetDeviceCount(PF_ProgPtr, A_u_long* count) {
  DEVHOST_INJECT("GetDeviceCount");
  if (count == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *count = S().device ? 1 : 0;
  return PF_Err_NONE;
}

PF_Err GetDeviceInfo(PF_ProgPtr, A_u_long index, PF_GPUDeviceInfo* info) {
  DEVHOST_INJECT("GetDeviceInfo");
  if (info == nullptr || index != 0 || !S().device) return PF_Err_BAD_CALLBACK_PARAM;
  S().device->Describe(info);
  return PF_Err_NONE;
}

PF_Err AcquireExclusiveDeviceAccess(PF_ProgPtr, A_u_long index) {
  DEVHOST_INJECT("AcquireExclusiveDeviceAccess");
  if (index != 0) return PF_Err_BAD_CALLBACK_PARAM;
  // Other render threads wait here until the access is released.
  S().exclusive->lock();
  Accounts().Take(Resource::ExclusiveAccess, DeviceAccessName(index));
  return PF_Err_NONE;
}

PF_Err ReleaseExclusiveDeviceAccess(PF_ProgPtr, A_u_long index) {
  // The access is given up even when the host then reports a failure; a release without an
  // acquire is only counted as misuse.
  if (index == 0 && Accounts().Outstanding(Resource::ExclusiveAccess, DeviceAccessName(index))) {
    S().exclusive->unlock();
  }
  Accounts().Return(Resource::ExclusiveAccess, DeviceAccessName(index));
  DEVHOST_INJECT("ReleaseExclusiveDeviceAccess");
  return index != 0 ? PF_Err_BAD_CALLBACK_PARAM : PF_Err_NONE;
}

PF_Err GetGPUWorldData(PF_ProgPtr, PF_EffectWorld* world, void** data) {
  ++S().world_data_calls;
  DEVHOST_INJECT("GetGPUWorldData");
  if (data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  for (GpuWorld* w : S().worlds) {
    if (w != nullptr && w->Get() == world) {
      *data = w->Memory();
      return PF_Err_NONE;
    }
  }
  return PF_Err_BAD_CALLBACK_PARAM;
}

PF_GPUDeviceSuite1 MakeSuite() {
  PF_GPUDeviceSuite1 s{};
  s.GetDeviceCount = GetDeviceCount;
  s.GetDeviceInfo = GetDeviceInfo;
  s.AcquireExclusiveDeviceAccess = AcquireExclusiveDeviceAccess;
  s.ReleaseExclusiveDeviceAccess = ReleaseExclusiveDeviceAccess;
  s.GetGPUWorldData = GetGPUWorldData;
  return s;
}

double Unit(Depth depth) {
  switch (depth) {
    case Depth::U8:
      return 255.0;
    case Depth::U16:
      return 32768.0;
    default:
      return 1.0;
  }
}

}  // namespace

const PF_GPUDeviceSuite1 kGpuDeviceSuite = MakeSuite();

std::unique_ptr<GpuDevice> GpuDevice::Open(GpuChoice choice, std::string* why) {
  switch (choice) {
    case GpuChoice::OpenCL:
      return OpenOpenCLDevice(why);
    case GpuChoice::Cuda:
      return OpenCudaDevice(why);
    default:
      *why = "no GPU framework was chosen";
      return nullptr;
  }
}

std::unique_ptr<GpuDevice> MakeUnbackedDevice(PF_GPU_Framework framework) {
  return std::make_unique<UnbackedDevice>(framework);
}

GpuWorld::GpuWorld(GpuDevice& device, World& world) : device_(device), world_(world) {
  const PF_EffectWorld* w = world.Get();
  memory_ = device.Allocate(static_cast<size_t>(w->rowbytes) * w->height);
}

GpuWorld::~GpuWorld() {
  if (memory_ != nullptr) device_.Free(memory_);
}

PF_EffectWorld* GpuWorld::Get() const { return world_.Get(); }

bool GpuWorld::Upload() {
  const PF_EffectWorld* w = world_.Get();
  return device_.Upload(memory_, world_.Bytes(), static_cast<size_t>(w->rowbytes) * w->height);
}

bool GpuWorld::Download() {
  const PF_EffectWorld* w = world_.Get();
  return device_.Download(memory_, world_.Bytes(), static_cast<size_t>(w->rowbytes) * w->height);
}

Image ToFloat(const Image& image) {
  if (image.depth == Depth::F32) return image;
  Image out(image.width, image.height, Depth::F32);
  const double unit = Unit(image.depth);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      for (int c = 0; c < 4; ++c) out.Set(x, y, c, static_cast<float>(image.Get(x, y, c) / unit));
    }
  }
  return out;
}

Image FromFloat(const Image& image, Depth depth) {
  if (depth == Depth::F32) return image;
  Image out(image.width, image.height, depth);
  const double unit = Unit(depth);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      for (int c = 0; c < 4; ++c) {
        out.Set(x, y, c, std::round(std::clamp(image.Get(x, y, c), 0.0, 1.0) * unit));
      }
    }
  }
  return out;
}

}  // namespace devhost
