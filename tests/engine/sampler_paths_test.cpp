// The samplers' fast paths (tables, copied rows and runs, SIMD chunks and their tails, windowed
// loads) against a per-pixel evaluation of the sampling formulas, under each kernel instruction
// set. Outputs must match byte for byte; NaN only has to stay NaN, since which of two NaN
// operands an addition passes on is the compiler's choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/samplers.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Per-pixel definition: every destination pixel computes its own source position.

struct Pos {
  float scale, range, anchor;
  float operator()(uint32_t v) const {
    return ((static_cast<float>(v) / scale - range) + 0.5f / scale) - anchor / scale;
  }
};

struct Tap {
  int32_t i1, i2;
  float b1, b2;
  bool e1, e2;
};

bool MakeTap(float f, uint32_t size, float coeff, Tap& t) {
  if (!(f >= -1.0f && f < static_cast<float>(size))) return false;
  const int32_t i = static_cast<int32_t>(std::floor(f));
  const float frac = f - static_cast<float>(i);
  t.b1 = 1.0f - frac;
  t.b2 = frac;
  if (t.b1 > t.b2) {
    t.b1 = std::clamp((t.b1 - 0.5f) * coeff + 0.5f, 0.0f, 1.0f);
    t.b2 = 1.0f - t.b1;
  } else {
    t.b2 = std::clamp((t.b2 - 0.5f) * coeff + 0.5f, 0.0f, 1.0f);
    t.b1 = 1.0f - t.b2;
  }
  t.e1 = i < 0;
  t.e2 = static_cast<int64_t>(i) + 1 >= static_cast<int64_t>(size);
  t.i1 = std::max(i, 0);
  t.i2 = static_cast<int32_t>(std::min<int64_t>(int64_t{i} + 1, int64_t{size} - 1));
  return true;
}

