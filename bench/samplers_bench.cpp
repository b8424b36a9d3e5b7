// The CPU samplers on a full-HD output: each sampler in each pixel layout at scales 4 and 8, from
// a source just large enough to cover the output, on the calling thread as a host render does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/samplers.h"
#include "full_hd_job.h"

namespace {


struct LayoutCase {
  PixelLayout layout;
  const char* name;
};

constexpr LayoutCase kLayouts[] = {
    {PixelLayout::ARGB8, "ARGB8"},         {PixelLayout::ARGB16, "ARGB16"},
    {PixelLayout::ARGBFloat, "ARGBFloat"}, {PixelLayout::BGRA8, "BGRA8"},
    {PixelLayout::BGRAFloat, "BGRAFloat"},
};

// Random channels in the layout's own range (16-bit worlds stop at 32768, float at 1).
std::vector<uint8_t> RandomPixels(PixelLayout layout, size_t pixels) {
  std::mt19937 rng(1234);
  std::vector<uint8_t> bytes(pixels * PixelSize(layout));
  const size_t channels = pixels * 4;
  switch (layout) {
    case PixelLayout::ARGB16: {
      std::uniform_int_distribution<int> d(0, 32768);
      for (size_t i = 0; i < channels; ++i) {
        const uint16_t v = static_cast<uint16_t>(d(rng));
        std::memcpy(bytes.data() + 2 * i, &v, 2);
      }
      break;
    }
    case PixelLayout::ARGBFloat:
    case PixelLayout::BGRAFloat: {
      std::uniform_real_distribution<float> d(0.0f, 1.0f);
      for (size_t i = 0; i < channels; ++i) {
        const float v = d(rng);
        std::memcpy(bytes.data() + 4 * i, &v, 4);
      }
      break;
    }
    default: {
      std::uniform_int_distribution<int> d(0, 255);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(d(rng));
      break;
    }
  }
  return bytes;
}

void RunCase(benchmark::State& state, PixelLayout layout, ScalingType type, int scale) {
  // Linear blends over the whole scale, as its dispatchers set it.
  const ScaleParams p = FullHdJob(type, scale, static_cast<float>(scale));

  const std::vector<uint8_t> src = RandomPixels(layout, static_cast<size_t>(p.src_width) * p.src_height);
  std::vector<uint8_t> dst(static_cast<size_t>(kWidth) * kHeight * PixelSize(layout));
  for (auto _ : state) {
    if (type == SCALE_NEAREST_NEIGHBOR) {
      SampleNearest(layout, src.data(), dst.data(), p, 0, kHeight);
    } else {
      SampleBilinear(layout, src.data(), dst.data(), p, 0, kHeight);
    }
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  // Output megapixels per second.
  state.counters["MP"] =
      benchmark::Counter(kWidth * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (const auto& [type, sampler] : {std::pair{SCALE_NEAREST_NEIGHBOR, "Nearest"},
                                      std::pair{SCALE_BILINEAR, "Bilinear"}}) {
    for (const LayoutCase& l : kLayouts) {
      for (int scale : {4, 8}) {
        const std::string name = std::string(sampler) + "/" + l.name + "/x" + std::to_string(scale);
        benchmark::RegisterBenchmark(name.c_str(), [layout = l.layout, type = type, scale](benchmark::State& s) {
          RunCase(s, layout, type, scale);
        })->Unit(benchmark::kMillisecond);
      }
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
