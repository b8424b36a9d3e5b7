#include "engine/core/samplers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

// A buffer of pixels of one layout, with rows padded by `pad` pixels that must stay untouched.
struct Buffer {
  PixelLayout layout;
  int width, height, pitch, size;
  std::vector<uint8_t> bytes;
  Buffer(PixelLayout l, int w, int h, int pad = 0)
      : layout(l),
        width(w),
        height(h),
        pitch(w + pad),
        size(PixelSize(l)),
        bytes(static_cast<size_t>(pitch) * h * size, 0xAB) {}
  uint8_t* At(int x, int y) { return bytes.data() + (static_cast<size_t>(y) * pitch + x) * size; }
  const uint8_t* At(int x, int y) const {
    return bytes.data() + (static_cast<size_t>(y) * pitch + x) * size;
  }
  bool Same(int x, int y, const Buffer& o, int ox, int oy) const {
    return std::memcmp(At(x, y), o.At(ox, oy), size) == 0;
  }
  bool Zero(int x, int y) const {
    for (int i = 0; i < size; ++i) {
      if (At(x, y)[i] != 0) return false;
    }
    return true;
  }
  bool PaddingIntact() const {
    for (int y = 0; y < height; ++y) {
      for (int x = width; x < pitch; ++x) {
        for (int i = 0; i < size; ++i) {
          if (At(x, y)[i] != 0xAB) return false;
        }
      }
    }
    return true;
  }
  // Channel in memory order, as a float.
  float Get(int x, int y, int c) const {
    if (size == 4) return At(x, y)[c];
    if (size == 8) {
      uint16_t v;
      std::memcpy(&v, At(x, y) + 2 * c, 2);
      return v;
    }
    float v;
    std::memcpy(&v, At(x, y) + 4 * c, 4);
    return v;
  }
  void Set(int x, int y, int c, float v) {
    if (size == 4) {
      At(x, y)[c] = static_cast<uint8_t>(v);
    } else if (size == 8) {
      const uint16_t s = static_cast<uint16_t>(v);
      std::memcpy(At(x, y) + 2 * c, &s, 2);
    } else {
      std::memcpy(At(x, y) + 4 * c, &v, 4);
    }
  }
  void Randomize(uint32_t seed, bool some_transparent) {
    std::mt19937 rng(seed);
    const float max = size == 4 ? 255.0f : size == 8 ? 32768.0f : 1.0f;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        for (int c = 0; c < 4; ++c) {
          const float v = size == 16 ? (rng() % 1001) / 1000.0f
                                     : static_cast<float>(rng() % (static_cast<uint32_t>(max) + 1));
          Set(x, y, c, v);
        }
        if (some_transparent && rng() % 5 == 0) Set(x, y, AlphaIndex(), 0.0f);
      }
    }
  }
  int AlphaIndex() const {
    return layout == PixelLayout::BGRA8 || layout == PixelLayout::BGRAFloat ? 3 : 0;
  }
  float MaxAlpha() const { return size == 4 ? 255.0f : size == 8 ? 32768.0f : 1.0f; }
};

ScaleParams Params(const Buffer& src, const Buffer& dst, float scale, ScalingType type,
                   int32_t shape, float anchor_x = 0.0f, float anchor_y = 0.0f) {
  ScaleParams p{};
  p.src_pitch = src.pitch;
  p.dst_pitch = dst.pitch;
  p.src_width = static_cast<uint32_t>(src.width);
  p.src_height = static_cast<uint32_t>(src.height);
  p.dst_width = static_cast<uint32_t>(dst.width);
  p.dst_height = static_cast<uint32_t>(dst.height);
  p.scale = scale;
  p.type = type;
  p.edge_blur_coeff = scale;
  p.pixel_shape = shape;
  p.anchor_x = anchor_x;
  p.anchor_y = anchor_y;
  return p;
}

constexpr PixelLayout kLayouts[] = {PixelLayout::ARGB8, PixelLayout::ARGB16, PixelLayout::ARGBFloat,
                                    PixelLayout::BGRA8, PixelLayout::BGRAFloat};

class EveryLayout : public ::testing::TestWithParam<PixelLayout> {};
INSTANTIATE_TEST_SUITE_P(Samplers, EveryLayout, ::testing::ValuesIn(kLayouts));

