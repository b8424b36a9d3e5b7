#include "devhost/gpu.h"

namespace devhost {

std::unique_ptr<GpuDevice> OpenCudaDevice(std::string* why) {
  *why = "this build has no CUDA";
  return nullptr;
}

}  // namespace devhost
