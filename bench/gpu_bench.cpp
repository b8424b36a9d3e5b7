// ScaleKernel on the machine's OpenCL device (PoCL here: the CPU cores) beside the CPU sampler on
// one thread, on a full-HD float output at scales 4 and 8 for each interpolation. Reports output
// megapixels per second, and per core used.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "devhost/host/gpu.h"
#include "engine/core/samplers.h"
#include "full_hd_job.h"
#include "gpu/gpu_render.h"
#include "gpu/opencl_program.h"

namespace {

struct Device {
  std::unique_ptr<devhost::GpuDevice> device;
  PF_GPUDeviceInfo info{};
  OpenCLDeviceData program{};
  cl_uint cores = 1;
};

Device* OpenDevice() {
  static Device* d = [] {
    auto* dev = new Device;
    std::string why;
    dev->device = devhost::GpuDevice::Open(devhost::GpuChoice::OpenCL, &why);
    if (!dev->device) {
      std::fprintf(stderr, "gpu_bench: %s\n", why.c_str());
      return static_cast<Device*>(nullptr);
    }
    dev->device->Describe(&dev->info);
    const auto device_id = static_cast<cl_device_id>(dev->info.devicePV);
    OpenCL()->GetDeviceInfo(device_id, CL_DEVICE_MAX_COMPUTE_UNITS, sizeof(dev->cores), &dev->cores,
                            nullptr);
    if (BuildOpenCLProgram(*OpenCL(), static_cast<cl_context>(dev->info.contextPV), device_id,
                           &dev->program) != PF_Err_NONE) {
      return static_cast<Device*>(nullptr);
    }
    return dev;
  }();
  return d;
}

ScaleParams Params(ScalingType type, int scale) {
  // Nearest AA with a one-pixel blend; Linear replaces the blur with the scale.
  return FullHdJob(type, scale, 1.0f);
}

std::vector<float> Source(const ScaleParams& p) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> d(0.0f, 1.0f);
  std::vector<float> src(static_cast<size_t>(p.src_width) * p.src_height * 4);
  for (float& v : src) v = d(rng);
  return src;
}

void Report(benchmark::State& state, double cores) {
  const double mp = kWidth * kHeight / 1e6;
  state.counters["MP"] = benchmark::Counter(mp, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["MP_per_core"] =
      benchmark::Counter(mp / cores, benchmark::Counter::kIsIterationInvariantRate);
}

void OpenCLCase(benchmark::State& state, ScalingType type, int scale) {
  Device* d = OpenDevice();
  if (d == nullptr) {
    state.SkipWithError("no OpenCL device");
    return;
  }
  const ScaleParams p = Params(type, scale);
  const std::vector<float> src = Source(p);
  void* src_mem = d->device->Allocate(src.size() * sizeof(float));
  void* dst_mem = d->device->Allocate(static_cast<size_t>(kWidth) * kHeight * 16);
  d->device->Upload(src_mem, src.data(), src.size() * sizeof(float));
  const auto queue = static_cast<cl_command_queue>(d->info.command_queuePV);
  for (auto _ : state) {
    LaunchOpenCLScaleKernel(*OpenCL(), queue, d->program, static_cast<cl_mem>(src_mem),
                            static_cast<cl_mem>(dst_mem), p);
    OpenCL()->Finish(queue);
  }
  d->device->Free(src_mem);
  d->device->Free(dst_mem);
  Report(state, d->cores);
}

void CpuCase(benchmark::State& state, ScalingType type, int scale) {
  const ScaleParams p = Params(type, scale);
  const std::vector<float> src = Source(p);
  std::vector<float> dst(static_cast<size_t>(kWidth) * kHeight * 4);
  for (auto _ : state) {
    RunSampler(PixelLayout::BGRAFloat, src.data(), dst.data(), p);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  Report(state, 1.0);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (const auto& [type, name] :
       {std::pair{SCALE_NEAREST_NEIGHBOR, "Nearest"}, std::pair{SCALE_BILINEAR, "Linear"},
        std::pair{SCALE_NEAREST_NEIGHBOR_AA, "NearestAA"}}) {
    for (int scale : {4, 8}) {
      const std::string suffix = std::string(name) + "/x" + std::to_string(scale);
      benchmark::RegisterBenchmark(
          ("OpenCL/" + suffix).c_str(),
          [type = type, scale](benchmark::State& s) { OpenCLCase(s, type, scale); })
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
      benchmark::RegisterBenchmark(
          ("CPU/" + suffix).c_str(),
          [type = type, scale](benchmark::State& s) { CpuCase(s, type, scale); })
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