TEST_P(EveryLayout, ScaleOneSquareReproducesTheSource) {
  Buffer src(GetParam(), 7, 5, 3);
  src.Randomize(1, true);
  Buffer nearest(GetParam(), 7, 5, 2), bilinear(GetParam(), 7, 5, 2);
  RunSampler(GetParam(), src.At(0, 0), nearest.At(0, 0),
             Params(src, nearest, 1.0f, SCALE_NEAREST_NEIGHBOR, PIXEL_SHAPE_SQUARE));
  RunSampler(GetParam(), src.At(0, 0), bilinear.At(0, 0),
             Params(src, bilinear, 1.0f, SCALE_BILINEAR, PIXEL_SHAPE_SQUARE));
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      EXPECT_TRUE(nearest.Same(x, y, src, x, y)) << x << "," << y;
      // Bilinear drops the colour of fully transparent pixels.
      if (src.Get(x, y, src.AlphaIndex()) == 0.0f) {
        EXPECT_TRUE(bilinear.Zero(x, y)) << x << "," << y;
      } else {
        EXPECT_TRUE(bilinear.Same(x, y, src, x, y)) << x << "," << y;
      }
    }
  }
  EXPECT_TRUE(nearest.PaddingIntact());
  EXPECT_TRUE(bilinear.PaddingIntact());
}

TEST_P(EveryLayout, NearestAtAnIntegerScaleReplicatesBlocks) {
  Buffer src(GetParam(), 5, 4, 1);
  src.Randomize(2, true);
  Buffer dst(GetParam(), 20, 16, 5);
  RunSampler(GetParam(), src.At(0, 0), dst.At(0, 0),
             Params(src, dst, 4.0f, SCALE_NEAREST_NEIGHBOR, PIXEL_SHAPE_SQUARE));
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 20; ++x) EXPECT_TRUE(dst.Same(x, y, src, x / 4, y / 4)) << x << "," << y;
  }
  EXPECT_TRUE(dst.PaddingIntact());
}

TEST_P(EveryLayout, PointShapeAtScaleOneBlendsNeighboursUnlessThePhaseIsHalfAPixel) {
  const PixelLayout l = GetParam();
  Buffer src(l, 2, 2);
  const int a = src.AlphaIndex();
  const float max = src.MaxAlpha();
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      for (int c = 0; c < 4; ++c) src.Set(x, y, c, c == a ? max : (x == 0 ? 0.0f : max));
    }
  }
  // The legacy path (anchors 0): fx = x - 0.5, so pixel (1, 1) is the 50/50 blend of all four.
  Buffer dst(l, 3, 3);
  RunSampler(l, src.At(0, 0), dst.At(0, 0),
             Params(src, dst, 1.0f, SCALE_BILINEAR, PIXEL_SHAPE_POINT));
  const int colour = (a + 1) % 4;
  EXPECT_EQ(dst.Get(1, 1, a), max);
  const float half = size_t(src.size) == 16 ? 0.5f : std::trunc(max / 2);
  EXPECT_EQ(dst.Get(1, 1, colour), half);

  // Through pre-render the same settings give anchors 0.5: an exact copy one pixel further on.
  Buffer shifted(l, 3, 3);
  RunSampler(l, src.At(0, 0), shifted.At(0, 0),
             Params(src, shifted, 1.0f, SCALE_BILINEAR, PIXEL_SHAPE_POINT, 0.5f, 0.5f));
  EXPECT_TRUE(shifted.Zero(0, 0));
  EXPECT_TRUE(shifted.Same(1, 1, src, 0, 0));
  EXPECT_TRUE(shifted.Same(2, 2, src, 1, 1));
}

// The way in for the effect's commands and the frei0r filter: parameters in the effect's units
// and images as views of padded rows give the render of the record written out by hand.
TEST_P(EveryLayout, EnlargeOverViewsRendersWhatTheSettingsMean) {
  const RenderSettings s = ResolveSettings({2.5, 3.0, 9.0, 1.0, 1.0});
  EXPECT_EQ(s.type, SCALE_NEAREST_NEIGHBOR_AA);
  EXPECT_EQ(s.edge_blur, 2.5f);  // at most the scale
  EXPECT_EQ(s.pixel_shape, PIXEL_SHAPE_POINT);
  EXPECT_TRUE(s.gpu);
  EXPECT_EQ(ResolveSettings({2.0, 2.0, 1.0, 0.0, 2.0}).type, SCALE_BILINEAR);

  Buffer src(GetParam(), 5, 4, 3);
  src.Randomize(8, true);
  Buffer viewed(GetParam(), 13, 11, 2), direct(GetParam(), 13, 11, 2);
  Enlarge(s, 0.25f, 0.75f, {src.At(0, 0), 5, 4, src.pitch * src.size, GetParam()},
          {viewed.At(0, 0), 13, 11, viewed.pitch * viewed.size, GetParam()});
  ScaleParams p =
      Params(src, direct, 2.5f, SCALE_NEAREST_NEIGHBOR_AA, PIXEL_SHAPE_POINT, 0.25f, 0.75f);
  RunSampler(GetParam(), src.At(0, 0), direct.At(0, 0), p);
  EXPECT_EQ(viewed.bytes, direct.bytes);
  EXPECT_TRUE(viewed.PaddingIntact());
}

