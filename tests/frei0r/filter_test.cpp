// The filter's parameters and frames. A frame is checked against the engine's own output: the
// whole enlarged image as the effect renders the frame as a layer (its geometry, its sampler on
// 8-bit ARGB), cropped to the frame.
#include "frei0r/filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "../support/split_mix.h"
#include "engine/core/geometry.h"
#include "engine/core/samplers.h"

namespace {

using namespace frei0r_filter;
using support::SplitMix;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The scale and edge blur the settings take from the values, the edge blur at a scale of 4.
float ScaleOf(double value) {
  Values v;
  v.scale = value;
  return SettingsFor(v, 1, 1).scale;
}
float EdgeBlurOf(double value) {
  Values v;
  v.scale = 4.0 / 64.0;
  v.edge_blur = value;
  return SettingsFor(v, 1, 1).edge_blur;
}

TEST(Frei0rParams, ScaleAndEdgeBlurAreSixtyFourTimesTheValueWithoutRounding) {
  for (int k = 1; k <= 64; ++k) EXPECT_EQ(ScaleOf(k / 64.0), static_cast<float>(k)) << k;
  EXPECT_EQ(ScaleOf(4.5 / 64.0), 4.5f);
  for (double below : {0.01, 0.0, -2.0, kNaN, -kInf}) EXPECT_EQ(ScaleOf(below), 1.0f) << below;
  for (double above : {1.5, kInf}) EXPECT_EQ(ScaleOf(above), 64.0f) << above;

  EXPECT_EQ(EdgeBlurOf(1.0 / 64.0), 1.0f);
  EXPECT_EQ(EdgeBlurOf(2.5 / 64.0), 2.5f);
  EXPECT_EQ(EdgeBlurOf(0.5), 4.0f);  // at most the scale
  EXPECT_EQ(EdgeBlurOf(0.0), 0.0f);  // Nearest AA then samples as Nearest
}

TEST(Frei0rParams, ChoicesSitAtZeroHalfAndOneAndTheAnchorCountsInFrames) {
  Values v;
  Settings s = SettingsFor(v, 97, 61);
  EXPECT_EQ(s.scale, 1.0f);
  EXPECT_EQ(s.type, SCALE_NEAREST_NEIGHBOR);
  EXPECT_EQ(s.edge_blur, 1.0f);
  EXPECT_EQ(s.pixel_shape, PIXEL_SHAPE_POINT);
  EXPECT_EQ(s.anchor_x, 48.5);  // the centre, as a layer's default anchor point
  EXPECT_EQ(s.anchor_y, 30.5);

  v.interpolation = v.pixel_shape = 0.5;
  v.anchor_x = -0.25;
  v.anchor_y = 2.0;
  s = SettingsFor(v, 96, 61);
  EXPECT_EQ(s.type, SCALE_BILINEAR);
  EXPECT_EQ(s.pixel_shape, PIXEL_SHAPE_SQUARE);
  EXPECT_EQ(s.anchor_x, -24.0);
  EXPECT_EQ(s.anchor_y, 122.0);
  v.interpolation = v.pixel_shape = 1.0;
  s = SettingsFor(v, 96, 61);
  EXPECT_EQ(s.type, SCALE_NEAREST_NEIGHBOR_AA);
  EXPECT_EQ(s.pixel_shape, PIXEL_SHAPE_CIRCLE);
  EXPECT_EQ(ChoiceFromValue(kNaN), 0);
}

// RGBA pixels, a fifth of them transparent (with colour), some half transparent.
std::vector<uint32_t> Frame(uint32_t w, uint32_t h, uint64_t seed) {
  SplitMix rng{seed};
  std::vector<uint32_t> f(static_cast<size_t>(w) * h);
  for (uint32_t& p : f) {
    p = static_cast<uint32_t>(rng.Next());
    if (rng.Below(5) == 0) p &= 0x00FFFFFFu;
  }
  return f;
}

// The effect's render of the frame as a layer, cropped to the frame.
std::vector<uint32_t> EffectCrop(const Settings& s, uint32_t w, uint32_t h,
                                 const std::vector<uint32_t>& rgba) {
  const IntRect layer{0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)};
  const PreRenderGeometry g = ComputePreRenderGeometry(layer, layer, s.scale, s.pixel_shape, {1, 1},
                                                       {1, 1}, s.anchor_x, s.anchor_y);
  const IntRect& r = g.result_rect;
  const uint32_t fw = static_cast<uint32_t>(r.right - r.left),
                 fh = static_cast<uint32_t>(r.bottom - r.top);
  std::vector<uint8_t> argb(rgba.size() * 4), whole(static_cast<size_t>(fw) * fh * 4);
  for (size_t i = 0; i < rgba.size(); ++i) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&rgba[i]);
    const uint8_t q[4] = {p[3], p[0], p[1], p[2]};
    std::memcpy(&argb[4 * i], q, 4);
  }
  ScaleParams p{static_cast<int32_t>(w),
                static_cast<int32_t>(fw),
                0,
                fw,
                fh,
                w,
                h,
                s.scale,
                s.type,
                s.edge_blur,
                g.anchor_x,
                g.anchor_y,
                s.pixel_shape};
  RunSampler(PixelLayout::ARGB8, argb.data(), whole.data(), p);

  std::vector<uint32_t> crop(rgba.size(), 0);
  for (int64_t y = 0; y < h; ++y) {
    for (int64_t x = 0; x < w; ++x) {
      const int64_t wx = x - r.left, wy = y - r.top;
      if (wx < 0 || wy < 0 || wx >= fw || wy >= fh) continue;
      const uint8_t* q = &whole[4 * (static_cast<size_t>(wy) * fw + static_cast<size_t>(wx))];
      const uint8_t px[4] = {q[1], q[2], q[3], q[0]};
      std::memcpy(&crop[static_cast<size_t>(y) * w + static_cast<size_t>(x)], px, 4);
    }
  }
  return crop;
}

