// Run only where a GPU framework's library cannot be loaded (under Wine with opencl.dll or
// nvcuda.dll disabled; natively, on a machine without the CUDA driver): the effect declines that
// framework's device and the host renders on the CPU.
#include <gtest/gtest.h>

#include <cstring>

#include "devhost/host/host.h"
#include "gpu/loaders/cuda/cuda_api.h"
#include "gpu/loaders/opencl/opencl_api.h"
#include "tests/support/images.h"
#include "tests/support/loaded_module.h"

namespace {

void ExpectDeclinedAndRenderedOnTheCpu(devhost::GpuChoice choice, PF_GPU_Framework framework) {
  ASSERT_NE(Effect(), nullptr);  // the module loaded all the same
  const devhost::Image layer = support::Pattern(6, 5, devhost::Depth::F32, true);
  devhost::Host cpu(Effect(), devhost::HostApp::AfterEffects);
  cpu.params = {3, 3, 1.5, true, 1};
  const devhost::RenderResult expected = cpu.RenderSmart(layer);
  ASSERT_EQ(expected.err, PF_Err_NONE);

  devhost::Host host(Effect(), devhost::HostApp::AfterEffects);
  host.params = cpu.params;
  host.gpu = choice;
  host.Gpu().device = devhost::MakeUnbackedDevice(framework);
  const devhost::RenderResult r = host.RenderSmart(layer);
  EXPECT_TRUE(host.Gpu().set_up);
  EXPECT_EQ(host.Gpu().setup_err, PF_Err_NONE);
  EXPECT_FALSE(host.Gpu().accepted);
  EXPECT_EQ(host.Gpu().gpu_data, nullptr);
  EXPECT_EQ(host.out_data.out_flags2, 0);
  ASSERT_EQ(r.err, PF_Err_NONE);
  EXPECT_FALSE(r.on_gpu);
  ASSERT_EQ(r.image.bytes.size(), expected.image.bytes.size());
  EXPECT_EQ(std::memcmp(r.image.bytes.data(), expected.image.bytes.data(), r.image.bytes.size()),
            0);
}

TEST(WithoutOpenCL, TheDeviceIsDeclinedAndFramesRenderOnTheCpu) {
  ASSERT_EQ(OpenCL(), nullptr) << "this test needs a process without an OpenCL library";
  ExpectDeclinedAndRenderedOnTheCpu(devhost::GpuChoice::OpenCL, PF_GPU_Framework_OPENCL);
}

TEST(WithoutCuda, TheDeviceIsDeclinedAndFramesRenderOnTheCpu) {
#if !defined(_WIN32)
  // Natively the driver cannot be kept from a process; Wine's nvcuda=d always can.
  if (CudaDriver() != nullptr) GTEST_SKIP() << "this machine has a CUDA driver";
#endif
  ASSERT_EQ(CudaDriver(), nullptr) << "this test needs a process without a CUDA driver library";
  ExpectDeclinedAndRenderedOnTheCpu(devhost::GpuChoice::Cuda, PF_GPU_Framework_CUDA);
}

}  // namespace
