// The GPU paths through the effect's own loaders: what they load is what the effect would load.
#include <algorithm>

#include "companion/settings_page.h"
#include "gpu/loaders/cuda/cuda_api.h"
#include "gpu/loaders/opencl/opencl_api.h"

namespace {

constexpr cl_uint kMostListed = 16;

std::string PlatformText(const OpenCLApi& cl, cl_platform_id platform, cl_platform_info what) {
  char text[256] = {};
  cl.GetPlatformInfo(platform, what, sizeof(text) - 1, text, nullptr);
  return text;
}

OpenCLDeviceEntry Device(const OpenCLApi& cl, cl_device_id device) {
  OpenCLDeviceEntry entry;
  char name[256] = {};
  cl.GetDeviceInfo(device, CL_DEVICE_NAME, sizeof(name) - 1, name, nullptr);
  entry.name = name;
  cl_device_type type = 0;
  cl.GetDeviceInfo(device, CL_DEVICE_TYPE, sizeof(type), &type, nullptr);
  entry.type = (type & CL_DEVICE_TYPE_GPU)           ? "GPU"
               : (type & CL_DEVICE_TYPE_ACCELERATOR) ? "accelerator"
               : (type & CL_DEVICE_TYPE_CPU)         ? "CPU"
                                                     : "other";
  return entry;
}

void ListOpenCL(GpuPaths& paths) {
  const OpenCLApi* cl = OpenCL();
  paths.openclLibrary = cl != nullptr;
  if (cl == nullptr || !cl->GetPlatformIDs || !cl->GetPlatformInfo || !cl->GetDeviceIDs) return;
  paths.openclListed = true;
  cl_platform_id platforms[kMostListed];
  cl_uint count = 0;
  // No platform at all is an error for the loader: the same as an empty list here.
  if (cl->GetPlatformIDs(kMostListed, platforms, &count) != CL_SUCCESS) return;
  for (cl_uint p = 0; p < std::min(count, kMostListed); ++p) {
    OpenCLPlatformEntry platform;
    platform.name = PlatformText(*cl, platforms[p], CL_PLATFORM_NAME);
    platform.version = PlatformText(*cl, platforms[p], CL_PLATFORM_VERSION);
    cl_device_id devices[kMostListed];
    cl_uint found = 0;
    if (cl->GetDeviceIDs(platforms[p], CL_DEVICE_TYPE_ALL, kMostListed, devices, &found) ==
        CL_SUCCESS) {
      for (cl_uint d = 0; d < std::min(found, kMostListed); ++d) {
        platform.devices.push_back(Device(*cl, devices[d]));
      }
    }
    paths.openclPlatforms.push_back(platform);
  }
}

void ListCuda(GpuPaths& paths) {
  const CudaApi* cuda = CudaDriver();
  paths.cudaDriver = cuda != nullptr;
  if (cuda == nullptr) return;
  using DriverGetVersion = CUresult (*)(int*);
  if (const auto version =
          reinterpret_cast<DriverGetVersion>(CudaDriverExport("cuDriverGetVersion"))) {
    if (version(&paths.cudaVersion) != CUDA_SUCCESS) paths.cudaVersion = 0;
  }
  int count = 0;
  if (!cuda->Init || !cuda->DeviceGetCount || !cuda->DeviceGet || !cuda->DeviceGetName ||
      cuda->Init(0) != CUDA_SUCCESS || cuda->DeviceGetCount(&count) != CUDA_SUCCESS) {
    return;
  }
  for (int ordinal = 0; ordinal < count; ++ordinal) {
    CUdevice device = 0;
    char name[256] = {};
    if (cuda->DeviceGet(&device, ordinal) == CUDA_SUCCESS &&
        cuda->DeviceGetName(name, sizeof(name) - 1, device) == CUDA_SUCCESS) {
      paths.cudaDevices.push_back(name);
    }
  }
}

}  // namespace

GpuPaths FindGpuPaths() {
  GpuPaths paths;
  ListOpenCL(paths);
  ListCuda(paths);
  return paths;
}
