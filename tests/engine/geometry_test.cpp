#include "engine/core/geometry.h"

#include <gtest/gtest.h>

#include <limits>

#include "engine/core/scale_data.h"

namespace {

void ExpectRect(const IntRect& r, int32_t l, int32_t t, int32_t rr, int32_t b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rr);
  EXPECT_EQ(r.bottom, b);
}

constexpr Ratio kFull{1, 1};

TEST(PreRenderGeometry, EvenScaleAboutIntegerAnchor) {
  const IntRect in{0, 0, 100, 100};
  const PreRenderGeometry point =
      ComputePreRenderGeometry(in, in, 2.0f, PIXEL_SHAPE_POINT, kFull, kFull, 50.0, 50.0);
  ExpectRect(point.result_rect, -51, -51, 151, 151);
  ExpectRect(point.max_result_rect, -51, -51, 151, 151);
  EXPECT_EQ(point.anchor_x, 0.0f);
  EXPECT_EQ(point.anchor_y, 0.0f);

  for (int32_t shape : {PIXEL_SHAPE_SQUARE, PIXEL_SHAPE_CIRCLE}) {
    const PreRenderGeometry g =
        ComputePreRenderGeometry(in, in, 2.0f, shape, kFull, kFull, 50.0, 50.0);
    ExpectRect(g.result_rect, -50, -50, 150, 150);
  }
}

TEST(PreRenderGeometry, FractionalScaleAndAnchorLeaveASubPixelPhase) {
  const IntRect in{0, 0, 10, 10};
  const PreRenderGeometry point =
      ComputePreRenderGeometry(in, in, 2.5f, PIXEL_SHAPE_POINT, kFull, kFull, 3.3, 3.3);
  EXPECT_EQ(point.result_rect.left, -7);   // from -6.2
  EXPECT_EQ(point.result_rect.right, 22);  // from 21.3
  EXPECT_NEAR(point.anchor_x, 0.8f, 1e-5f);
  EXPECT_NEAR(point.anchor_y, 0.8f, 1e-5f);

  const PreRenderGeometry square =
      ComputePreRenderGeometry(in, in, 2.5f, PIXEL_SHAPE_SQUARE, kFull, kFull, 3.3, 3.3);
  EXPECT_EQ(square.result_rect.left, -5);   // from -4.95
  EXPECT_EQ(square.result_rect.right, 21);  // from 20.05
  EXPECT_NEAR(square.anchor_x, 0.05f, 1e-5f);
}

TEST(PreRenderGeometry, DownsamplingScalesTheAnchorAndMaxRectSeparately) {
  // A half-resolution preview of a 100x100 layer: 50x50 downsampled pixels, anchor 50,50 at
  // full resolution is 25,25 downsampled.
  const Ratio half{1, 2};
  const IntRect in{0, 0, 50, 50};
  const IntRect max{-10, -10, 60, 60};
  const PreRenderGeometry g =
      ComputePreRenderGeometry(in, max, 2.0f, PIXEL_SHAPE_SQUARE, half, half, 50.0, 50.0);
  ExpectRect(g.result_rect, -25, -25, 75, 75);
  ExpectRect(g.max_result_rect, -45, -45, 95, 95);
}

TEST(PreRenderGeometry, ScaleOneOnlyAddsThePointHalfPixel) {
  EXPECT_EQ(ScaleFromParam(0.25), 1.0f);
  EXPECT_EQ(ScaleFromParam(1.0), 1.0f);
  EXPECT_EQ(ScaleFromParam(3.5), 3.5f);
  EXPECT_EQ(EdgeBlurFromParam(9.0, 4.0f), 4.0f);
  EXPECT_EQ(EdgeBlurFromParam(1.5, 4.0f), 1.5f);

  const IntRect in{0, 0, 8, 6};
  const PreRenderGeometry point =
      ComputePreRenderGeometry(in, in, ScaleFromParam(0.5), PIXEL_SHAPE_POINT, kFull, kFull, 4, 3);
  ExpectRect(point.result_rect, -1, -1, 9, 7);
  EXPECT_EQ(point.anchor_x, 0.5f);
  const PreRenderGeometry square =
      ComputePreRenderGeometry(in, in, 1.0f, PIXEL_SHAPE_SQUARE, kFull, kFull, 4, 3);
  ExpectRect(square.result_rect, 0, 0, 8, 6);
  EXPECT_EQ(square.anchor_x, 0.0f);
}

