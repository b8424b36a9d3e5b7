// Source data and kernel-set fixtures shared by the sampler tests.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "../support/split_mix.h"
#include "engine/core/samplers.h"

namespace sampler_data {

using support::SplitMix;

struct LayoutInfo {
  PixelLayout layout;
  const char* name;
  bool is_float;
  int alpha;  // channel index of alpha in memory order
};

inline constexpr LayoutInfo kLayouts[] = {
    {PixelLayout::ARGB8, "ARGB8", false, 0},        {PixelLayout::ARGB16, "ARGB16", false, 0},
    {PixelLayout::ARGBFloat, "ARGBFloat", true, 0}, {PixelLayout::BGRA8, "BGRA8", false, 3},
    {PixelLayout::BGRAFloat, "BGRAFloat", true, 3},
};

// Float sources hold the values that make arithmetic shortcuts unsafe: transparent and nearly
// transparent pixels, the 0.0001 threshold itself, negative zero, negative and large alphas,
// denormals, infinities and NaN. `plain` swaps the negative and non-finite ones for finite
// positive values.
inline float SpecialFloat(SplitMix& rng, bool alpha, bool plain) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const uint64_t k = rng.Next() % 64;
  switch (k) {
    case 0:
      return 0.0f;
    case 1:
      return plain ? 0.0f : -0.0f;
    case 2:
      return alpha ? 0.00005f : 1.0e-40f;
    case 3:
      return 0.0001f;
    case 4:
      return plain ? 0.5f : -0.5f;
    case 5:
      return 1.75f;
    case 6:
      return plain ? 3.0e38f : kInf;
    case 7:
      return plain ? 2.0f : -kInf;
    case 8:
      return plain ? 1.0e-40f : std::numeric_limits<float>::quiet_NaN();
    case 9:
      return 3.0e38f;
    default:
      return k < 20 && alpha ? 0.0f : rng.Unit();
  }
}

// Random pixels over the whole buffer (row padding included); integer alphas are 0 one time in
// five.
inline void FillSource(const LayoutInfo& l, std::vector<uint8_t>& bytes, uint64_t seed,
                       bool plain = false) {
  SplitMix rng{seed};
  const size_t size = PixelSize(l.layout);
  for (size_t i = 0; i + size <= bytes.size(); i += size) {
    for (int c = 0; c < 4; ++c) {
      uint8_t* at = bytes.data() + i + c * (size / 4);
      if (l.is_float) {
        const float v = SpecialFloat(rng, c == l.alpha, plain);
        std::memcpy(at, &v, 4);
      } else if (c == l.alpha && rng.Next() % 5 == 0) {
        std::memset(at, 0, size / 4);
      } else {
        const uint64_t v = rng.Next();
        std::memcpy(at, &v, size / 4);
      }
    }
  }
}

// Runs each test under each kernel instruction set the processor has.
class EveryKernelSet : public ::testing::TestWithParam<SamplerKernels> {
 protected:
  void SetUp() override {
    if (!ForceSamplerKernels(GetParam())) GTEST_SKIP() << "instruction set not available here";
  }
  void TearDown() override { ForceSamplerKernels(SamplerKernels::Auto); }
};

inline std::string KernelSetName(const ::testing::TestParamInfo<SamplerKernels>& info) {
  return info.param == SamplerKernels::SSE2 ? "SSE2" : "AVX2";
}

}  // namespace sampler_data
