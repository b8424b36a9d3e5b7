// The scaling geometry: where the enlarged image lands, for smart pre-render, FRAME_SETUP and the
// legacy render. Pure functions over plain numbers, in the precision and order the renderers
// depend on (single precision unless a step says double).
#pragma once
#include "HostSDK.h"

// Parameter values as the host delivers them, turned into render settings.
float ScaleFromParam(double value);                         // raised to 1.0
float EdgeBlurFromParam(double value, float scale);         // at most scale

struct PreRenderGeometry {
  PF_LRect result_rect;
  PF_LRect max_result_rect;
  float anchor_x;  // fraction by which the scaled left edge lies right of result_rect.left
  float anchor_y;
};

// Enlarges the input checkout's rectangles about the layer's anchor point (full-resolution layer
// pixels); the rectangles are in downsampled pixels.
PreRenderGeometry ComputePreRenderGeometry(const PF_LRect& result_rect,
                                           const PF_LRect& max_result_rect, float scale,
                                           int32_t pixel_shape, PF_RationalScale downsample_x,
                                           PF_RationalScale downsample_y, double anchor_x,
                                           double anchor_y);

struct FrameSetupResult {
  A_long width;
  A_long height;
  PF_Point origin;
};

// The enlarged output buffer of the legacy protocol. pixel_shape_popup is the 1-based popup value.
FrameSetupResult ComputeFrameSetup(const PF_InData& in_data, double scale_param,
                                   A_long pixel_shape_popup);

// The rectangle of the output world painted red by the legacy render for interlaced frames or a
// too-old plug-in, already clipped to the world.
PF_Rect LegacyRedRect(const PF_InData& in_data, const PF_Point& out_origin, float scale,
                      A_long world_width, A_long world_height);

struct LegacyExtent {
  A_long dst_width, dst_height;
  A_long src_width, src_height;
};

// Sizes the legacy render samples: at most the output world beyond the source origin.
LegacyExtent ComputeLegacyExtent(const PF_InData& in_data, float scale, int32_t pixel_shape,
                                 A_long out_width, A_long out_height);