TEST(PreRenderGeometry, ValuesWithoutPixelsGiveEmptyRectangles) {
  const IntRect in{0, 0, 10, 10};
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ScaleFromParam(nan), 1.0f);
  EXPECT_EQ(ScaleFromParam(inf), kMaxScale);
  EXPECT_EQ(ScaleFromParam(1e300), kMaxScale);
  EXPECT_EQ(ScaleFromParam(-inf), 1.0f);
  EXPECT_EQ(EdgeBlurFromParam(nan, 3.0f), 3.0f);
  EXPECT_EQ(EdgeBlurFromParam(-1e300, 3.0f), 0.0f);

  struct Case {
    Ratio dx;
    double anchor;
    float scale;
    IntRect rect;
  };
  for (const Case& c :
       {Case{{1, 0}, 5.0, 2.0f, in}, Case{{0, 0}, 5.0, 2.0f, in}, Case{kFull, nan, 2.0f, in},
        Case{kFull, -inf, 2.0f, in}, Case{kFull, 1e300, 2.0f, in}, Case{kFull, 5.0, 1e30f, in},
        Case{kFull, 0.0, 64.0f, {0, 0, 2000000000, 10}}}) {
    const PreRenderGeometry g = ComputePreRenderGeometry(c.rect, c.rect, c.scale, PIXEL_SHAPE_POINT,
                                                         c.dx, kFull, c.anchor, 5.0);
    ExpectRect(g.result_rect, 0, 0, 0, 0);
    ExpectRect(g.max_result_rect, 0, 0, 0, 0);
    EXPECT_EQ(g.anchor_x, 0.0f);
  }
}

LegacyFrame Frame(int32_t width, int32_t height) {
  LegacyFrame f{};
  f.width = width;
  f.height = height;
  f.downsample_x = f.downsample_y = kFull;
  return f;
}

TEST(FrameSetup, GrowsTheFrameAndMovesTheOriginByHalfTheGrowth) {
  LegacyFrame f = Frame(100, 50);
  FrameSetupResult r = ComputeFrameSetup(f, 7, 0, 2.0, 1);  // Point
  EXPECT_EQ(r.width, 202);
  EXPECT_EQ(r.height, 102);
  EXPECT_EQ(r.origin_h, 7 + 50);
  EXPECT_EQ(r.origin_v, 25);

  r = ComputeFrameSetup(f, 7, 0, 2.0, 2);  // Square: no extra pixel
  EXPECT_EQ(r.width, 200);
  EXPECT_EQ(r.origin_h, 7 + 50);

  f.source_origin_x = 3;
  f.source_origin_y = 4;
  f.field = 1;  // a field render doubles the height
  r = ComputeFrameSetup(f, 7, 0, 2.0, 2);
  EXPECT_EQ(r.width, 203);
  EXPECT_EQ(r.height, 2 * (100 + 4));
}

TEST(LegacyRender, RedRectangleIsClippedToTheWorld) {
  const LegacyFrame f = Frame(100, 50);
  // left = 50 - ceil(100 * 1 * 0.5), right = ceil(200) + left, then clipped.
  ExpectRect(LegacyRedRect(f, 50, 25, 2.0f, 150, 80), 0, 0, 150, 80);
  ExpectRect(LegacyRedRect(f, 60, 30, 2.0f, 400, 400), 10, 5, 210, 105);
}

TEST(LegacyRender, ExtentNeverExceedsTheOutputBeyondTheSourceOrigin) {
  LegacyFrame f = Frame(10, 10);
  f.source_origin_x = 2;
  f.source_origin_y = 1;
  LegacyExtent e = ComputeLegacyExtent(f, 3.0f, PIXEL_SHAPE_POINT, 100, 100);
  EXPECT_EQ(e.dst_width, 33);
  EXPECT_EQ(e.dst_height, 33);
  EXPECT_EQ(e.src_width, 10);
  e = ComputeLegacyExtent(f, 3.0f, PIXEL_SHAPE_SQUARE, 20, 25);
  EXPECT_EQ(e.dst_width, 18);
  EXPECT_EQ(e.dst_height, 24);

  f.downsample_x = {1, 3};  // 10 / 3 rounds up
  e = ComputeLegacyExtent(f, 3.0f, PIXEL_SHAPE_SQUARE, 100, 100);
  EXPECT_EQ(e.src_width, 4);
  EXPECT_EQ(e.dst_width, 10);
}

TEST(LegacyRender, ValuesWithoutPixelsGiveEmptyFramesAndExtents) {
  LegacyFrame zero_den = Frame(10, 10);
  zero_den.downsample_y = {1, 0};
  LegacyFrame huge = Frame(2147483647, 10);
  for (const LegacyFrame& f : {zero_den, huge}) {
    const FrameSetupResult r = ComputeFrameSetup(f, 7, 9, 64.0, 1);
    EXPECT_EQ(r.width, 0);
    EXPECT_EQ(r.height, 0);
    EXPECT_EQ(r.origin_h, 7);
    EXPECT_EQ(r.origin_v, 9);
    const LegacyExtent e = ComputeLegacyExtent(f, 64.0f, PIXEL_SHAPE_POINT, 100, 100);
    EXPECT_EQ(e.dst_width, 0);
    EXPECT_EQ(e.src_height, 0);
    ExpectRect(LegacyRedRect(f, 0, 0, 64.0f, 100, 100), 0, 0, 0, 0);
  }
}

}  // namespace