std::string Hex(uint32_t rgba) {
  char text[16];
  std::snprintf(text, sizeof(text), "%08x", rgba);
  return text;
}

::testing::AssertionResult IsTheCrop(const Values& v, uint32_t w, uint32_t h, uint64_t seed) {
  const std::vector<uint32_t> in = Frame(w, h, seed);
  const Settings s = SettingsFor(v, w, h);
  std::vector<uint32_t> out(in.size(), 0xABABABABu);
  RenderFrame(s, w, h, in.data(), out.data());
  const std::vector<uint32_t> want = EffectCrop(s, w, h, in);
  for (size_t i = 0; i < want.size(); ++i) {
    if (out[i] == want[i]) continue;
    return ::testing::AssertionFailure()
           << w << "x" << h << " scale " << s.scale << " type " << s.type << " blur " << s.edge_blur
           << " shape " << s.pixel_shape << " anchor " << s.anchor_x << "," << s.anchor_y
           << ": pixel " << i % w << "," << i / w << " is " << Hex(out[i]) << ", the effect's "
           << Hex(want[i]);
  }
  return ::testing::AssertionSuccess();
}

// Odd and even frames (one pixel, one row, one column among them), every interpolation and shape,
// anchors at the centre, on the edges and corners, beyond the frame and far beyond it.
TEST(Frei0rFrames, AreTheCropOfTheEffectsRender) {
  const struct { uint32_t w, h; } sizes[] = {{1, 1}, {1, 6}, {9, 1}, {7, 5}, {32, 16}, {33, 17}};
  const double anchors[][2] = {{0.5, 0.5},   {0.0, 0.0},  {1.0, 1.0},  {0.0, 1.0},  {1.0, 0.5},
                               {0.37, 0.81}, {-0.6, 0.3}, {1.9, -2.0}, {40.0, 0.5}, {0.5, -300.0}};
  const double scales[] = {1.0, 2.0, 3.0, 4.5, 7.25, 64.0};
  SplitMix rng{5};
  for (const auto& size : sizes) {
    for (const auto& anchor : anchors) {
      for (double interpolation : {0.0, 0.5, 1.0}) {
        for (double shape : {0.0, 0.5, 1.0}) {
          Values v;
          v.scale = scales[rng.Below(std::size(scales))] / 64.0;
          v.interpolation = interpolation;
          v.edge_blur = static_cast<double>(rng.Below(4)) * 0.75 / 64.0;  // 0 to 2.25
          v.pixel_shape = shape;
          v.anchor_x = anchor[0];
          v.anchor_y = anchor[1];
          EXPECT_TRUE(IsTheCrop(v, size.w, size.h, rng.Next()));
        }
      }
    }
  }
}

// A frame inside one enlarged source pixel, the edge of the enlarged image crossing the frame, and
// an image that misses the frame entirely (transparent black, as a geometry with no pixels is).
TEST(Frei0rFrames, AtTheLargestScaleAndBeyondTheImage) {
  Values v;
  v.scale = 1.0;
  for (double interpolation : {0.0, 1.0}) {
    v.interpolation = interpolation;
    for (const auto& anchor : {std::pair{0.5, 0.5}, std::pair{0.02, 0.97}, std::pair{-0.01, 0.5}}) {
      v.anchor_x = anchor.first;
      v.anchor_y = anchor.second;
      EXPECT_TRUE(IsTheCrop(v, 24, 14, 1));
    }
  }
  v.anchor_x = -3.0;
  std::vector<uint32_t> in = Frame(16, 8, 2), out(in.size(), 1);
  RenderFrame(SettingsFor(v, 16, 8), 16, 8, in.data(), out.data());
  EXPECT_EQ(out, std::vector<uint32_t>(in.size(), 0));
  v.anchor_x = kNaN;
  std::fill(out.begin(), out.end(), 1);
  RenderFrame(SettingsFor(v, 16, 8), 16, 8, in.data(), out.data());
  EXPECT_EQ(out, std::vector<uint32_t>(in.size(), 0));
}

}  // namespace
