// The job every benchmark times: an output enlarged from a source just large enough for the
// scale, Point shape, anchors at half a pixel, tightly packed rows.
#pragma once
#include <cstdint>

#include "engine/core/scale_data.h"

constexpr uint32_t kWidth = 1920;
constexpr uint32_t kHeight = 1080;

inline ScaleParams UpscaleJob(ScalingType type, int scale, float edge_blur_coeff, uint32_t width,
                              uint32_t height) {
  ScaleParams p{};
  p.src_width = (width + scale - 1) / scale;
  p.src_height = (height + scale - 1) / scale;
  p.dst_width = width;
  p.dst_height = height;
  p.src_pitch = static_cast<int32_t>(p.src_width);
  p.dst_pitch = static_cast<int32_t>(width);
  p.scale = static_cast<float>(scale);
  p.type = type;
  p.edge_blur_coeff = edge_blur_coeff;
  p.anchor_x = 0.5f;
  p.anchor_y = 0.5f;
  p.pixel_shape = PIXEL_SHAPE_POINT;
  return p;
}

inline ScaleParams FullHdJob(ScalingType type, int scale, float edge_blur_coeff) {
  return UpscaleJob(type, scale, edge_blur_coeff, kWidth, kHeight);
}
