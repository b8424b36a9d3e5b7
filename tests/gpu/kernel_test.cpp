// ScaleKernel built (OpenCL) or loaded (CUDA) by the effect's own code and launched by its own
// launches, on the machine's OpenCL device and on the process's CUDA device (a GPU, or the
// stand-in driver running the kernel source on the CPU), against the CPU samplers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "cuda_device.h"
#include "engine/core/samplers.h"
#include "gpu/gpu_render.h"
#include "gpu/kernels/kernel_text.h"
#include "opencl_device.h"

namespace {

constexpr float kSentinel = -7.0f;  // what the host left in the destination

struct Pixel {
  float c[4];  // x, y, z, w: blue, green, red, alpha
};

struct Job {
  ScaleParams p{};
  std::vector<Pixel> src;  // src_pitch * src_height
};

size_t RoundUp16(uint32_t v) { return (v + 15u) / 16u * 16u; }

// A test device and the effect's launch of ScaleKernel on it.
struct Runner {
  devhost::GpuDevice& device;
  std::function<PF_Err(void* src, void* dst, const ScaleParams& p)> launch;
};

Runner OpenCLRunner() {
  TestDevice& d = OpenCLTestDevice();
  return {*d.device, [&d](void* src, void* dst, const ScaleParams& p) {
            return LaunchOpenCLScaleKernel(
                *OpenCL(), static_cast<cl_command_queue>(d.info.command_queuePV), d.program,
                static_cast<cl_mem>(src), static_cast<cl_mem>(dst), p);
          }};
}

Runner CudaRunner() {
  TestCudaDevice& d = CudaTestDevice();
  return {*d.device, [&d](void* src, void* dst, const ScaleParams& p) {
            return LaunchCudaScaleKernel(
                *CudaDriver(), static_cast<CUstream>(d.info.command_queuePV), d.module,
                reinterpret_cast<CUdeviceptr>(src), reinterpret_cast<CUdeviceptr>(dst), p);
          }};
}

// Runs the kernel; returns the whole destination buffer, dst_pitch by the launch's rounded height.
std::vector<Pixel> RunKernel(const Runner& r, const Job& job) {
  const ScaleParams& p = job.p;
  std::vector<Pixel> dst(static_cast<size_t>(p.dst_pitch) * RoundUp16(p.dst_height),
                         Pixel{{kSentinel, kSentinel, kSentinel, kSentinel}});
  void* src_mem = r.device.Allocate(job.src.size() * sizeof(Pixel));
  void* dst_mem = r.device.Allocate(dst.size() * sizeof(Pixel));
  EXPECT_TRUE(src_mem && dst_mem);
  EXPECT_TRUE(r.device.Upload(src_mem, job.src.data(), job.src.size() * sizeof(Pixel)));
  EXPECT_TRUE(r.device.Upload(dst_mem, dst.data(), dst.size() * sizeof(Pixel)));
  EXPECT_EQ(r.launch(src_mem, dst_mem, p), PF_Err_NONE);
  EXPECT_TRUE(r.device.Download(dst_mem, dst.data(), dst.size() * sizeof(Pixel)));
  r.device.Free(src_mem);
  r.device.Free(dst_mem);
  return dst;
}

std::vector<Pixel> CpuReference(const Job& job) {
  std::vector<Pixel> dst(static_cast<size_t>(job.p.dst_pitch) * job.p.dst_height);
  // The float BGRA layout is the GPU one: alpha last.
  RunSampler(PixelLayout::BGRAFloat, job.src.data(), dst.data(), job.p);
  return dst;
}

bool NearestSampled(const ScaleParams& p) {
  return p.type == SCALE_NEAREST_NEIGHBOR ||
         (p.type == SCALE_NEAREST_NEIGHBOR_AA && !(p.edge_blur_coeff > 0.0f));
}

// Compares the kernel with the CPU. The kernel samples at the CPU's source positions, so nearest
// copies the very pixel the CPU copies; the blends are built with relaxed maths (OpenCL) and form
// alpha in another order, so they may differ by float rounding. Everything outside the
// destination must keep what the host left there.
void ExpectMatchesCpu(const Job& job, const std::vector<Pixel>& gpu, const char* what) {
  const ScaleParams& p = job.p;
  constexpr float kRounding = 2e-5f;
  const std::vector<Pixel> cpu = CpuReference(job);
  const bool nearest = NearestSampled(p);
  int failures = 0;
  for (size_t y = 0; y < RoundUp16(p.dst_height); ++y) {
    for (size_t x = 0; x < static_cast<size_t>(p.dst_pitch); ++x) {
      const Pixel& g = gpu[y * p.dst_pitch + x];
      if (x >= p.dst_width || y >= p.dst_height) {
        const bool untouched = g.c[0] == kSentinel && g.c[1] == kSentinel && g.c[2] == kSentinel &&
                               g.c[3] == kSentinel;
        if (!untouched && failures++ < 5)
          ADD_FAILURE() << what << ": wrote outside at " << x << "," << y;
        continue;
      }
      const Pixel& r = cpu[y * p.dst_pitch + x];
      bool ok = true;
      if (nearest) {
        ok = std::memcmp(&r, &g, sizeof(Pixel)) == 0;
      } else {
        for (int c = 0; c < 4; ++c) ok = ok && std::fabs(g.c[c] - r.c[c]) <= kRounding;
      }
      if (!ok && failures++ < 5) {
        ADD_FAILURE() << what << ": pixel " << x << "," << y << " is (" << g.c[0] << ", " << g.c[1]
                      << ", " << g.c[2] << ", " << g.c[3] << "), the CPU gives (" << r.c[0] << ", "
                      << r.c[1] << ", " << r.c[2] << ", " << r.c[3] << ")";
      }
    }
  }
  EXPECT_EQ(failures, 0) << what;
}

Job RandomJob(std::mt19937& rng) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::uniform_int_distribution<int> size(1, 37);
  Job job;
  ScaleParams& p = job.p;
  p.type = static_cast<ScalingType>(rng() % 3);
  p.pixel_shape = static_cast<int32_t>(rng() % 3);
  p.scale = std::round((1.0f + unit(rng) * 11.0f) * 1000.0f) / 1000.0f;  // fractional
  const float r = unit(rng);
  p.edge_blur_coeff = r < 0.2f ? 0.0f : (r < 0.3f ? -1.0f : unit(rng) * p.scale);
  // Pre-render gives phases in [0, 1); other anchors move the image about in the output.
  if (rng() % 2) {
    p.anchor_x = unit(rng);
    p.anchor_y = unit(rng);
  } else {
    p.anchor_x = (unit(rng) - 0.5f) * 60.0f;
    p.anchor_y = (unit(rng) - 0.5f) * 60.0f;
  }
  p.src_width = static_cast<uint32_t>(size(rng));
  p.src_height = static_cast<uint32_t>(size(rng));
  p.src_pitch = static_cast<int32_t>(p.src_width + rng() % 4);
  p.dst_width = std::min<uint32_t>(static_cast<uint32_t>(p.src_width * p.scale) + rng() % 9, 300);
  p.dst_height = std::min<uint32_t>(static_cast<uint32_t>(p.src_height * p.scale) + rng() % 9, 300);
  p.dst_pitch = static_cast<int32_t>(p.dst_width + rng() % 5);
  job.src.resize(static_cast<size_t>(p.src_pitch) * p.src_height);
  for (Pixel& px : job.src) {
    for (float& c : px.c) c = unit(rng);
    // Transparent and opaque pixels are common in pixel art.
    const float a = unit(rng);
    px.c[3] = a < 0.2f ? 0.0f : (a < 0.5f ? 1.0f : px.c[3]);
  }
  return job;
}

