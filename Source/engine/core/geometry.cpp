#include "engine/core/geometry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/core/scale_data.h"

float ScaleFromParam(double value) {
  if (!(value >= 1.0)) return 1.0f;           // below 1, or not a number
  if (!(value <= FLT_MAX)) return kMaxScale;  // infinite, or more than a float holds
  return static_cast<float>(value);
}

float EdgeBlurFromParam(double value, float scale) {
  if (!(value < scale)) return scale;     // at most the scale; not a number counts as it
  if (!(value >= -FLT_MAX)) return 0.0f;  // less than a float holds: no blur
  return static_cast<float>(value);
}

namespace {

// Pixel coordinates are 32-bit integers. A value that is not a number or does not fit has no
// pixel: the conversion records that, and the caller answers with its empty result instead of
// converting out of range.
class PixelCast {
 public:
  int32_t operator()(double v) {
    if (!(v >= -2147483648.0 && v < 2147483648.0)) {
      fits_ = false;
      return 0;
    }
    return static_cast<int32_t>(v);
  }
  bool fits() const { return fits_; }

 private:
  bool fits_ = true;
};

// A finite double that a float can hold.
bool FloatSized(double v) { return v >= -FLT_MAX && v <= FLT_MAX; }

// One axis of the pre-render mapping: an input edge v lands at
// float(double(float(v) -/+ h) - a) * scale + float(a), with a the downsampled anchor.
struct EdgeMap {
  double a;
  float af;
  float h;
  float scale;
  float Map(int32_t v, bool low_edge) const {
    const float fv = static_cast<float>(v);
    const float shifted = low_edge ? fv - h : fv + h;
    const float rel = static_cast<float>(static_cast<double>(shifted) - a);
    return rel * scale + af;
  }
};

IntRect MapRect(const IntRect& r, const EdgeMap& mx, const EdgeMap& my, PixelCast& cast) {
  return {cast(std::floor(mx.Map(r.left, true))), cast(std::floor(my.Map(r.top, true))),
          cast(std::ceil(mx.Map(r.right, false))), cast(std::ceil(my.Map(r.bottom, false)))};
}

// Pre-render's downsampling factor: each term converted to float before the division.
float FloatFactor(Ratio s) { return static_cast<float>(s.num) / static_cast<float>(s.den); }

// The legacy protocol's factor: a double quotient rounded to float.
float LegacyFactor(Ratio s) {
  return static_cast<float>(static_cast<double>(s.num) / static_cast<double>(s.den));
}

}  // namespace