TEST(Nearest, HalfwayPositionsRoundAwayFromZero) {
  // Square shape, scale 1, anchor 0.5: fx = x - 0.5. x = 0 lands on -0.5 and rounds to -1
  // (empty); x = 1 lands on 0.5 and takes source pixel 1.
  Buffer src(PixelLayout::ARGB8, 3, 1);
  src.Randomize(3, false);
  Buffer dst(PixelLayout::ARGB8, 3, 1);
  SampleNearest(PixelLayout::ARGB8, src.At(0, 0), dst.At(0, 0),
                Params(src, dst, 1.0f, SCALE_NEAREST_NEIGHBOR, PIXEL_SHAPE_SQUARE, 0.5f, 0.0f), 0,
                1);
  EXPECT_TRUE(dst.Zero(0, 0));
  EXPECT_TRUE(dst.Same(1, 0, src, 1, 0));
  EXPECT_TRUE(dst.Same(2, 0, src, 2, 0));

  // Scale 20, anchor 0.5: x = 20 lands just below the half, on 0.49999997, and keeps source
  // pixel 0; a rounding that adds 0.5 and floors (some C runtimes' roundf) moves that block edge.
  Buffer wide(PixelLayout::ARGB8, 40, 1);
  SampleNearest(PixelLayout::ARGB8, src.At(0, 0), wide.At(0, 0),
                Params(src, wide, 20.0f, SCALE_NEAREST_NEIGHBOR, PIXEL_SHAPE_SQUARE, 0.5f, 0.0f), 0,
                1);
  EXPECT_TRUE(wide.Same(20, 0, src, 0, 0));
  EXPECT_TRUE(wide.Same(21, 0, src, 1, 0));
}

TEST(Bilinear, EmptinessStartsBelowMinusOneAndAtTheWidth) {
  // Square, scale 1, anchor 1.0: fx = x - 1. x = 0 sits exactly on -1.0 (not empty: the clamped
  // border pixel is repeated), x = width + 1 sits exactly on the width (empty).
  Buffer src(PixelLayout::ARGBFloat, 3, 1);
  src.Randomize(4, false);
  Buffer dst(PixelLayout::ARGBFloat, 5, 1);
  SampleBilinear(PixelLayout::ARGBFloat, src.At(0, 0), dst.At(0, 0),
                 Params(src, dst, 1.0f, SCALE_BILINEAR, PIXEL_SHAPE_SQUARE, 1.0f, 0.0f), 0, 1);
  EXPECT_TRUE(dst.Same(0, 0, src, 0, 0));
  EXPECT_TRUE(dst.Same(3, 0, src, 2, 0));
  EXPECT_TRUE(dst.Zero(4, 0));
}

TEST(Samplers, ASourceWithoutPixelsGivesAnEmptyOutput) {
  // A 0 x 0 world may have no memory at all; positions in [-1, 0) are not empty by the bilinear
  // rule, but there is no pixel to read.
  Buffer src(PixelLayout::ARGB8, 0, 0);
  Buffer dst(PixelLayout::ARGB8, 4, 2);
  for (ScalingType type : {SCALE_NEAREST_NEIGHBOR, SCALE_BILINEAR}) {
    const ScaleParams p = Params(src, dst, 2.0f, type, PIXEL_SHAPE_SQUARE, 2.0f, 0.5f);
    RunSampler(PixelLayout::ARGB8, nullptr, dst.At(0, 0), p);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 4; ++x) EXPECT_TRUE(dst.Zero(x, y)) << type << " " << x << "," << y;
    }
  }
}