void ExpectRandomJobsMatchTheCpu(const Runner& r) {
  std::mt19937 rng(20240601);
  for (int n = 0; n < 120; ++n) {
    const Job job = RandomJob(rng);
    const ScaleParams& p = job.p;
    char what[200];
    std::snprintf(what, sizeof what,
                  "job %d (type %d, shape %d, scale %g, blur %g, anchor %g,%g, %ux%u to %ux%u)", n,
                  static_cast<int>(p.type), p.pixel_shape, p.scale, p.edge_blur_coeff, p.anchor_x,
                  p.anchor_y, p.src_width, p.src_height, p.dst_width, p.dst_height);
    ExpectMatchesCpu(job, RunKernel(r, job), what);
  }
}

TEST(OpenCLKernel, MatchesTheCpuSamplersOnRandomJobs) {
  ASSERT_OPENCL_DEVICE(OpenCLTestDevice());
  ExpectRandomJobsMatchTheCpu(OpenCLRunner());
}

TEST(CudaKernel, MatchesTheCpuSamplersOnRandomJobs) {
  SKIP_WITHOUT_CUDA_DEVICE(CudaTestDevice());
  ExpectRandomJobsMatchTheCpu(CudaRunner());
}

// A destination without columns launches a global size of 0, which OpenCL 1.x devices refuse
// (the effect then reports 512) and OpenCL 2.1 and later run as a launch of nothing.
TEST(OpenCLKernel, AWidthOfZeroLaunchesNothing) {
  ASSERT_OPENCL_DEVICE(OpenCLTestDevice());
  TestDevice& d = OpenCLTestDevice();
  char version[128] = {};
  OpenCL()->GetDeviceInfo(static_cast<cl_device_id>(d.info.devicePV), CL_DEVICE_VERSION,
                          sizeof(version) - 1, version, nullptr);
  int major = 0, minor = 0;
  ASSERT_EQ(std::sscanf(version, "OpenCL %d.%d", &major, &minor), 2) << version;
  const bool empty_launch_valid = major * 10 + minor >= 21;

  Job job;
  job.p = {1, 4, 0, 0, 4, 1, 1, 2.0f, SCALE_NEAREST_NEIGHBOR, 2.0f, 0.0f, 0.0f, PIXEL_SHAPE_SQUARE};
  job.src.assign(1, Pixel{{1, 1, 1, 1}});
  testing::internal::CaptureStderr();
  TestDevice& dev = OpenCLTestDevice();
  void* mem = dev.device->Allocate(sizeof(Pixel));
  const PF_Err err = LaunchOpenCLScaleKernel(
      *OpenCL(), static_cast<cl_command_queue>(dev.info.command_queuePV), dev.program,
      static_cast<cl_mem>(mem), static_cast<cl_mem>(mem), job.p);
  const std::string messages = testing::internal::GetCapturedStderr();
  dev.device->Free(mem);
  if (empty_launch_valid) {
    EXPECT_EQ(err, PF_Err_NONE) << version;
    EXPECT_EQ(messages, "");
  } else {
    EXPECT_EQ(err, PF_Err_INTERNAL_STRUCT_DAMAGED) << version;
    EXPECT_EQ(messages, "OpenCL error: -63 CL_INVALID_GLOBAL_WORK_SIZE\n");
  }
}

