// The job every benchmark times: a 1920x1080 output enlarged from a source just large enough
// for the scale, Point shape, anchors at half a pixel, tightly packed rows.
#pragma once
#include <cstdint>

#include "engine/scale_data.h"

constexpr uint32_t kWidth = 1920;
constexpr uint32_t kHeight = 1080;

inline ScaleParams FullHdJob(ScalingType type, int scale, float edge_blur_coeff) {
  ScaleParams p{};
  p.src_width = (kWidth + scale - 1) / scale;
  p.src_height = (kHeight + scale - 1) / scale;
  p.dst_width = kWidth;
  p.dst_height = kHeight;
  p.src_pitch = static_cast<int32_t>(p.src_width);
  p.dst_pitch = static_cast<int32_t>(kWidth);
  p.scale = static_cast<float>(scale);
  p.type = type;
  p.edge_blur_coeff = edge_blur_coeff;
  p.anchor_x = 0.5f;
  p.anchor_y = 0.5f;
  p.pixel_shape = PIXEL_SHAPE_POINT;
  return p;
}