TEST(Bilinear, SharpenedBlendAndTruncation) {
  // Two opaque pixels, colour 0 and 200, scale 4, edge blur 1 (coeff 4), anchor 0.25:
  // dst x = 4 lands at 0.5625, whose sharpened weights are 0.25 / 0.75.
  Buffer src(PixelLayout::ARGB8, 2, 1);
  for (int x = 0; x < 2; ++x) {
    src.Set(x, 0, 0, 255);
    for (int c = 1; c < 4; ++c) src.Set(x, 0, c, x == 0 ? 0.0f : 200.0f);
  }
  Buffer dst(PixelLayout::ARGB8, 8, 1);
  ScaleParams p =
      Params(src, dst, 4.0f, SCALE_NEAREST_NEIGHBOR_AA, PIXEL_SHAPE_SQUARE, 0.25f, 0.0f);
  p.edge_blur_coeff = 1.0f;
  RunSampler(PixelLayout::ARGB8, src.At(0, 0), dst.At(0, 0), p);
  EXPECT_EQ(dst.Get(4, 0, 0), 255.0f);
  EXPECT_EQ(dst.Get(4, 0, 1), 150.0f);
  EXPECT_EQ(dst.Get(2, 0, 1), 0.0f);    // 0.3125: inside the nearest band
  EXPECT_EQ(dst.Get(6, 0, 1), 200.0f);  // 1.0625: nearest again

  // Plain Linear at the midpoint of 0 and 255 computes 127.5 and stores 127 (truncation).
  for (int c = 1; c < 4; ++c) src.Set(1, 0, c, 255.0f);
  Buffer mid(PixelLayout::ARGB8, 2, 1);
  RunSampler(PixelLayout::ARGB8, src.At(0, 0), mid.At(0, 0),
             Params(src, mid, 1.0f, SCALE_BILINEAR, PIXEL_SHAPE_SQUARE, 0.5f, 0.0f));
  EXPECT_EQ(mid.Get(1, 0, 1), 127.0f);
}

TEST(Bilinear, TransparentSourcesGiveTransparentBlack) {
  Buffer src(PixelLayout::ARGB16, 2, 2);
  src.Randomize(5, false);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) src.Set(x, y, 0, 0.0f);
  }
  Buffer dst(PixelLayout::ARGB16, 6, 6);
  RunSampler(PixelLayout::ARGB16, src.At(0, 0), dst.At(0, 0),
             Params(src, dst, 3.0f, SCALE_BILINEAR, PIXEL_SHAPE_SQUARE));
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_TRUE(dst.Zero(x, y)) << x << "," << y;
  }
}

TEST(Samplers, RowRangesUnknownTypesAndEmptyOutputsWriteNothingElse) {
  Buffer src(PixelLayout::BGRA8, 4, 4);
  src.Randomize(6, false);
  Buffer dst(PixelLayout::BGRA8, 8, 8);
  const std::vector<uint8_t> untouched = dst.bytes;
  const ScaleParams p = Params(src, dst, 2.0f, SCALE_NEAREST_NEIGHBOR, PIXEL_SHAPE_SQUARE);
  SampleNearest(PixelLayout::BGRA8, src.At(0, 0), dst.At(0, 0), p, 2, 5);
  for (int y = 0; y < 8; ++y) {
    const bool written = y >= 2 && y < 5;
    EXPECT_EQ(std::memcmp(dst.At(0, y), untouched.data() + y * 8 * 4, 8 * 4) != 0, written) << y;
  }

  Buffer other(PixelLayout::BGRA8, 8, 8);
  ScaleParams unknown = p;
  unknown.type = static_cast<ScalingType>(3);
  RunSampler(PixelLayout::BGRA8, src.At(0, 0), other.At(0, 0), unknown);
  ScaleParams empty = p;
  empty.dst_width = 0;
  RunSampler(PixelLayout::BGRA8, src.At(0, 0), other.At(0, 0), empty);
  empty = p;
  empty.dst_height = 0;
  empty.type = SCALE_BILINEAR;
  RunSampler(PixelLayout::BGRA8, src.At(0, 0), other.At(0, 0), empty);
  EXPECT_EQ(other.bytes, untouched);
}

TEST(Samplers, NearestAAWithoutBlurFallsBackToNearest) {
  Buffer src(PixelLayout::ARGBFloat, 3, 3);
  src.Randomize(7, true);
  Buffer aa(PixelLayout::ARGBFloat, 9, 9), nearest(PixelLayout::ARGBFloat, 9, 9);
  ScaleParams p = Params(src, aa, 3.0f, SCALE_NEAREST_NEIGHBOR_AA, PIXEL_SHAPE_POINT, 0.5f, 0.5f);
  p.edge_blur_coeff = 0.0f;
  RunSampler(PixelLayout::ARGBFloat, src.At(0, 0), aa.At(0, 0), p);
  p.type = SCALE_NEAREST_NEIGHBOR;
  RunSampler(PixelLayout::ARGBFloat, src.At(0, 0), nearest.At(0, 0), p);
  EXPECT_EQ(aa.bytes, nearest.bytes);
}

}  // namespace
