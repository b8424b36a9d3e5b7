// Golden outputs of the samplers: a fixed set of jobs over every layout, interpolation, pixel
// shape, edge blur, scale and anchor, each output hashed and compared with the list recorded in
// golden_hashes.inc. Any change of arithmetic, however small, shows up here; a change of schedule
// must not. Run with TESSGRAIN_GOLDEN_PRINT=1 to print a fresh list (only for a deliberate change
// of output).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "engine/core/samplers.h"
#include "sampler_data.h"

namespace {

using namespace sampler_data;

struct GoldenHash {
  const char* group;
  uint64_t hash;
};

constexpr GoldenHash kGolden[] = {
#include "golden_hashes.inc"
};

struct Mode {
  const char* name;
  ScalingType type;
  float blur;  // edge blur; a negative value stands for 0.8 x scale
};

constexpr Mode kModes[] = {
    {"Nearest", SCALE_NEAREST_NEIGHBOR, 1.0f},    {"Linear", SCALE_BILINEAR, 1.0f},
    {"AA0", SCALE_NEAREST_NEIGHBOR_AA, 0.0f},     {"AA1", SCALE_NEAREST_NEIGHBOR_AA, 1.0f},
    {"AAwide", SCALE_NEAREST_NEIGHBOR_AA, -1.0f},
};

constexpr const char* kShapes[] = {"Point", "Square", "Circle"};
constexpr float kScales[] = {1.0f, 1.5f, 2.0f, 4.0f, 7.3f, 32.0f, 64.0f};

struct Anchor {
  float x, y;
  bool flip;  // rows run upwards: negative pitches, as bottom-up host buffers have
};

// Whole and half pixels, an arbitrary phase, an image partly off the output on every side, and
// one far outside it.
constexpr Anchor kAnchors[] = {
    {0.0f, 0.0f, false},    {0.5f, 0.5f, false},      {0.3f, 0.71f, false},
    {-23.5f, 17.25f, true}, {1.0e6f, -1.0e6f, false},
};

// FNV-1a over every byte, row padding included. NaN payloads are folded into one: which of two
// NaN operands an addition passes on is the compiler's choice, NaN-ness itself is not.
uint64_t Hash(const std::vector<uint8_t>& bytes, bool is_float, uint64_t h) {
  for (size_t i = 0; i < bytes.size(); i += 4) {
    uint8_t word[4];
    std::memcpy(word, bytes.data() + i, 4);
    if (is_float) {
      float f;
      std::memcpy(&f, word, 4);
      if (std::isnan(f)) {
        const uint32_t canonical = 0x7FC00000u;
        std::memcpy(word, &canonical, 4);
      }
    }
    for (uint8_t b : word) h = (h ^ b) * 0x100000001B3ULL;
  }
  return h;
}

// Renders one job into a padded destination and returns the hash of the whole buffer.
uint64_t RenderJob(const LayoutInfo& l, const Mode& m, int shape, float scale, const Anchor& a,
                   uint64_t seed, uint64_t h) {
  // Small odd sources; the destination covers the enlarged image and a margin, up to a cap
  // that keeps the large scales cheap while still crossing a source pixel boundary.
  const int src_w = scale >= 32.0f ? 3 : 7, src_h = scale >= 32.0f ? 2 : 5;
  const int dst_w = std::min(static_cast<int>(src_w * scale) + 5, 83);
  const int dst_h = std::min(static_cast<int>(src_h * scale) + 4, 47);
  const int size = PixelSize(l.layout);
  const int src_pitch = src_w + 2, dst_pitch = dst_w + 3;

  std::vector<uint8_t> src(static_cast<size_t>(src_pitch) * src_h * size);
  FillSource(l, src, seed);
  std::vector<uint8_t> dst(static_cast<size_t>(dst_pitch) * dst_h * size, 0xAB);

  ScaleParams p{};
  p.src_pitch = a.flip ? -src_pitch : src_pitch;
  p.dst_pitch = a.flip ? -dst_pitch : dst_pitch;
  p.src_width = static_cast<uint32_t>(src_w);
  p.src_height = static_cast<uint32_t>(src_h);
  p.dst_width = static_cast<uint32_t>(dst_w);
  p.dst_height = static_cast<uint32_t>(dst_h);
  p.scale = scale;
  p.type = m.type;
  p.edge_blur_coeff = m.blur < 0.0f ? 0.8f * scale : m.blur;
  p.anchor_x = a.x;
  p.anchor_y = a.y;
  p.pixel_shape = shape;
  const uint8_t* src0 =
      src.data() + (a.flip ? static_cast<size_t>(src_h - 1) * src_pitch * size : 0);
  uint8_t* dst0 = dst.data() + (a.flip ? static_cast<size_t>(dst_h - 1) * dst_pitch * size : 0);
  RunSampler(l.layout, src0, dst0, p);
  return Hash(dst, l.is_float, h);
}

// Each instruction set of the kernels must reproduce the list on its own.
using Golden = EveryKernelSet;
INSTANTIATE_TEST_SUITE_P(Kernels, Golden,
                         ::testing::Values(SamplerKernels::SSE2, SamplerKernels::AVX2),
                         KernelSetName);

TEST_P(Golden, EveryLayoutModeShapeScaleAndAnchorKeepsItsOutput) {
  const bool print = std::getenv("TESSGRAIN_GOLDEN_PRINT") != nullptr;
  size_t index = 0;
  uint64_t seed = 1;
  for (const LayoutInfo& l : kLayouts) {
    for (const Mode& m : kModes) {
      for (int shape = 0; shape < 3; ++shape) {
        uint64_t h = 0xCBF29CE484222325ULL;
        for (float scale : kScales) {
          for (const Anchor& a : kAnchors) h = RenderJob(l, m, shape, scale, a, seed++, h);
        }
        const std::string group = std::string(l.name) + "/" + m.name + "/" + kShapes[shape];
        if (print) {
          std::printf("{\"%s\", 0x%016llXULL},\n", group.c_str(),
                      static_cast<unsigned long long>(h));
        } else if (index < std::size(kGolden)) {
          EXPECT_EQ(group, kGolden[index].group);
          EXPECT_EQ(h, kGolden[index].hash) << group;
        }
        ++index;
      }
    }
  }
  if (!print) {
    EXPECT_EQ(index, std::size(kGolden));
  }
}

}  // namespace
