// GPU device set-up, set-down and SMART_RENDER_GPU through devhost, on the machine's OpenCL
// device (PoCL here) and on the process's CUDA device (a GPU, or the stand-in driver).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "devhost/host/host.h"
#include "frame/commands/dispatch.h"
#include "gpu/opencl_program.h"
#include "cuda_device.h"
#include "opencl_device.h"
#include "tests/support/images.h"
#include "tests/support/loaded_module.h"

using devhost::Depth;
using devhost::GpuChoice;
using devhost::Host;
using devhost::HostApp;
using devhost::Image;
using devhost::Resource;

namespace {

// The command table of this test program's own copy of the code, where the kernel text can be
// swapped; everything else drives the module as a host loads it.
PF_Err CoreEffect(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, void* extra) {
  try {
    return Dispatch(cmd, in_data, out_data, params, output, extra);
  } catch (PF_Err err) {
    return err;
  }
}

// Opaque and transparent pixels with distinct float colours.
Image Layer(int w, int h) { return support::Pattern(w, h, Depth::F32, true); }

// Where the first difference between two frames lies, or "" when they are equal byte for byte.
std::string FirstDifference(const Image& gpu, const Image& cpu) {
  if (gpu.width != cpu.width || gpu.height != cpu.height) return "the sizes differ";
  for (int y = 0; y < gpu.height; ++y) {
    for (int x = 0; x < gpu.width; ++x) {
      if (std::memcmp(gpu.Pixel(x, y), cpu.Pixel(x, y), gpu.PixelBytes()) != 0) {
        return "pixel " + std::to_string(x) + "," + std::to_string(y) + " differs";
      }
    }
  }
  return "";
}

// Where the first colour more than float rounding away lies, or "".
std::string FirstFarColour(const Image& gpu, const Image& cpu) {
  if (gpu.width != cpu.width || gpu.height != cpu.height) return "the sizes differ";
  for (int y = 0; y < gpu.height; ++y) {
    for (int x = 0; x < gpu.width; ++x) {
      for (int c = 0; c < 4; ++c) {
        if (std::fabs(gpu.Get(x, y, c) - cpu.Get(x, y, c)) > 2e-5) {
          return "pixel " + std::to_string(x) + "," + std::to_string(y) + " channel " +
                 std::to_string(c) + ": " + std::to_string(gpu.Get(x, y, c)) + " on the GPU, " +
                 std::to_string(cpu.Get(x, y, c)) + " on the CPU";
        }
      }
    }
  }
  return "";
}

// One picture through the GPU and through the CPU.
struct FrameCase {
  int width, height;
  double scale;
  int shape;                                 // 1 Point, 2 Square
  std::optional<double> anchor_x, anchor_y;  // unset: the layer's centre
};

// Whole scales put many source positions exactly on block edges, fractional ones just beside
// them; the GPU must pick the CPU's source pixel and block edges for every output pixel, so
// Nearest is equal byte for byte at every depth, and the blends, at a steep edge blur too, are
// equal up to float rounding.
void ExpectFramesEqualTheCpuFrames(GpuChoice choice) {
  std::vector<FrameCase> cases;
  for (const auto& [w, h] : {std::pair{31, 17}, std::pair{32, 8}}) {
    for (double scale : {2.0, 3.0, 10.0, 20.0, 2.5, 3.3, 7.25}) {
      for (int shape : {1, 2}) {
        cases.push_back({w, h, scale, shape, std::nullopt, std::nullopt});
        cases.push_back({w, h, scale, shape, 4.3, h - 2.6});
      }
    }
  }
  // interpolation, edge blur, depths compared
  struct Sampling {
    int interpolation;
    double edge_blur;
    bool exact;
  };
  const Sampling samplings[] = {{1, 1, true}, {2, 1, false}, {3, 1, false}, {3, 0.05, false}};

  Host cpu(Effect(), HostApp::AfterEffects);
  Host gpu(Effect(), HostApp::AfterEffects);
  gpu.gpu = choice;
  gpu.row_padding_bytes = 40;  // pitches in pixels, not widths
  for (const FrameCase& c : cases) {
    for (const Sampling& s : samplings) {
      for (Depth depth : {Depth::U8, Depth::U16, Depth::F32}) {
        if (!s.exact && depth != Depth::F32) continue;  // the CPU truncates, the host rounds
        const std::string what =
            std::to_string(c.width) + "x" + std::to_string(c.height) + " x" +
            std::to_string(c.scale) + " shape " + std::to_string(c.shape) + " anchor " +
            (c.anchor_x ? std::to_string(*c.anchor_x) + "," + std::to_string(*c.anchor_y)
                        : "centre") +
            " interpolation " + std::to_string(s.interpolation) + " blur " +
            std::to_string(s.edge_blur) + " depth " + std::to_string(static_cast<int>(depth));
        const Image layer = support::Pattern(c.width, c.height, depth, true);
        for (Host* h : {&cpu, &gpu}) {
          h->params = {c.scale, s.interpolation, s.edge_blur, h == &gpu, c.shape};
          h->anchor_x = c.anchor_x;
          h->anchor_y = c.anchor_y;
        }
        const devhost::RenderResult expected = cpu.RenderSmart(layer);
        ASSERT_EQ(expected.err, PF_Err_NONE) << what;
        ASSERT_FALSE(expected.on_gpu);
        const devhost::RenderResult r = gpu.RenderSmart(layer);
        ASSERT_EQ(r.err, PF_Err_NONE) << what << ": " << r.host_error;
        ASSERT_TRUE(r.on_gpu) << what;
        EXPECT_TRUE(r.padding_intact) << what;
        EXPECT_EQ(gpu.LastCounts().Taken(Resource::ExclusiveAccess), 1);
        EXPECT_EQ(s.exact ? FirstDifference(r.image, expected.image)
                          : FirstFarColour(r.image, expected.image),
                  "")
            << what;
      }
    }
  }
  EXPECT_TRUE(gpu.Gpu().accepted);
  EXPECT_EQ(gpu.out_data.out_flags2, PF_OutFlag2_SUPPORTS_GPU_RENDER_F32);
  EXPECT_EQ(gpu.EndGpu(), PF_Err_NONE);
}

TEST(GpuRender, OpenCLFramesEqualTheCpuFrames) {
  ASSERT_OPENCL_DEVICE(OpenCLTestDevice());
  ExpectFramesEqualTheCpuFrames(GpuChoice::OpenCL);
}

TEST(CudaRender, FramesEqualTheCpuFrames) {
  SKIP_WITHOUT_CUDA_DEVICE(CudaTestDevice());
  ExpectFramesEqualTheCpuFrames(GpuChoice::Cuda);
}

TEST(GpuRender, AFrameNotAnnouncedForTheGpuStaysOnTheCpu) {
  ASSERT_OPENCL_DEVICE(OpenCLTestDevice());
  Host host(Effect(), HostApp::AfterEffects);
  host.params = {3, 1, 1, false, 1};
  host.gpu = GpuChoice::OpenCL;
  const devhost::RenderResult r = host.RenderSmart(Layer(5, 5));
  EXPECT_EQ(r.err, PF_Err_NONE);
  EXPECT_TRUE(host.Gpu().accepted);
  EXPECT_FALSE(r.on_gpu);
  EXPECT_EQ(host.LastCounts().Taken(Resource::ExclusiveAccess), 0);
}

TEST(GpuDeviceSetup, BuildsTheProgramIntoA24ByteHandle) {
  ASSERT_OPENCL_DEVICE(OpenCLTestDevice());
  Host host(Effect(), HostApp::AfterEffects);
  host.params = {2, 1, 1, true, 1};
  host.gpu = GpuChoice::OpenCL;
  ASSERT_EQ(host.RenderSmart(Layer(3, 3)).err, PF_Err_NONE);
  const auto handle = static_cast<PF_Handle>(host.Gpu().gpu_data);
  ASSERT_NE(handle, nullptr);
  const auto* record = static_cast<const OpenCLDeviceData*>(*handle);
  ASSERT_NE(record->program, nullptr);
  EXPECT_NE(record->scale_kernel, nullptr);
  EXPECT_NE(record->donkey_ears, nullptr);

  // The device's half width chooses the prefix of the program text.
  TestDevice& d = OpenCLTestDevice();
  cl_uint half_width = 0;
  OpenCL()->GetDeviceInfo(static_cast<cl_device_id>(d.info.devicePV),
                          CL_DEVICE_NATIVE_VECTOR_WIDTH_HALF, sizeof(half_width), &half_width,
                          nullptr);
  size_t size = 0;
  ASSERT_EQ(OpenCL()->GetProgramInfo(record->program, CL_PROGRAM_SOURCE, 0, nullptr, &size),
            CL_SUCCESS);
  std::string source(size, '\0');
  OpenCL()->GetProgramInfo(record->program, CL_PROGRAM_SOURCE, size, source.data(), nullptr);
  const std::string prefix =
      half_width == 0
          ? "#define GF_OPENCL_SUPPORTS_16F 0\n"
          : "#pragma OPENCL_EXTENSION cl_khr_fp16 : enable\n#define GF_OPENCL_SUPPORTS_16F 1\n";
  EXPECT_EQ(source.rfind(prefix, 0), 0u) << source.substr(0, 80);
  EXPECT_EQ(host.EndGpu(), PF_Err_NONE);
}

TEST(GpuDeviceSetup, AKernelTextThatFailsToBuildDeclaresNothing) {
  ASSERT_OPENCL_DEVICE(OpenCLTestDevice());
  SetOpenCLKernelTextForTesting(
      "__kernel void ScaleKernel(__global float4* d) { d[0] = undeclared; }\n");
  Host host(&CoreEffect, HostApp::AfterEffects);
  host.params = {2, 1, 1, true, 1};
  host.gpu = GpuChoice::OpenCL;
  testing::internal::CaptureStderr();
  const devhost::RenderResult r = host.RenderSmart(Layer(3, 3));
  const std::string messages = testing::internal::GetCapturedStderr();
  SetOpenCLKernelTextForTesting("");

  EXPECT_EQ(host.Gpu().setup_err, PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_FALSE(host.Gpu().accepted);
  EXPECT_EQ(host.Gpu().gpu_data, nullptr);
  EXPECT_EQ(host.out_data.out_flags2, 0);
  // The device compiler may add lines of its own.
  EXPECT_NE(messages.find("OpenCL error: -11 CL_BUILD_PROGRAM_FAILURE\nBuild log:\n"),
            std::string::npos)
      << messages;
  EXPECT_NE(messages.find("undeclared"), std::string::npos)
      << "the log names the fault: " << messages;
  // The host renders the frame on the CPU instead.
  EXPECT_EQ(r.err, PF_Err_NONE);
  EXPECT_FALSE(r.on_gpu);
}

TEST(GpuDeviceSetup, AFailingDeviceQueryIsReturnedAndDeclaresNothing) {
  Host host(Effect(), HostApp::AfterEffects);
  host.Gpu().device = devhost::MakeUnbackedDevice(PF_GPU_Framework_OPENCL);
  host.params = {2, 1, 1, true, 1};
  host.gpu = GpuChoice::OpenCL;
  host.FailCallback("GetDeviceInfo", PF_Err_OUT_OF_MEMORY);
  const devhost::RenderResult r = host.RenderSmart(Layer(3, 3));
  EXPECT_EQ(host.Gpu().setup_err, PF_Err_OUT_OF_MEMORY);
  EXPECT_FALSE(host.Gpu().accepted);
  EXPECT_EQ(host.Gpu().gpu_data, nullptr);
  EXPECT_FALSE(r.on_gpu);
}

TEST(GpuDeviceSetdown, WithoutARecordAcquiresNothing) {
  Host host(Effect(), HostApp::AfterEffects);
  int record = 0;
  for (const PF_GPUDeviceSetdownInput& in :
       {PF_GPUDeviceSetdownInput{nullptr, PF_GPU_Framework_CUDA, 0},
        PF_GPUDeviceSetdownInput{nullptr, PF_GPU_Framework_OPENCL, 0},
        PF_GPUDeviceSetdownInput{&record, PF_GPU_Framework_METAL, 0}}) {
    PF_GPUDeviceSetdownInput input = in;
    PF_GPUDeviceSetdownExtra extra{&input};
    host.calls.clear();
    EXPECT_EQ(host.Send(PF_Cmd_GPU_DEVICE_SETDOWN, nullptr, nullptr, &extra), PF_Err_NONE);
    EXPECT_TRUE(host.calls.empty()) << host.calls.front();
  }
}

TEST(GpuDeviceSetup, AMissingSuiteRaises13) {
  Host host(Effect(), HostApp::AfterEffects);
  host.Gpu().device = devhost::MakeUnbackedDevice(PF_GPU_Framework_OPENCL);
  host.RefuseSuite(kPFGPUDeviceSuite);
  PF_GPUDeviceSetupInput input{PF_GPU_Framework_OPENCL, 0};
  PF_GPUDeviceSetupOutput output{nullptr};
  PF_GPUDeviceSetupExtra extra{&input, &output};
  EXPECT_EQ(host.Send(PF_Cmd_GPU_DEVICE_SETUP, nullptr, nullptr, &extra), A_Err_MISSING_SUITE);
  EXPECT_EQ(std::string(host.out_data.return_msg), "Not able to acquire AEFX Suite.");
  EXPECT_EQ(output.gpu_data, nullptr);
}

// Each failing suite call is returned as it came, the first one wins, nothing is launched after
// it, and exclusive access is released whenever it was acquired.
TEST(GpuRender, SuiteFailuresKeepExclusiveAccessBalanced) {
  ASSERT_OPENCL_DEVICE(OpenCLTestDevice());
  struct Case {
    std::vector<std::string> failing;
    PF_Err expected;
    int acquisitions;
  };
  const Case cases[] = {
      {{"GetDeviceInfo"}, PF_Err_OUT_OF_MEMORY, 0},
      {{"AcquireExclusiveDeviceAccess"}, PF_Err_OUT_OF_MEMORY, 0},
      {{"GetGPUWorldData"}, PF_Err_OUT_OF_MEMORY, 1},
      {{"ReleaseExclusiveDeviceAccess"}, PF_Err_OUT_OF_MEMORY, 1},
      {{"GetGPUWorldData", "ReleaseExclusiveDeviceAccess"}, PF_Err_OUT_OF_MEMORY, 1},
  };
  for (const Case& c : cases) {
    Host host(Effect(), HostApp::AfterEffects);
    host.params = {2, 1, 1, true, 1};
    host.gpu = GpuChoice::OpenCL;
    host.output_prefill = PF_Pixel{255, 1, 2, 3};
    ASSERT_EQ(host.RenderSmart(Layer(4, 4)).err, PF_Err_NONE);  // sets the device up
    PF_Err code = PF_Err_OUT_OF_MEMORY;
    for (const std::string& name : c.failing) host.FailCallback(name, code++);
    const devhost::RenderResult r = host.RenderSmart(Layer(4, 4));
    EXPECT_EQ(r.err, c.expected) << c.failing.front();
    EXPECT_TRUE(r.on_gpu);
    EXPECT_EQ(host.LastCounts().Taken(Resource::ExclusiveAccess), c.acquisitions)
        << c.failing.front();
    if (c.failing.front() != "ReleaseExclusiveDeviceAccess") {
      // Nothing was launched: the output is as the host left it.
      EXPECT_EQ(r.image.Get(0, 0, 3), 1.0) << c.failing.front();
      EXPECT_NEAR(r.image.Get(0, 0, 0), 1.0 / 255, 1e-6) << c.failing.front();
    }
  }
}

TEST(GpuRender, AForeignPixelFormatIs514AndTouchesNoDevice) {
  ASSERT_OPENCL_DEVICE(OpenCLTestDevice());
  Host host(Effect(), HostApp::AfterEffects);
  host.params = {2, 1, 1, true, 1};
  host.gpu = GpuChoice::OpenCL;
  host.output_format_override = PF_PixelFormat_ARGB128;
  const devhost::RenderResult r = host.RenderSmart(Layer(4, 4));
  EXPECT_TRUE(r.on_gpu);
  EXPECT_EQ(r.err, PF_Err_UNRECOGNIZED_PARAM_TYPE);
  EXPECT_EQ(host.LastCounts().Taken(Resource::ExclusiveAccess), 0);
  EXPECT_EQ(host.Gpu().world_data_calls, 0);
}

}  // namespace
