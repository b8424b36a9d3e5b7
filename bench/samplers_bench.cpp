// The CPU samplers at 1920x1080 and 3840x2160 outputs, scales 2, 4, 8 and 32, in every pixel
// layout and interpolation, each beside memset of the same output buffers and OpenCV's resize of
// the same source into them, all on one thread. The output buffers rotate through a ring larger
// than the last-level cache, so every run writes memory that is not in cache, as a host's fresh
// frame is. After Google Benchmark's own lines, a table gives each case in output megapixels per
// second of processor time (the median when repeated) and as ratios to the same run's memset.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

#include "engine/core/samplers.h"
#include "full_hd_job.h"

namespace {

struct LayoutCase {
  PixelLayout layout;
  const char* name;
  int cv_type;
};

constexpr LayoutCase kLayouts[] = {
    {PixelLayout::ARGB8, "ARGB8", CV_8UC4},          {PixelLayout::ARGB16, "ARGB16", CV_16UC4},
    {PixelLayout::ARGBFloat, "ARGBFloat", CV_32FC4}, {PixelLayout::BGRA8, "BGRA8", CV_8UC4},
    {PixelLayout::BGRAFloat, "BGRAFloat", CV_32FC4},
};

struct ModeCase {
  ScalingType type;
  const char* name;
};

// Nearest AA at the default edge blur of one pixel.
constexpr ModeCase kModes[] = {{SCALE_NEAREST_NEIGHBOR, "Nearest"},
                               {SCALE_BILINEAR, "Linear"},
                               {SCALE_NEAREST_NEIGHBOR_AA, "NearestAA"}};

struct SizeCase {
  uint32_t width, height;
};
constexpr SizeCase kSizes[] = {{1920, 1080}, {3840, 2160}};
constexpr int kScales[] = {2, 4, 8, 32};

// Output buffers written in turn, cut from one pool allocated and touched once, so that every
// case writes the same memory: at least two buffers and at least 128 MiB in all (four times a
// 32 MiB last-level cache), so a buffer has left the caches before it comes round again.
class Ring {
 public:
  explicit Ring(size_t largest)
      : pool_bytes_(std::max(2 * largest, size_t{128} << 20)), pool_(new uint8_t[pool_bytes_]) {
    std::memset(pool_.get(), 1, pool_bytes_);
  }
  uint8_t* Next(size_t bytes) {
    const size_t stride = (bytes + 4095) / 4096 * 4096;
    const size_t count = pool_bytes_ / stride;
    next_ = (next_ + 1) % count;
    return pool_.get() + next_ * stride;
  }

