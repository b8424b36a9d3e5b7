// The shipped companion finds the GPU paths through the effect's loaders: PoCL, this machine's
// OpenCL device (natively and through Wine's opencl.dll), and the stand-in CUDA driver in a run
// of its own that puts it where the loader looks.
#include <gtest/gtest.h>

#include <algorithm>

#include "companion/settings_page.h"

namespace {

TEST(CompanionGpuPaths, OpenCLPlatformsAndDevicesThroughTheEffectsLoader) {
  const GpuPaths gpu = FindGpuPaths();
  ASSERT_TRUE(gpu.openclLibrary);
  ASSERT_TRUE(gpu.openclListed);
  const auto pocl = std::find_if(
      gpu.openclPlatforms.begin(), gpu.openclPlatforms.end(),
      [](const OpenCLPlatformEntry& p) { return p.name == "Portable Computing Language"; });
  ASSERT_NE(pocl, gpu.openclPlatforms.end());
  EXPECT_EQ(pocl->version.rfind("OpenCL ", 0), 0u) << pocl->version;
  ASSERT_FALSE(pocl->devices.empty());
  for (const OpenCLDeviceEntry& device : pocl->devices) {
    EXPECT_FALSE(device.name.empty());
    EXPECT_EQ(device.type, "CPU");
  }
}

TEST(CudaStandIn, CompanionListsTheDriversDevice) {
  const GpuPaths gpu = FindGpuPaths();
  ASSERT_TRUE(gpu.cudaDriver);
  EXPECT_EQ(gpu.cudaDevices, std::vector<std::string>{"CUDA stand-in on the CPU"});
  EXPECT_TRUE(HasGpuPath(gpu));
}

}  // namespace
