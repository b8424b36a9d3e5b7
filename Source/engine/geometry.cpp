#include "engine/geometry.h"

#include <algorithm>
#include <cmath>

#include "engine/scale_data.h"

float ScaleFromParam(double value) {
  const float s = static_cast<float>(value);
  return s < 1.0f ? 1.0f : s;
}

float EdgeBlurFromParam(double value, float scale) {
  return std::min(scale, static_cast<float>(value));
}

namespace {

// One axis of the pre-render mapping: an input edge v lands at
// float(double(float(v) -/+ h) - a) * scale + float(a), with a the downsampled anchor.
struct EdgeMap {
  double a;
  float af;
  float h;
  float scale;
  float Map(A_long v, bool low_edge) const {
    const float fv = static_cast<float>(v);
    const float shifted = low_edge ? fv - h : fv + h;
    const float rel = static_cast<float>(static_cast<double>(shifted) - a);
    return rel * scale + af;
  }
};

PF_LRect MapRect(const PF_LRect& r, const EdgeMap& mx, const EdgeMap& my) {
  return {static_cast<A_long>(std::floor(mx.Map(r.left, true))),
          static_cast<A_long>(std::floor(my.Map(r.top, true))),
          static_cast<A_long>(std::ceil(mx.Map(r.right, false))),
          static_cast<A_long>(std::ceil(my.Map(r.bottom, false)))};
}

// Pre-render's downsampling factor: each term converted to float before the division.
float FloatFactor(PF_RationalScale s) {
  return static_cast<float>(s.num) / static_cast<float>(s.den);
}

// The legacy protocol's factor: a double quotient rounded to float.
float LegacyFactor(PF_RationalScale s) {
  return static_cast<float>(static_cast<double>(s.num) / static_cast<double>(s.den));
}

}  // namespace

PreRenderGeometry ComputePreRenderGeometry(const PF_LRect& result_rect,
                                           const PF_LRect& max_result_rect, float scale,
                                           int32_t pixel_shape, PF_RationalScale downsample_x,
                                           PF_RationalScale downsample_y, double anchor_x,
                                           double anchor_y) {
  const float h = pixel_shape == PIXEL_SHAPE_POINT ? 0.5f : 0.0f;
  const double ax = static_cast<double>(FloatFactor(downsample_x)) * anchor_x;
  const double ay = static_cast<double>(FloatFactor(downsample_y)) * anchor_y;
  const EdgeMap mx{ax, static_cast<float>(ax), h, scale};
  const EdgeMap my{ay, static_cast<float>(ay), h, scale};

  PreRenderGeometry g;
  g.result_rect = MapRect(result_rect, mx, my);
  g.max_result_rect = MapRect(max_result_rect, mx, my);
  g.anchor_x = mx.Map(result_rect.left, true) - static_cast<float>(g.result_rect.left);
  g.anchor_y = my.Map(result_rect.top, true) - static_cast<float>(g.result_rect.top);
  return g;
}

FrameSetupResult ComputeFrameSetup(const PF_InData& in_data, double scale_param,
                                   A_long pixel_shape_popup) {
  const float scale = ScaleFromParam(scale_param);
  const A_long p0 = pixel_shape_popup == 1 ? 1 : 0;  // Point covers one more pixel
  const float dx = LegacyFactor(in_data.downsample_x);
  const float dy = LegacyFactor(in_data.downsample_y);
  const float fy = in_data.field >= 1 ? dy : 1.0f;
  const float w = std::ceil(dx * (static_cast<float>(in_data.width + p0) * scale));
  const float h = std::ceil(dy * (static_cast<float>(in_data.height + p0) * scale));

  FrameSetupResult r;
  r.width = static_cast<A_long>(w) + in_data.pre_effect_source_origin_x;
  r.height = static_cast<A_long>(h) +
             static_cast<A_long>(static_cast<float>(in_data.pre_effect_source_origin_y) * fy);
  // The origin moves right and down by half the growth (the conversion truncates toward zero).
  r.origin.h = in_data.output_origin_x - static_cast<A_long>((w / scale) * (scale - 1.0f) * -0.5f);
  r.origin.v = in_data.output_origin_y - static_cast<A_long>((h / scale) * (scale - 1.0f) * -0.5f);
  if (in_data.field > 0) {
    r.height = static_cast<A_long>(static_cast<float>(r.height) * 2.0f);
  }
  return r;
}

PF_Rect LegacyRedRect(const PF_InData& in_data, const PF_Point& out_origin, float scale,
                      A_long world_width, A_long world_height) {
  const double dx = static_cast<double>(in_data.downsample_x.num) / in_data.downsample_x.den;
  const double dy = static_cast<double>(in_data.downsample_y.num) / in_data.downsample_y.den;
  const float fy = in_data.field >= 1 ? static_cast<float>(dy) : 1.0f;
  const float s1 = scale - 1.0f;
  const double wd = dx * in_data.width;
  const double hd = dy * in_data.height;

  PF_Rect r;
  r.left = out_origin.h - static_cast<A_long>(std::ceil(wd * s1 * 0.5));
  r.right = static_cast<A_long>(std::ceil(scale * wd)) + r.left;
  r.top = static_cast<A_long>(static_cast<double>(static_cast<float>(out_origin.v) * fy) -
                              std::ceil(hd * s1 * 0.5));
  r.bottom = static_cast<A_long>(std::ceil(hd * scale)) + r.top;
  r.right = std::min(r.right, world_width);
  r.bottom = std::min(r.bottom, world_height);
  r.left = std::max(r.left, A_long{0});
  r.top = std::max(r.top, A_long{0});
  return r;
}

LegacyExtent ComputeLegacyExtent(const PF_InData& in_data, float scale, int32_t pixel_shape,
                                 A_long out_width, A_long out_height) {
  const A_long p0 = pixel_shape == PIXEL_SHAPE_POINT ? 1 : 0;
  const float dx = LegacyFactor(in_data.downsample_x);
  const float dy = LegacyFactor(in_data.downsample_y);
  const A_long ox = in_data.pre_effect_source_origin_x;
  const A_long oy = in_data.pre_effect_source_origin_y;

  LegacyExtent e;
  e.dst_width = std::min(out_width - ox, static_cast<A_long>(std::ceil(
                                             static_cast<float>(in_data.width + p0) * scale * dx)));
  e.dst_height = std::min(out_height - oy, static_cast<A_long>(std::ceil(
                                               static_cast<float>(in_data.height + p0) * scale * dy)));
  e.src_width = static_cast<A_long>(std::ceil(static_cast<float>(in_data.width) * dx));
  e.src_height = static_cast<A_long>(std::ceil(static_cast<float>(in_data.height) * dy));
  return e;
}