 private:
  size_t pool_bytes_;
  std::unique_ptr<uint8_t[]> pool_;
  size_t next_ = 0;
};

Ring& Outputs() {
  static Ring ring(size_t{3840} * 2160 * 16);
  return ring;
}

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

struct Case {
  SizeCase size;
  int scale;
  ModeCase mode;
  LayoutCase layout;
  std::string Name() const {
    return std::to_string(size.width) + "x" + std::to_string(size.height) + "/x" +
           std::to_string(scale) + "/" + mode.name + "/" + layout.name;
  }
  ScaleParams Params() const { return UpscaleJob(mode.type, scale, 1.0f, size.width, size.height); }
  size_t OutputBytes() const { return size_t{size.width} * size.height * PixelSize(layout.layout); }
};

// Makes the ring before the clock starts.
void Prepare(const Case& c) { Outputs().Next(c.OutputBytes()); }

void Report(benchmark::State& state, const Case& c) {
  state.counters["MP"] = benchmark::Counter(c.size.width * double(c.size.height) / 1e6,
                                            benchmark::Counter::kIsIterationInvariantRate);
}

void Ours(benchmark::State& state, const Case& c) {
  const ScaleParams p = c.Params();
  const std::vector<uint8_t> src =
      RandomPixels(c.layout.layout, size_t{p.src_width} * p.src_height);
  Prepare(c);
  for (auto _ : state) {
    uint8_t* dst = Outputs().Next(c.OutputBytes());
    RunSampler(c.layout.layout, src.data(), dst, p);
    benchmark::DoNotOptimize(dst);
    benchmark::ClobberMemory();
  }
  Report(state, c);
}

// A non-zero byte: on some machines writing zeros is much faster than writing data (measured
// here: up to twice the bandwidth), and a sampler writes data.
void Memset(benchmark::State& state, const Case& c) {
  Prepare(c);
  for (auto _ : state) {
    uint8_t* dst = Outputs().Next(c.OutputBytes());
    std::memset(dst, 0x5A, c.OutputBytes());
    benchmark::DoNotOptimize(dst);
    benchmark::ClobberMemory();
  }
  Report(state, c);
}

void OpenCV(benchmark::State& state, const Case& c, int interpolation) {
  const ScaleParams p = c.Params();
  std::vector<uint8_t> src = RandomPixels(c.layout.layout, size_t{p.src_width} * p.src_height);
  const cv::Mat in(static_cast<int>(p.src_height), static_cast<int>(p.src_width), c.layout.cv_type,
                   src.data());
  Prepare(c);
  for (auto _ : state) {
    cv::Mat out(static_cast<int>(c.size.height), static_cast<int>(c.size.width), c.layout.cv_type,
                Outputs().Next(c.OutputBytes()));
    try {
      cv::resize(in, out, out.size(), 0, 0, interpolation);
    } catch (const cv::Exception& e) {
      state.SkipWithError(e.what());
      break;
    }
    benchmark::ClobberMemory();
  }
  Report(state, c);
}

// ---------------------------------------------------------------------------------------------
// The table after the run

struct Peer {
  const char* name;
  int interpolation;
};

struct Row {
  double ours = 0, memset = 0;
  std::map<std::string, double> peers;
};

class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // With repetitions, their median.
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) continue;
      const std::string& name = run.run_name.function_name;
      const size_t slash = name.rfind('/');
      const auto mp = run.counters.find("MP");
      if (slash == std::string::npos || mp == run.counters.end()) continue;
      const std::string key = name.substr(0, slash), impl = name.substr(slash + 1);
      if (rows_.count(key) == 0) order_.push_back(key);
      Row& row = rows_[key];
      double& slot = impl == "ours" ? row.ours : impl == "memset" ? row.memset : row.peers[impl];
      if (median || run.repetitions <= 1) slot = mp->second;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-34s %9s %9s %7s   %-18s %9s %7s %9s\n", "case (output/scale/mode/layout)",
                "ours MP/s", "memset", "ours/ms", "best OpenCV", "MP/s", "cv/ms", "ours/cv");
    for (const std::string& key : order_) {
      const Row& r = rows_[key];
      std::string best = "-";
      double best_mp = 0;
      for (const auto& [name, mp] : r.peers) {
        if (mp > best_mp) {
          best = name;
          best_mp = mp;
        }
      }
      const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
      std::printf("%-34s %9.0f %9.0f %7.2f   %-18s %9.0f %7.2f %9.2f\n", key.c_str(), r.ours,
                  r.memset, ratio(r.ours, r.memset), best.c_str(), best_mp,
                  ratio(best_mp, r.memset), ratio(r.ours, best_mp));
    }
  }

 private:
  std::vector<std::string> order_;
  std::map<std::string, Row> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  cv::setNumThreads(0);  // one thread, as the samplers run

  static constexpr Peer kNearestPeers[] = {{"cv_NEAREST_EXACT", cv::INTER_NEAREST_EXACT},
                                           {"cv_NEAREST", cv::INTER_NEAREST}};
  static constexpr Peer kLinearPeers[] = {{"cv_LINEAR", cv::INTER_LINEAR}};
  for (const SizeCase& size : kSizes) {
    for (const LayoutCase& layout : kLayouts) {
      for (int scale : kScales) {
        for (const ModeCase& mode : kModes) {
          const Case c{size, scale, mode, layout};
          const auto add = [&](const std::string& impl, auto fn) {
            benchmark::RegisterBenchmark((c.Name() + "/" + impl).c_str(), fn)
                ->Unit(benchmark::kMillisecond);
          };
          add("ours", [c](benchmark::State& s) { Ours(s, c); });
          add("memset", [c](benchmark::State& s) { Memset(s, c); });
          const bool nearest = mode.type == SCALE_NEAREST_NEIGHBOR;
          for (const Peer& peer :
               nearest ? std::vector<Peer>(std::begin(kNearestPeers), std::end(kNearestPeers))
                       : std::vector<Peer>(std::begin(kLinearPeers), std::end(kLinearPeers))) {
            add(peer.name, [c, peer](benchmark::State& s) { OpenCV(s, c, peer.interpolation); });
          }
        }
      }
    }
  }
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
