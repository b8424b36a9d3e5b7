// The samplers' fast paths (tables, copied rows and runs, two-tap and copy kernels, SIMD chunks
// and their tails, windowed loads, streamed rows) against a per-pixel evaluation of the sampling
// formulas, under each kernel instruction set. Outputs must match byte for byte; NaN only has to
// stay NaN, since which of two NaN operands an addition passes on is the compiler's choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/samplers.h"
#include "sampler_data.h"

namespace {

using namespace sampler_data;

// ---------------------------------------------------------------------------------------------
// Per-pixel definition: every destination pixel computes its own source position and weights.

struct Tap {
  int32_t i1, i2;
  float b1, b2;
  bool e1, e2;
};

bool MakeTap(float f, uint32_t size, float coeff, Tap& t) {
  if (!(f >= -1.0f && f < static_cast<float>(size))) return false;
  const int32_t i = static_cast<int32_t>(std::floor(f));
  t.b1 = 1.0f - (f - static_cast<float>(i));
  t.b2 = f - static_cast<float>(i);
  float& sharpened = t.b1 > t.b2 ? t.b1 : t.b2;
  float& other = t.b1 > t.b2 ? t.b2 : t.b1;
  sharpened = std::clamp((sharpened - 0.5f) * coeff + 0.5f, 0.0f, 1.0f);
  other = 1.0f - sharpened;
  t.e1 = i < 0;
  t.e2 = int64_t{i} + 1 >= int64_t{size};
  t.i1 = std::max(i, 0);
  t.i2 = static_cast<int32_t>(std::min<int64_t>(int64_t{i} + 1, int64_t{size} - 1));
  return true;
}

template <class Chan>
void Reference(const uint8_t* src, uint8_t* dst, ScaleParams p, int alpha, bool nearest) {
  using Pixel = Chan[4];
  const auto at = [](const uint8_t* base, int32_t r, int32_t pitch, int32_t c) {
    return reinterpret_cast<const Pixel*>(base) + RowOffset(r, pitch) + c;
  };
  const float range = p.pixel_shape == PIXEL_SHAPE_POINT ? 1.0f : 0.5f;
  const auto pos = [&](uint32_t v, float anchor) {
    return ((static_cast<float>(v) / p.scale - range) + 0.5f / p.scale) - anchor / p.scale;
  };
  // roundf in double, where a float plus a half is exact: some C runtimes' roundf add 0.5 in float
  // and floor, and the compiler may turn a round of a widened float into roundf.
  const auto round = [](float f) {
    const double d = f;
    return static_cast<float>(d < 0.0 ? std::ceil(d - 0.5) : std::floor(d + 0.5));
  };
  const float coeff = std::max(1.0f, p.scale / p.edge_blur_coeff);
  for (uint32_t y = 0; y < p.dst_height; ++y) {
    for (uint32_t x = 0; x < p.dst_width; ++x) {
      Chan* o = *const_cast<Pixel*>(
          at(dst, static_cast<int32_t>(y), p.dst_pitch, static_cast<int32_t>(x)));
      std::fill(o, o + 4, Chan{});
      if (nearest) {
        const float rx = round(pos(x, p.anchor_x)), ry = round(pos(y, p.anchor_y));
        if (rx >= 0.0f && rx < float(p.src_width) && ry >= 0.0f && ry < float(p.src_height)) {
          std::memcpy(o, at(src, static_cast<int32_t>(ry), p.src_pitch, static_cast<int32_t>(rx)),
                      sizeof(Pixel));
        }
        continue;
      }
      Tap tx, ty;
      if (!MakeTap(pos(y, p.anchor_y), p.src_height, coeff, ty) ||
          !MakeTap(pos(x, p.anchor_x), p.src_width, coeff, tx)) {
        continue;
      }
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
      float w[4] = {(tx.b1 * ty.b1) * a[0], (tx.b2 * ty.b1) * a[1], (tx.b1 * ty.b2) * a[2],
                    (tx.b2 * ty.b2) * a[3]};
      const float total = ((w[0] + w[1]) + w[2]) + w[3];
      if (total > 0.0001f) {
        for (float& v : w) v /= total;
      }
      for (int c = 0; c < 4; ++c) {
        const float v = ((w[0] * float(q[0][c]) + w[1] * float(q[1][c])) + w[2] * float(q[2][c])) +
                        w[3] * float(q[3][c]);
        const float stored = c == alpha ? total : v;
        if constexpr (std::is_same_v<Chan, float>) {
          o[c] = stored;
        } else {
          o[c] = static_cast<Chan>(static_cast<int32_t>(stored));
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Jobs

struct Job {
  LayoutInfo l;
  ScaleParams p{};
  std::vector<uint8_t> src;  // src_height rows of src_pitch pixels
  size_t misalign = 0;       // bytes past a 32-byte boundary where the destination starts

  Job(PixelLayout layout, uint32_t src_w, uint32_t src_h, uint32_t dst_w, uint32_t dst_h,
      float scale, ScalingType type, float blur, int shape, float ax, float ay, uint64_t seed,
      bool plain = false)
      : l(kLayouts[static_cast<int>(layout)]) {
    p = {static_cast<int32_t>(src_w) + 1,
         static_cast<int32_t>(dst_w) + 2,
         0,
         dst_w,
         dst_h,
         src_w,
         src_h,
         scale,
         type,
         type == SCALE_BILINEAR ? scale : blur,
         ax,
         ay,
         shape};
    src.resize(static_cast<size_t>(p.src_pitch) * src_h * PixelSize(layout));
    FillSource(l, src, seed, plain);
  }
  bool Nearest() const {
    return p.type == SCALE_NEAREST_NEIGHBOR ||
           (p.type == SCALE_NEAREST_NEIGHBOR_AA && !(p.edge_blur_coeff > 0.0f));
  }
  std::vector<uint8_t> Blank() const {
    return std::vector<uint8_t>(
        static_cast<size_t>(p.dst_pitch) * p.dst_height * PixelSize(l.layout), 0xAB);
  }
  std::vector<uint8_t> Expected() const {
    std::vector<uint8_t> out = Blank();
    switch (PixelSize(l.layout)) {
      case 4:
        Reference<uint8_t>(src.data(), out.data(), p, l.alpha, Nearest());
        break;
      case 8:
        Reference<uint16_t>(src.data(), out.data(), p, l.alpha, Nearest());
        break;
      default:
        Reference<float>(src.data(), out.data(), p, l.alpha, Nearest());
        break;
    }
    return out;
  }
  // Rendered in two calls split at row `split`, as a caller dividing the work would.
  std::vector<uint8_t> Actual(uint32_t split, DestWindow window = {}) const {
    const std::vector<uint8_t> blank = Blank();
    std::vector<uint8_t> storage(blank.size() + 64);
    uint8_t* out =
        storage.data() + (32 - reinterpret_cast<uintptr_t>(storage.data()) % 32) % 32 + misalign;
    std::memcpy(out, blank.data(), blank.size());
    for (auto [begin, end] : {std::pair{0u, split}, std::pair{split, p.dst_height}}) {
      if (Nearest()) {
        SampleNearest(l.layout, src.data(), out, p, begin, end, window);
      } else {
        SampleBilinear(l.layout, src.data(), out, p, begin, end, window);
      }
    }
    return std::vector<uint8_t>(out, out + blank.size());
  }
};

// Where two runs of bytes first differ, two NaN floats matching whatever their payloads; the
// length when they do not.
size_t Mismatch(const LayoutInfo& l, const uint8_t* want, const uint8_t* got, size_t bytes) {
  const size_t step = l.is_float ? 4 : 1;
  for (size_t i = 0; i < bytes; i += step) {
    float a = 0, b = 0;
    if (step == 4) {
      std::memcpy(&a, want + i, 4);
      std::memcpy(&b, got + i, 4);
    }
    if (std::memcmp(want + i, got + i, step) != 0 && !(std::isnan(a) && std::isnan(b))) return i;
  }
  return bytes;
}

::testing::AssertionResult Matches(const Job& j, uint32_t split) {
  const std::vector<uint8_t> want = j.Expected(), got = j.Actual(split);
  const size_t i = Mismatch(j.l, want.data(), got.data(), want.size());
  if (i < want.size()) {
    const size_t pixel = i / PixelSize(j.l.layout);
    const ScaleParams& p = j.p;
    return ::testing::AssertionFailure()
           << j.l.name << " " << p.src_width << "x" << p.src_height << " to " << p.dst_width << "x"
           << p.dst_height << " scale " << p.scale << " type " << p.type << " blur "
           << p.edge_blur_coeff << " shape " << p.pixel_shape << " anchor " << p.anchor_x << ","
           << p.anchor_y << ": row " << pixel / p.dst_pitch << " column " << pixel % p.dst_pitch
           << " differs";
  }
  return ::testing::AssertionSuccess();
}
::testing::AssertionResult Matches(const Job& j) { return Matches(j, j.p.dst_height / 2 + 1); }

// A window rendered on its own (rows split in two calls, padded rows of its own pitch) against
// the crop of the whole destination rendered at once; the window's padding stays untouched.
::testing::AssertionResult WindowMatches(const Job& whole, DestWindow w, uint32_t width,
                                         uint32_t height) {
  Job part = whole;
  part.p.dst_width = width;
  part.p.dst_height = height;
  part.p.dst_pitch = static_cast<int32_t>(width) + 3;
  const std::vector<uint8_t> all = whole.Actual(whole.p.dst_height),
                             got = part.Actual(height / 2, w);
  const size_t px = PixelSize(whole.l.layout), row_bytes = width * px;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* want =
        all.data() + (static_cast<size_t>(w.row + y) * whole.p.dst_pitch + w.column) * px;
    const uint8_t* row = got.data() + static_cast<size_t>(y) * part.p.dst_pitch * px;
    const size_t i = Mismatch(whole.l, want, row, row_bytes);
    const bool padding = std::all_of(row + row_bytes, row + part.p.dst_pitch * px,
                                     [](uint8_t b) { return b == 0xAB; });
    if (i < row_bytes || !padding) {
      return ::testing::AssertionFailure()
             << whole.l.name << " type " << whole.p.type << " shape " << whole.p.pixel_shape
             << ", window " << width << "x" << height << " at " << w.column << "," << w.row
             << ": row " << y
             << (padding ? " column " + std::to_string(i / px) + " differs" : " padding written");
    }
  }
  return ::testing::AssertionSuccess();
}

using SamplerPaths = EveryKernelSet;
INSTANTIATE_TEST_SUITE_P(Kernels, SamplerPaths,
                         ::testing::Values(SamplerKernels::SSE2, SamplerKernels::AVX2),
                         KernelSetName);

// Destination widths around the chunk sizes (tails of 1 to 7 pixels), sources narrower and wider
// than one eight-pixel window, scale exactly 1 and fractional scales whose runs vary in length;
// float sources with and without the values that forbid leaving out taps of weight 0.
TEST_P(SamplerPaths, MatchTheDefinitionAcrossWidthsScalesAndModes) {
  SplitMix rng{42};
  constexpr float kScales[] = {1.0f, 1.25f, 2.0f, 3.0f, 4.0f, 6.5f};
  for (const LayoutInfo& l : kLayouts) {
    for (uint32_t dst_w : {1u, 2u, 3u, 4u, 7u, 8u, 9u, 17u, 33u, 70u}) {
      for (uint32_t src_w : {1u, 2u, 3u, 8u, 9u, 13u, 40u}) {
        const float scale = kScales[rng.Below(std::size(kScales))];
        const auto type = static_cast<ScalingType>(rng.Below(3));
        const float blur =
            rng.Below(4) == 0 ? 0.0f : 1.0f + static_cast<float>(rng.Below(4)) * 0.5f;
        const Job j(l.layout, src_w, 1 + rng.Below(5), dst_w, 1 + rng.Below(9), scale, type, blur,
                    static_cast<int>(rng.Below(3)),
                    static_cast<float>(rng.Below(8)) * 0.25f - 0.75f,
                    static_cast<float>(rng.Below(4)) * 0.5f, rng.Next(), rng.Below(2) == 0);
        EXPECT_TRUE(Matches(j));
      }
    }
    // Scales near 1 with a blend, and one below 1 (never produced by pre-render, still accepted):
    // eight column taps may then span more source pixels than one eight-pixel window holds.
    for (float scale : {0.875f, 1.1f, 1.5f}) {
      for (float blur : {0.5f, 1.0f}) {
        EXPECT_TRUE(Matches(Job(l.layout, 40, 2, 60, 2, scale, SCALE_NEAREST_NEIGHBOR_AA, blur,
                                PIXEL_SHAPE_SQUARE, 0.3f, 0.0f, rng.Next())));
      }
    }
  }
}

// Nearest runs and AA plateaus that end exactly on the last source column, with and without
// empty columns after them; anchors that leave empty rows above and below the image.
TEST_P(SamplerPaths, MatchTheDefinitionWhereRunsMeetTheImageEdge) {
  for (const LayoutInfo& l : kLayouts) {
    for (ScalingType type : {SCALE_NEAREST_NEIGHBOR, SCALE_NEAREST_NEIGHBOR_AA}) {
      for (uint32_t extra : {0u, 1u, 5u}) {
        for (int shape : {PIXEL_SHAPE_POINT, PIXEL_SHAPE_SQUARE}) {
          // Square at scale 4 and anchor 0: source column 10 covers destination 40..43 exactly.
          const float anchor = shape == PIXEL_SHAPE_POINT ? 2.0f : 0.0f;
          EXPECT_TRUE(Matches(Job(l.layout, 11, 3, 44 + extra, 12 + extra, 4.0f, type, 1.0f, shape,
                                  anchor, anchor, 7 + extra)));
        }
      }
      EXPECT_TRUE(Matches(
          Job(l.layout, 9, 2, 30, 40, 3.0f, type, 1.0f, PIXEL_SHAPE_SQUARE, 4.0f, 17.0f, 3)));
    }
  }
}

// Outputs of several MiB are written with streaming stores: nearest rows of one source row
// straight from the gathered vectors (up to four of them, when rows are whole 32-byte blocks
// apart: pitch = width + 2 here), through a row image beyond; bilinear rows from row images or
// value expansions. Each at two alignments of the destination.
TEST_P(SamplerPaths, MatchTheDefinitionOnOutputsLargeEnoughToStream) {
  struct Big {
    PixelLayout layout;
    uint32_t width, height;
    ScalingType type;
    float scale;
  };
  for (const Big& b : {Big{PixelLayout::BGRA8, 1100, 1000, SCALE_NEAREST_NEIGHBOR_AA, 3.0f},
                       Big{PixelLayout::ARGB16, 798, 700, SCALE_NEAREST_NEIGHBOR, 3.0f},
                       Big{PixelLayout::ARGB8, 1102, 1000, SCALE_NEAREST_NEIGHBOR, 6.5f},
                       Big{PixelLayout::ARGBFloat, 598, 450, SCALE_NEAREST_NEIGHBOR, 2.0f},
                       Big{PixelLayout::ARGBFloat, 600, 450, SCALE_NEAREST_NEIGHBOR_AA, 3.0f}}) {
    for (size_t misalign : {size_t{0}, static_cast<size_t>(PixelSize(b.layout))}) {
      Job j(b.layout, static_cast<uint32_t>(b.width / b.scale) + 2,
            static_cast<uint32_t>(b.height / b.scale), b.width, b.height, b.scale, b.type, 1.0f,
            PIXEL_SHAPE_POINT, 0.5f, 0.5f, b.width, true);
      j.misalign = misalign;
      EXPECT_TRUE(Matches(j, 0));
    }
  }
}

// Float rows are checked one by one: taps of weight 0 are left out only between rows that hold
// nothing but plain values.
TEST_P(SamplerPaths, MatchTheDefinitionWherePlainAndOddFloatRowsMeet) {
  for (PixelLayout layout : {PixelLayout::ARGBFloat, PixelLayout::BGRAFloat}) {
    for (float scale : {2.0f, 4.0f, 6.5f}) {
      Job j(layout, 9, 6, 40, 40, scale, SCALE_NEAREST_NEIGHBOR_AA, 1.0f, PIXEL_SHAPE_POINT, 0.5f,
            0.5f, 11, true);
      float* px = reinterpret_cast<float*>(j.src.data());
      px[4 * (2 * j.p.src_pitch + 4) + 1] = -0.0f;  // row 2
      px[4 * (4 * j.p.src_pitch + 8) + 2] =
          std::numeric_limits<float>::infinity();  // row 4, last column
      EXPECT_TRUE(Matches(j));
    }
  }
}

// A transparent pixel beside one holding infinity or NaN: the neighbour's weight may be exactly 0,
// but 0 x NaN and 0 x infinity are NaN, so copying the transparent pixel would be wrong.
TEST_P(SamplerPaths, NonFiniteNeighboursOfTransparentPixelsStayInTheBlend) {
  for (PixelLayout layout : {PixelLayout::ARGBFloat, PixelLayout::BGRAFloat}) {
    const int a = kLayouts[static_cast<int>(layout)].alpha;
    for (float odd :
         {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
      for (bool in_alpha : {false, true}) {
        Job j(layout, 12, 2, 96, 16, 8.0f, SCALE_NEAREST_NEIGHBOR_AA, 1.0f, PIXEL_SHAPE_SQUARE,
              0.0f, 0.0f, 0);
        float* px = reinterpret_cast<float*>(j.src.data());
        for (int32_t k = 0; k < 2 * j.p.src_pitch; ++k) {
          for (int c = 0; c < 4; ++c) px[4 * k + c] = 0.25f * static_cast<float>(c + 1);
        }
        px[4 * 5 + a] = 0.0f;                            // transparent
        px[4 * 6 + (in_alpha ? a : (a + 1) % 4)] = odd;  // its right neighbour
        EXPECT_TRUE(Matches(j));
        // Destination column 45 lies inside pixel 5's plateau (weights exactly 1 and 0) yet reads
        // pixel 6: the colour comes out NaN instead of a copy of the transparent pixel.
        const std::vector<uint8_t> out = j.Actual(0);
        float colour;
        std::memcpy(&colour, out.data() + 16 * 45 + 4 * ((a + 1) % 4), 4);
        EXPECT_TRUE(std::isnan(colour)) << odd << " in " << (in_alpha ? "alpha" : "colour");
      }
    }
  }
}

// A window of the destination is the crop of the whole: windows at the corners and inside, one
// pixel wide or high, starting inside a nearest run or a blend plateau, on the empty columns and
// rows around the image, in every layout, sampler and shape; and windows large enough to stream.
TEST_P(SamplerPaths, AWindowIsTheCropOfTheWholeDestination) {
  struct Rect {
    uint32_t column, row, width, height;
  };
  constexpr Rect kWindows[] = {{0, 0, 72, 50}, {0, 0, 17, 9},   {55, 41, 17, 9},  {7, 5, 1, 30},
                               {21, 2, 33, 1}, {30, 20, 9, 11}, {61, 40, 11, 10}, {71, 49, 1, 1}};
  for (const LayoutInfo& l : kLayouts) {
    for (ScalingType type : {SCALE_NEAREST_NEIGHBOR, SCALE_BILINEAR, SCALE_NEAREST_NEIGHBOR_AA}) {
      for (int shape : {PIXEL_SHAPE_POINT, PIXEL_SHAPE_SQUARE}) {
        // 13 x 9 at x4.5 covers about 59 x 41 of the 72 x 50 destination.
        const Job whole(l.layout, 13, 9, 72, 50, 4.5f, type, 1.5f, shape, 0.3f, 0.7f, 5);
        for (const Rect& r : kWindows)
          EXPECT_TRUE(WindowMatches(whole, {r.column, r.row}, r.width, r.height));
      }
    }
  }
  for (ScalingType type : {SCALE_NEAREST_NEIGHBOR, SCALE_NEAREST_NEIGHBOR_AA}) {
    const Job whole(PixelLayout::BGRA8, 340, 250, 1500, 1100, 4.25f, type, 1.0f, PIXEL_SHAPE_POINT,
                    0.5f, 0.25f, 9);
    EXPECT_TRUE(WindowMatches(whole, {203, 50}, 1100, 1000));
  }
}

}  // namespace
