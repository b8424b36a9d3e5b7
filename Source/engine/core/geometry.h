// The scaling geometry: where the enlarged image lands, for smart pre-render, FRAME_SETUP and the
// legacy render. Pure functions over plain numbers, in the precision and order the renderers
// depend on (single precision unless a step says double). The command handlers read the host's
// records once and pass the numbers here.
#pragma once
#include <cstdint>

// A rectangle in pixels, right and bottom exclusive.
struct IntRect {
  int32_t left, top, right, bottom;
};

// A downsampling factor num / den as the host gives it.
struct Ratio {
  int32_t num;
  uint32_t den;
};

// The largest enlargement the Scale parameter offers.
inline constexpr float kMaxScale = 64.0f;

// Parameter values as the host delivers them, turned into render settings. Scale is raised to
// 1.0; a scale that is not a number counts as 1.0, an infinite one (or one a float cannot hold)
// as kMaxScale. Edge blur is at most the scale; one that is not a number counts as the scale, one
// below what a float holds as 0 (no blur: Nearest AA then samples as Nearest).
float ScaleFromParam(double value);
float EdgeBlurFromParam(double value, float scale);

struct PreRenderGeometry {
  IntRect result_rect;
  IntRect max_result_rect;
  float anchor_x;  // fraction by which the scaled left edge lies right of result_rect.left
  float anchor_y;
};

// Enlarges the input checkout's rectangles about the layer's anchor point (full-resolution layer
// pixels); the rectangles are in downsampled pixels.
//
// Geometry that has no pixels (a zero downsampling denominator, a scale or anchor that is not a
// finite number, edges beyond the 32-bit range) gives each function's empty result: empty
// rectangles with anchors 0 here, a 0 x 0 frame at the host's output origin from
// ComputeFrameSetup, an empty rectangle from LegacyRedRect and empty extents from
// ComputeLegacyExtent.
PreRenderGeometry ComputePreRenderGeometry(const IntRect& result_rect,
                                           const IntRect& max_result_rect, float scale,
                                           int32_t pixel_shape, Ratio downsample_x,
                                           Ratio downsample_y, double anchor_x, double anchor_y);

// A frame of the legacy protocol as the host describes it.
struct LegacyFrame {
  int32_t width, height;  // the layer, in full-resolution pixels
  Ratio downsample_x, downsample_y;
  int32_t field;  // 0 progressive, 1 upper field first, 2 lower field first
  int32_t source_origin_x, source_origin_y;  // where the layer lies in the input buffer
};

struct FrameSetupResult {
  int32_t width;
  int32_t height;
  int32_t origin_h, origin_v;
};

// The enlarged output buffer of the legacy protocol; output_origin is the host's, the popup value
// is 1-based.
FrameSetupResult ComputeFrameSetup(const LegacyFrame& frame, int32_t output_origin_x,
                                   int32_t output_origin_y, double scale_param,
                                   int32_t pixel_shape_popup);

// The rectangle of the output world painted red by the legacy render for interlaced frames or a
// too-old plug-in, already clipped to the world. origin is the output origin frame set-up chose.
IntRect LegacyRedRect(const LegacyFrame& frame, int32_t origin_h, int32_t origin_v, float scale,
                      int32_t world_width, int32_t world_height);

struct LegacyExtent {
  int32_t dst_width, dst_height;
  int32_t src_width, src_height;
};

// Sizes the legacy render samples: at most the output world beyond the source origin.
LegacyExtent ComputeLegacyExtent(const LegacyFrame& frame, float scale, int32_t pixel_shape,
                                 int32_t out_width, int32_t out_height);