// A destination without columns is a grid without blocks, which the driver refuses.
TEST(CudaKernel, AWidthOfZeroIs512) {
  SKIP_WITHOUT_CUDA_DEVICE(CudaTestDevice());
  TestCudaDevice& d = CudaTestDevice();
  const ScaleParams p = {
      1, 4, 0, 0, 4, 1, 1, 2.0f, SCALE_NEAREST_NEIGHBOR, 2.0f, 0.0f, 0.0f, PIXEL_SHAPE_SQUARE};
  const auto mem = reinterpret_cast<CUdeviceptr>(d.device->Allocate(sizeof(Pixel)));
  testing::internal::CaptureStderr();
  const PF_Err err = LaunchCudaScaleKernel(
      *CudaDriver(), static_cast<CUstream>(d.info.command_queuePV), d.module, mem, mem, p);
  const std::string messages = testing::internal::GetCapturedStderr();
  d.device->Free(reinterpret_cast<void*>(mem));
  EXPECT_EQ(err, PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(messages, "CUDA error: 1 invalid argument\n");
}

// The half-storage branch is compiled only for devices with half vectors; it must build too.
TEST(OpenCLKernel, TheTextBuildsWithHalfStorage) {
  ASSERT_OPENCL_DEVICE(OpenCLTestDevice());
  TestDevice& d = OpenCLTestDevice();
  const OpenCLApi& cl = *OpenCL();
  const char* strings[2] = {"#define GF_OPENCL_SUPPORTS_16F 1\n", kOpenCLKernelText};
  const size_t lengths[2] = {std::strlen(strings[0]), kOpenCLKernelTextLength};
  cl_int status = CL_SUCCESS;
  cl_program program = cl.CreateProgramWithSource(static_cast<cl_context>(d.info.contextPV), 2,
                                                  strings, lengths, &status);
  ASSERT_EQ(status, CL_SUCCESS);
  const cl_device_id device = static_cast<cl_device_id>(d.info.devicePV);
  EXPECT_EQ(cl.BuildProgram(program, 1, &device, "-cl-fast-relaxed-math", nullptr, nullptr),
            CL_SUCCESS);
  cl.ReleaseProgram(program);
}

}  // namespace