template <class Chan>
void Reference(const uint8_t* src, uint8_t* dst, ScaleParams p, int alpha) {
  using Pixel = Chan[4];
  const auto at = [](const uint8_t* base, int32_t r, int32_t pitch, int32_t c) {
    return reinterpret_cast<const Pixel*>(base) + RowOffset(r, pitch) + c;
  };
  const float range = p.pixel_shape == PIXEL_SHAPE_POINT ? 1.0f : 0.5f;
  const Pos px{p.scale, range, p.anchor_x}, py{p.scale, range, p.anchor_y};
  bool nearest = p.type == SCALE_NEAREST_NEIGHBOR || (p.type == SCALE_NEAREST_NEIGHBOR_AA && !(p.edge_blur_coeff > 0.0f));
  if (p.type == SCALE_BILINEAR) p.edge_blur_coeff = p.scale;
  const float coeff = std::max(1.0f, p.scale / p.edge_blur_coeff);
  const auto store = [](float v) -> Chan {
    if constexpr (std::is_same_v<Chan, float>) return v;
    else return static_cast<Chan>(static_cast<int32_t>(v));
  };
  for (uint32_t y = 0; y < p.dst_height; ++y) {
    for (uint32_t x = 0; x < p.dst_width; ++x) {
      Chan* o = *const_cast<Pixel*>(at(dst, static_cast<int32_t>(y), p.dst_pitch, static_cast<int32_t>(x)));
      std::fill(o, o + 4, Chan{});
      if (nearest) {
        const float rx = std::roundf(px(x)), ry = std::roundf(py(y));
        if (rx >= 0.0f && rx < static_cast<float>(p.src_width) && ry >= 0.0f && ry < static_cast<float>(p.src_height)) {
          std::memcpy(o, at(src, static_cast<int32_t>(ry), p.src_pitch, static_cast<int32_t>(rx)), sizeof(Pixel));
        }
        continue;
      }
      Tap tx, ty;
      if (!MakeTap(py(y), p.src_height, coeff, ty) || !MakeTap(px(x), p.src_width, coeff, tx)) continue;
      const Chan* q[4] = {*at(src, ty.i1, p.src_pitch, tx.i1), *at(src, ty.i1, p.src_pitch, tx.i2),
                          *at(src, ty.i2, p.src_pitch, tx.i1), *at(src, ty.i2, p.src_pitch, tx.i2)};
      float a[4];
      for (int k = 0; k < 4; ++k) a[k] = static_cast<float>(q[k][alpha]);
      if (p.pixel_shape == PIXEL_SHAPE_POINT) {
        if (tx.e1) a[0] = a[2] = 0.0f;
        if (tx.e2) a[1] = a[3] = 0.0f;
        if (ty.e1) a[0] = a[1] = 0.0f;
        if (ty.e2) a[2] = a[3] = 0.0f;
      }
      float w[4] = {(tx.b1 * ty.b1) * a[0], (tx.b2 * ty.b1) * a[1], (tx.b1 * ty.b2) * a[2], (tx.b2 * ty.b2) * a[3]};
      const float total = ((w[0] + w[1]) + w[2]) + w[3];
      if (total > 0.0001f) {
        for (float& v : w) v /= total;
      }
      for (int c = 0; c < 4; ++c) {
        const float v = ((w[0] * static_cast<float>(q[0][c]) + w[1] * static_cast<float>(q[1][c])) +
                         w[2] * static_cast<float>(q[2][c])) + w[3] * static_cast<float>(q[3][c]);
        o[c] = store(c == alpha ? total : v);
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Jobs

struct Rng {
  uint64_t s;
  uint32_t Next() {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(s >> 33);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }
};

constexpr PixelLayout kLayouts[] = {PixelLayout::ARGB8, PixelLayout::ARGB16, PixelLayout::ARGBFloat,
                                    PixelLayout::BGRA8, PixelLayout::BGRAFloat};

bool IsFloat(PixelLayout l) { return l == PixelLayout::ARGBFloat || l == PixelLayout::BGRAFloat; }
int AlphaOf(PixelLayout l) { return l == PixelLayout::BGRA8 || l == PixelLayout::BGRAFloat ? 3 : 0; }

struct Job {
  PixelLayout layout;
  ScaleParams p;
  std::vector<uint8_t> src;  // src_height rows of src_pitch pixels
  size_t misalign = 0;       // bytes past a 32-byte boundary where the destination starts
};

Job MakeJob(PixelLayout layout, uint32_t src_w, uint32_t src_h, uint32_t dst_w, uint32_t dst_h, float scale,
            ScalingType type, float blur, int shape, float ax, float ay) {
  Job j{layout, {}, {}};
  ScaleParams& p = j.p;
  p.src_width = src_w;
  p.src_height = src_h;
  p.src_pitch = static_cast<int32_t>(src_w) + 1;
  p.dst_width = dst_w;
  p.dst_height = dst_h;
  p.dst_pitch = static_cast<int32_t>(dst_w) + 2;
  p.scale = scale;
  p.type = type;
  p.edge_blur_coeff = blur;
  p.pixel_shape = shape;
  p.anchor_x = ax;
  p.anchor_y = ay;
  j.src.assign(static_cast<size_t>(p.src_pitch) * src_h * PixelSize(layout), 0);
  return j;
}

// Random channels; some pixels transparent. Float sources also hold the values that defeat
// shortcuts (NaN, infinities, negative zero, negative alphas) unless `plain`, in which case every
// value is finite and positive or +0, tiny alphas and denormals included.
void Randomize(Job& j, uint64_t seed, bool plain = false) {
  Rng rng{seed};
  const size_t size = PixelSize(j.layout);
  const int alpha = AlphaOf(j.layout);
  for (size_t i = 0; i < j.src.size(); i += size) {
    for (int c = 0; c < 4; ++c) {
      uint8_t* at = j.src.data() + i + c * (size / 4);
      if (!IsFloat(j.layout)) {
        const uint32_t v = c == alpha && rng.Below(4) == 0 ? 0 : rng.Next();
        std::memcpy(at, &v, size / 4);
        continue;
      }
      static constexpr float kOdd[] = {0.0f, -0.0f, 0.00005f, -0.5f, 1.0e-40f,
                                       std::numeric_limits<float>::infinity(),
                                       std::numeric_limits<float>::quiet_NaN()};
      static constexpr float kPlain[] = {0.0f, 0.00005f, 0.0001f, 1.0e-40f};
      const uint32_t k = rng.Below(40);
      const float odd = plain ? kPlain[k % std::size(kPlain)] : kOdd[k % std::size(kOdd)];
      const float v = k < 6 ? odd : (c == alpha && k < 15 ? 0.0f : static_cast<float>(rng.Below(1000)) / 999.0f);
      std::memcpy(at, &v, 4);
    }
  }
}

std::vector<uint8_t> Blank(const Job& j) {
  return std::vector<uint8_t>(static_cast<size_t>(j.p.dst_pitch) * j.p.dst_height * PixelSize(j.layout), 0xAB);
}

std::vector<uint8_t> Expected(const Job& j) {
  std::vector<uint8_t> out = Blank(j);
  const int a = AlphaOf(j.layout);
  switch (PixelSize(j.layout)) {
    case 4: Reference<uint8_t>(j.src.data(), out.data(), j.p, a); break;
    case 8: Reference<uint16_t>(j.src.data(), out.data(), j.p, a); break;
    default: Reference<float>(j.src.data(), out.data(), j.p, a); break;
  }
  return out;
}

// Renders in two calls split at `split` rows, as a caller dividing the work would.
std::vector<uint8_t> Actual(const Job& j, uint32_t split) {
  const std::vector<uint8_t> blank = Blank(j);
  std::vector<uint8_t> storage(blank.size() + 64);
  uint8_t* out = storage.data() + (32 - reinterpret_cast<uintptr_t>(storage.data()) % 32) % 32 + j.misalign;
  std::memcpy(out, blank.data(), blank.size());
  ScaleParams p = j.p;
  const bool nearest = p.type == SCALE_NEAREST_NEIGHBOR || (p.type == SCALE_NEAREST_NEIGHBOR_AA && !(p.edge_blur_coeff > 0.0f));
  if (p.type == SCALE_BILINEAR) p.edge_blur_coeff = p.scale;
  for (auto [begin, end] : {std::pair{0u, split}, std::pair{split, p.dst_height}}) {
    if (nearest) {
      SampleNearest(j.layout, j.src.data(), out, p, begin, end);
    } else {
      SampleBilinear(j.layout, j.src.data(), out, p, begin, end);
    }
  }
  return std::vector<uint8_t>(out, out + blank.size());
}

std::string Describe(const Job& j) {
  const ScaleParams& p = j.p;
  return "layout " + std::to_string(static_cast<int>(j.layout)) + " src " + std::to_string(p.src_width) + "x" +
         std::to_string(p.src_height) + " dst " + std::to_string(p.dst_width) + "x" + std::to_string(p.dst_height) +
         " scale " + std::to_string(p.scale) + " type " + std::to_string(p.type) + " blur " +
         std::to_string(p.edge_blur_coeff) + " shape " + std::to_string(p.pixel_shape) + " anchor " +
         std::to_string(p.anchor_x) + "," + std::to_string(p.anchor_y);
}

// Byte equality, except that two NaN floats match whatever their payloads.
::testing::AssertionResult SameOutput(const Job& j, const std::vector<uint8_t>& want, const std::vector<uint8_t>& got) {
  const size_t step = IsFloat(j.layout) ? 4 : 1;
  for (size_t i = 0; i < want.size(); i += step) {
    if (std::memcmp(&want[i], &got[i], step) == 0) continue;
    if (step == 4) {
      float a, b;
      std::memcpy(&a, &want[i], 4);
      std::memcpy(&b, &got[i], 4);
      if (std::isnan(a) && std::isnan(b)) continue;
    }
    const size_t pixel = i / PixelSize(j.layout);
    return ::testing::AssertionFailure() << Describe(j) << ": first difference at row "
                                         << pixel / j.p.dst_pitch << " column " << pixel % j.p.dst_pitch;
  }
  return ::testing::AssertionSuccess();
}

class Kernels : public ::testing::TestWithParam<SamplerKernels> {
 protected:
  void SetUp() override {
    if (!ForceSamplerKernels(GetParam())) GTEST_SKIP() << "instruction set not available here";
  }
  void TearDown() override { ForceSamplerKernels(SamplerKernels::Auto); }

  // By default in two calls; split 0 renders in one.
  void Check(const Job& j, uint32_t split) {
    const std::vector<uint8_t> want = Expected(j);
    EXPECT_TRUE(SameOutput(j, want, Actual(j, split)));
  }
  void Check(const Job& j) { Check(j, j.p.dst_height / 2 + 1); }
};
INSTANTIATE_TEST_SUITE_P(Sets, Kernels, ::testing::Values(SamplerKernels::SSE2, SamplerKernels::AVX2),
                         [](const auto& info) { return info.param == SamplerKernels::SSE2 ? "SSE2" : "AVX2"; });

// Destination widths around the chunk sizes (tails of 1 to 7 pixels), sources narrower and wider
// than one eight-pixel window, scale exactly 1 and fractional scales whose runs vary in length.
TEST_P(Kernels, MatchTheDefinitionAcrossWidthsScalesAndModes) {
  Rng rng{42};
  constexpr uint32_t kDstWidths[] = {1, 2, 3, 4, 7, 8, 9, 17, 33, 70};
  constexpr uint32_t kSrcWidths[] = {1, 2, 3, 8, 9, 13, 40};
  constexpr float kScales[] = {1.0f, 1.25f, 2.0f, 3.0f, 4.0f, 6.5f};
  for (PixelLayout layout : kLayouts) {
    for (uint32_t dst_w : kDstWidths) {
      for (uint32_t src_w : kSrcWidths) {
        const float scale = kScales[rng.Below(std::size(kScales))];
        const ScalingType type = static_cast<ScalingType>(rng.Below(3));
        const float blur = rng.Below(4) == 0 ? 0.0f : 1.0f + static_cast<float>(rng.Below(4)) * 0.5f;
        const float ax = static_cast<float>(rng.Below(8)) * 0.25f - 0.75f;
        Job j = MakeJob(layout, src_w, 1 + rng.Below(5), dst_w, 1 + rng.Below(9), scale, type, blur,
                        static_cast<int>(rng.Below(3)), ax, static_cast<float>(rng.Below(4)) * 0.5f);
        Randomize(j, rng.Next(), rng.Below(2) == 0);
        Check(j);
      }
    }
    // Scales near 1 with a blend, and one below 1 (never produced by pre-render, still accepted):
    // eight column taps may then span more source pixels than one eight-pixel window holds.
    for (float scale : {0.875f, 1.1f, 1.5f}) {
      for (float blur : {0.5f, 1.0f}) {
        Job j = MakeJob(layout, 40, 2, 60, 2, scale, SCALE_NEAREST_NEIGHBOR_AA, blur, PIXEL_SHAPE_SQUARE, 0.3f, 0.0f);
        Randomize(j, rng.Next());
        Check(j);
      }
    }
  }
}

// Nearest runs and AA plateaus that end exactly on the last source column, with and without
// empty columns after them; anchors that leave empty rows above and below the image.
TEST_P(Kernels, MatchTheDefinitionWhereRunsMeetTheImageEdge) {
  for (PixelLayout layout : kLayouts) {
    for (ScalingType type : {SCALE_NEAREST_NEIGHBOR, SCALE_NEAREST_NEIGHBOR_AA}) {
      for (uint32_t extra : {0u, 1u, 5u}) {
        for (int shape : {PIXEL_SHAPE_POINT, PIXEL_SHAPE_SQUARE}) {
          // Square at scale 4 and anchor 0: source column 10 covers destination 40..43 exactly.
          const float anchor = shape == PIXEL_SHAPE_POINT ? 0.5f * 4.0f : 0.0f;
          Job j = MakeJob(layout, 11, 3, 44 + extra, 12 + extra, 4.0f, type, 1.0f, shape, anchor, anchor);
          Randomize(j, 7 + extra);
          Check(j);
        }
      }
      Job far = MakeJob(layout, 9, 2, 30, 40, 3.0f, type, 1.0f, PIXEL_SHAPE_SQUARE, 4.0f, 17.0f);
      Randomize(far, 3);
      Check(far);
    }
  }
}

// Outputs of several MiB are written with streaming stores, from row images or, for float
// pixels, straight from the computed values; rows start at every alignment.
TEST_P(Kernels, MatchTheDefinitionOnOutputsLargeEnoughToStream) {
  struct Big {
    PixelLayout layout;
    uint32_t width, height;
    ScalingType type;
    float scale;
  };
  // Nearest rows of one source row go straight to the destination up to four of them, through a
  // row image beyond, when rows are whole 32-byte blocks apart (pitch = width + 2 here).
  for (const Big& b : {Big{PixelLayout::BGRA8, 1100, 1000, SCALE_NEAREST_NEIGHBOR_AA, 3.0f},
                       Big{PixelLayout::ARGB16, 798, 700, SCALE_NEAREST_NEIGHBOR, 3.0f},
                       Big{PixelLayout::ARGB8, 1102, 1000, SCALE_NEAREST_NEIGHBOR, 6.5f},
                       Big{PixelLayout::ARGBFloat, 598, 450, SCALE_NEAREST_NEIGHBOR, 2.0f},
                       Big{PixelLayout::ARGBFloat, 600, 450, SCALE_NEAREST_NEIGHBOR_AA, 3.0f}}) {
    for (size_t misalign : {size_t{0}, static_cast<size_t>(PixelSize(b.layout))}) {
      Job j = MakeJob(b.layout, static_cast<uint32_t>(b.width / b.scale) + 2, static_cast<uint32_t>(b.height / b.scale),
                      b.width, b.height, b.scale, b.type, 1.0f, PIXEL_SHAPE_POINT, 0.5f, 0.5f);
      j.misalign = misalign;
      Randomize(j, b.width);
      Check(j, 0);
    }
  }
}

// Float rows are checked one by one: taps of weight 0 are left out only between rows that hold
// nothing but plain values.
TEST_P(Kernels, MatchTheDefinitionWherePlainAndOddFloatRowsMeet) {
  for (PixelLayout layout : {PixelLayout::ARGBFloat, PixelLayout::BGRAFloat}) {
    for (float scale : {2.0f, 4.0f, 6.5f}) {
      Job j = MakeJob(layout, 9, 6, 40, 40, scale, SCALE_NEAREST_NEIGHBOR_AA, 1.0f, PIXEL_SHAPE_POINT, 0.5f, 0.5f);
      Randomize(j, 11, true);
      float* px = reinterpret_cast<float*>(j.src.data());
      px[4 * (2 * j.p.src_pitch + 4) + 1] = -0.0f;                                     // row 2
      px[4 * (4 * j.p.src_pitch + 8) + 2] = std::numeric_limits<float>::infinity();  // row 4, last column
      Check(j);
    }
  }
}

// A transparent pixel beside one holding infinity or NaN: the neighbour's weight may be exactly 0,
// but 0 x NaN and 0 x infinity are NaN, so copying the transparent pixel would be wrong.
TEST_P(Kernels, NonFiniteNeighboursOfTransparentPixelsStayInTheBlend) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  for (PixelLayout layout : {PixelLayout::ARGBFloat, PixelLayout::BGRAFloat}) {
    const int a = AlphaOf(layout);
    for (float odd : {inf, nan}) {
      for (bool in_alpha : {false, true}) {
        Job j = MakeJob(layout, 12, 2, 96, 16, 8.0f, SCALE_NEAREST_NEIGHBOR_AA, 1.0f, PIXEL_SHAPE_SQUARE, 0.0f, 0.0f);
        float* px = reinterpret_cast<float*>(j.src.data());
        for (uint32_t k = 0; k < 12; ++k) {
          const float v[4] = {0.25f, 0.5f, 0.75f, 1.0f};
          std::memcpy(px + 4 * k, v, sizeof v);
          std::memcpy(px + 4 * (k + j.p.src_pitch), v, sizeof v);
        }
        px[4 * 5 + a] = 0.0f;                            // transparent
        px[4 * 6 + (in_alpha ? a : (a + 1) % 4)] = odd;  // its right neighbour
        Check(j);
        // Destination column 45 lies inside pixel 5's plateau (weights exactly 1 and 0) yet reads
        // pixel 6: the colour comes out NaN instead of a copy of the transparent pixel.
        std::vector<uint8_t> out = Blank(j);
        RunSampler(layout, j.src.data(), out.data(), j.p);
        float colour;
        std::memcpy(&colour, out.data() + 16 * 45 + 4 * ((a + 1) % 4), 4);
        EXPECT_TRUE(std::isnan(colour)) << odd << " in " << (in_alpha ? "alpha" : "colour");
      }
    }
  }
}

}  // namespace
