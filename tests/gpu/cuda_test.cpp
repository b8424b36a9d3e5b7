// The CUDA path on the stand-in driver, whose record shows what the effect asked of the driver
// and which can make any entry point fail: the module's lifetime, the launch's grid and stream,
// and every failure between loading the module and waiting for the frame. Run only with the
// stand-in as the process's driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "cuda_device.h"
#include "devhost/cuda_standin/cuda_standin.h"
#include "devhost/host/host.h"
#include "gpu/gpu_render.h"
#include "tests/support/images.h"
#include "tests/support/loaded_module.h"

using devhost::GpuChoice;
using devhost::Host;
using devhost::HostApp;
using devhost::Image;

namespace {

struct StandIn {
  TgCudaStandInRecordFn record = nullptr;
  TgCudaStandInFailNextFn fail_next = nullptr;
};

StandIn StandInDriver() {
  return {reinterpret_cast<TgCudaStandInRecordFn>(CudaDriverExport("tgCudaStandInRecord")),
          reinterpret_cast<TgCudaStandInFailNextFn>(CudaDriverExport("tgCudaStandInFailNext"))};
}

#define ASSERT_STAND_IN(s) \
  ASSERT_TRUE((s).record && (s).fail_next) << "the process's CUDA driver is not the stand-in"

Image Layer(int w, int h) { return support::Pattern(w, h, devhost::Depth::F32); }

TEST(CudaStandIn, SetUpLoadsTheModuleIntoTheHostsContextAndSetDownUnloadsIt) {
  const StandIn s = StandInDriver();
  ASSERT_STAND_IN(s);
  const int modules = s.record().modules;
  Host host(Effect(), HostApp::AfterEffects);
  host.params = {2, 1, 1, true, 1};
  host.gpu = GpuChoice::Cuda;
  const devhost::RenderResult r = host.RenderSmart(Layer(9, 17));
  ASSERT_EQ(r.err, PF_Err_NONE) << r.host_error;
  ASSERT_TRUE(r.on_gpu);
  EXPECT_EQ(host.out_data.out_flags2, PF_OutFlag2_SUPPORTS_GPU_RENDER_F32);
  const auto handle = static_cast<PF_Handle>(host.Gpu().gpu_data);
  ASSERT_NE(handle, nullptr);
  const auto& record = *static_cast<const CudaDeviceData*>(*handle);
  EXPECT_NE(record.module, nullptr);
  EXPECT_NE(record.scale_kernel, nullptr);
  EXPECT_NE(record.donkey_ears, nullptr);
  EXPECT_NE(record.scale_kernel, record.donkey_ears);

  // One module, in the host's context; the frame went to the host's stream in 16 x 16 blocks.
  PF_GPUDeviceInfo info{};
  host.Gpu().device->Describe(&info);
  TgCudaStandInRecord seen = s.record();
  EXPECT_EQ(seen.modules, modules + 1);
  EXPECT_EQ(seen.module_context, info.contextPV);
  EXPECT_EQ(seen.stream, info.command_queuePV);
  const unsigned grid[3] = {(r.image.width + 15u) / 16u, (r.image.height + 15u) / 16u, 1};
  const unsigned block[3] = {16, 16, 1};
  EXPECT_TRUE(std::equal(grid, grid + 3, seen.grid)) << seen.grid[0] << " x " << seen.grid[1];
  EXPECT_TRUE(std::equal(block, block + 3, seen.block));

  EXPECT_EQ(host.EndGpu(), PF_Err_NONE);
  EXPECT_EQ(s.record().modules, modules);
}

// The launch returns with the frame complete: nothing is left pending on the stream it used,
// the host's or the default one, and its position table is freed.
TEST(CudaStandIn, TheLaunchWaitsForTheStreamItUsed) {
  const StandIn s = StandInDriver();
  ASSERT_STAND_IN(s);
  SKIP_WITHOUT_CUDA_DEVICE(CudaTestDevice());
  TestCudaDevice& d = CudaTestDevice();
  ScaleParams p = {1, 17, 0, 17, 33, 1, 1, 17.0f, SCALE_NEAREST_NEIGHBOR, 0.0f, 0.0f, 0.0f, 1};
  void* src = d.device->Allocate(16);
  void* dst = d.device->Allocate(17 * 33 * 16);
  const int blocks = s.record().blocks;
  for (CUstream stream : {static_cast<CUstream>(d.info.command_queuePV), CUstream{}}) {
    EXPECT_EQ(
        LaunchCudaScaleKernel(*CudaDriver(), stream, d.module, reinterpret_cast<CUdeviceptr>(src),
                              reinterpret_cast<CUdeviceptr>(dst), p),
        PF_Err_NONE);
    const TgCudaStandInRecord seen = s.record();
    EXPECT_EQ(seen.stream, stream);
    EXPECT_EQ(seen.pending, 0);
    EXPECT_EQ(seen.blocks, blocks);
    EXPECT_EQ(seen.grid[0], 2u);
    EXPECT_EQ(seen.grid[1], 3u);
  }
  d.device->Free(src);
  d.device->Free(dst);
}

// A device whose module cannot be loaded or whose kernels cannot be found is declined, with the
// driver's word on standard error, and the host renders the frame on the CPU.
TEST(CudaStandIn, ADeviceWhoseKernelsDoNotLoadIsDeclined) {
  const StandIn s = StandInDriver();
  ASSERT_STAND_IN(s);
  struct Case {
    bool in_driver;  // else a host callback
    const char* failing;
    int code;
    PF_Err setup_err;
    std::string messages;
  };
  const Case cases[] = {
      {false, "GetDeviceInfo", PF_Err_OUT_OF_MEMORY, PF_Err_OUT_OF_MEMORY, ""},
      {true, "cuModuleLoadDataEx", 218, PF_Err_INTERNAL_STRUCT_DAMAGED,
       "CUDA error: 218 a PTX JIT compilation failed\nJIT log:\nstand-in: told to fail\n"},
      {true, "cuModuleGetFunction", 500, PF_Err_INTERNAL_STRUCT_DAMAGED,
       "CUDA error: 500 named symbol not found\n"},
  };
  for (const Case& c : cases) {
    const int modules = s.record().modules;
    Host host(Effect(), HostApp::AfterEffects);
    host.params = {3, 2, 1, true, 1};
    host.gpu = GpuChoice::Cuda;
    if (c.in_driver) {
      s.fail_next(c.failing, c.code);
    } else {
      host.FailCallback(c.failing, c.code);
    }
    testing::internal::CaptureStderr();
    const devhost::RenderResult r = host.RenderSmart(Layer(5, 4));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.messages) << c.failing;
    EXPECT_EQ(host.Gpu().setup_err, c.setup_err) << c.failing;
    EXPECT_FALSE(host.Gpu().accepted) << c.failing;
    EXPECT_EQ(host.Gpu().gpu_data, nullptr) << c.failing;
    EXPECT_EQ(host.out_data.out_flags2, 0) << c.failing;
    EXPECT_EQ(s.record().modules, modules) << c.failing << ": a module loaded and never unloaded";
    EXPECT_EQ(r.err, PF_Err_NONE) << c.failing;
    EXPECT_FALSE(r.on_gpu) << c.failing;
  }
}