PreRenderGeometry ComputePreRenderGeometry(const IntRect& result_rect,
                                           const IntRect& max_result_rect, float scale,
                                           int32_t pixel_shape, Ratio downsample_x,
                                           Ratio downsample_y, double anchor_x, double anchor_y) {
  const PreRenderGeometry empty{{0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f, 0.0f};
  const float h = pixel_shape == PIXEL_SHAPE_POINT ? 0.5f : 0.0f;
  const double ax = static_cast<double>(FloatFactor(downsample_x)) * anchor_x;
  const double ay = static_cast<double>(FloatFactor(downsample_y)) * anchor_y;
  if (!FloatSized(ax) || !FloatSized(ay)) return empty;
  const EdgeMap mx{ax, static_cast<float>(ax), h, scale};
  const EdgeMap my{ay, static_cast<float>(ay), h, scale};

  PixelCast cast;
  PreRenderGeometry g;
  g.result_rect = MapRect(result_rect, mx, my, cast);
  g.max_result_rect = MapRect(max_result_rect, mx, my, cast);
  if (!cast.fits()) return empty;
  g.anchor_x = mx.Map(result_rect.left, true) - static_cast<float>(g.result_rect.left);
  g.anchor_y = my.Map(result_rect.top, true) - static_cast<float>(g.result_rect.top);
  return g;
}

FrameSetupResult ComputeFrameSetup(const LegacyFrame& f, int32_t output_origin_x,
                                   int32_t output_origin_y, double scale_param,
                                   int32_t pixel_shape_popup) {
  const float scale = ScaleFromParam(scale_param);
  const int64_t p0 = pixel_shape_popup == 1 ? 1 : 0;  // Point covers one more pixel
  const float dx = LegacyFactor(f.downsample_x);
  const float dy = LegacyFactor(f.downsample_y);
  const float fy = f.field >= 1 ? dy : 1.0f;
  const float w = std::ceil(dx * (static_cast<float>(f.width + p0) * scale));
  const float h = std::ceil(dy * (static_cast<float>(f.height + p0) * scale));

  PixelCast cast;
  FrameSetupResult r;
  r.width = cast(static_cast<double>(cast(w)) + f.source_origin_x);
  r.height = cast(static_cast<double>(cast(h)) + cast(static_cast<float>(f.source_origin_y) * fy));
  // The origin moves right and down by half the growth (the conversion truncates toward zero).
  r.origin_h =
      cast(static_cast<double>(output_origin_x) - cast((w / scale) * (scale - 1.0f) * -0.5f));
  r.origin_v =
      cast(static_cast<double>(output_origin_y) - cast((h / scale) * (scale - 1.0f) * -0.5f));
  if (f.field > 0) {
    r.height = cast(static_cast<float>(r.height) * 2.0f);
  }
  if (!cast.fits()) return {0, 0, output_origin_x, output_origin_y};
  return r;
}

IntRect LegacyRedRect(const LegacyFrame& f, int32_t origin_h, int32_t origin_v, float scale,
                      int32_t world_width, int32_t world_height) {
  const double dx = static_cast<double>(f.downsample_x.num) / f.downsample_x.den;
  const double dy = static_cast<double>(f.downsample_y.num) / f.downsample_y.den;
  const float fy = f.field >= 1 ? static_cast<float>(dy) : 1.0f;
  const float s1 = scale - 1.0f;
  const double wd = dx * f.width;
  const double hd = dy * f.height;

  PixelCast cast;
  IntRect r;
  r.left = cast(static_cast<double>(origin_h) - cast(std::ceil(wd * s1 * 0.5)));
  r.right = cast(static_cast<double>(cast(std::ceil(scale * wd))) + r.left);
  r.top = cast(static_cast<double>(static_cast<float>(origin_v) * fy) - std::ceil(hd * s1 * 0.5));
  r.bottom = cast(static_cast<double>(cast(std::ceil(hd * scale))) + r.top);
  if (!cast.fits()) return {0, 0, 0, 0};
  r.right = std::min(r.right, world_width);
  r.bottom = std::min(r.bottom, world_height);
  r.left = std::max(r.left, int32_t{0});
  r.top = std::max(r.top, int32_t{0});
  return r;
}

LegacyExtent ComputeLegacyExtent(const LegacyFrame& f, float scale, int32_t pixel_shape,
                                 int32_t out_width, int32_t out_height) {
  const int64_t p0 = pixel_shape == PIXEL_SHAPE_POINT ? 1 : 0;
  const float dx = LegacyFactor(f.downsample_x);
  const float dy = LegacyFactor(f.downsample_y);
  const int64_t ox = f.source_origin_x;
  const int64_t oy = f.source_origin_y;

  PixelCast cast;
  LegacyExtent e;
  e.dst_width = cast(static_cast<double>(std::min<int64_t>(
      out_width - ox, cast(std::ceil(static_cast<float>(f.width + p0) * scale * dx)))));
  e.dst_height = cast(static_cast<double>(std::min<int64_t>(
      out_height - oy, cast(std::ceil(static_cast<float>(f.height + p0) * scale * dy)))));
  e.src_width = cast(std::ceil(static_cast<float>(f.width) * dx));
  e.src_height = cast(std::ceil(static_cast<float>(f.height) * dy));
  if (!cast.fits()) return {0, 0, 0, 0};
  return e;
}