// A render whose position table cannot be put on the device, a launch the driver refuses and a
// kernel that faults while the render waits all give 512, keep the host's exclusive access
// balanced and leave no device memory of the render's behind.
TEST(CudaStandIn, LaunchAndWaitFailuresAre512) {
  const StandIn s = StandInDriver();
  ASSERT_STAND_IN(s);
  struct Case {
    const char* failing;
    int code;
    std::string messages;
  };
  const Case cases[] = {
      {"cuMemcpyHtoDAsync_v2", 1, "CUDA error: 1 invalid argument\n"},
      {"cuLaunchKernel", 719, "CUDA error: 719 unspecified launch failure\n"},
      {"cuStreamSynchronize", 700, "CUDA error: 700 an illegal memory access was encountered\n"},
  };
  for (const Case& c : cases) {
    Host host(Effect(), HostApp::AfterEffects);
    host.params = {2, 1, 1, true, 1};
    host.gpu = GpuChoice::Cuda;
    host.output_prefill = PF_Pixel{255, 1, 2, 3};
    ASSERT_EQ(host.RenderSmart(Layer(4, 4)).err, PF_Err_NONE);  // sets the device up
    const int blocks = s.record().blocks;
    s.fail_next(c.failing, c.code);
    testing::internal::CaptureStderr();
    const devhost::RenderResult r = host.RenderSmart(Layer(4, 4));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.messages) << c.failing;
    EXPECT_TRUE(r.on_gpu);
    EXPECT_EQ(r.err, PF_Err_INTERNAL_STRUCT_DAMAGED) << c.failing;
    EXPECT_EQ(s.record().pending, 0) << c.failing;
    EXPECT_EQ(s.record().blocks, blocks) << c.failing;
  }
}

// Without device memory for its position table the render launches nothing.
TEST(CudaStandIn, NoMemoryForThePositionsIs512) {
  const StandIn s = StandInDriver();
  ASSERT_STAND_IN(s);
  SKIP_WITHOUT_CUDA_DEVICE(CudaTestDevice());
  TestCudaDevice& d = CudaTestDevice();
  // 37 blocks across, a grid no other test launches.
  const ScaleParams p = {1,    592,  0,    592, 1, 1, 1, 4.0f, SCALE_NEAREST_NEIGHBOR,
                         0.0f, 0.0f, 0.0f, 1};
  const auto mem = reinterpret_cast<CUdeviceptr>(d.device->Allocate(592 * 16));
  const int blocks = s.record().blocks;
  s.fail_next("cuMemAlloc_v2", 2);
  testing::internal::CaptureStderr();
  EXPECT_EQ(LaunchCudaScaleKernel(*CudaDriver(), static_cast<CUstream>(d.info.command_queuePV),
                                  d.module, mem, mem, p),
            PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "CUDA error: 2 out of memory\n");
  EXPECT_EQ(s.record().blocks, blocks);
  EXPECT_NE(s.record().grid[0], 37u) << "launched all the same";
  d.device->Free(reinterpret_cast<void*>(mem));
}

TEST(CudaStandIn, ASetdownThatCannotUnloadIs512) {
  const StandIn s = StandInDriver();
  ASSERT_STAND_IN(s);
  Host host(Effect(), HostApp::AfterEffects);
  host.params = {2, 1, 1, true, 1};
  host.gpu = GpuChoice::Cuda;
  ASSERT_EQ(host.RenderSmart(Layer(4, 4)).err, PF_Err_NONE);
  ASSERT_TRUE(host.Gpu().accepted);
  s.fail_next("cuModuleUnload", 400);
  testing::internal::CaptureStderr();
  EXPECT_EQ(host.EndGpu(), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "CUDA error: 400 invalid resource handle\n");
}

}  // namespace
