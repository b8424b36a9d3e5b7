// Where a destination column or row samples the source: the one mapping of the CPU samplers. The
// GPU render tabulates it too, so that the kernel picks the same source pixels and block edges.
#pragma once
#include <cmath>
#include <cstdint>

#include "engine/scale_data.h"

// Maps destination column or row v to a source position in which integers fall on source pixel
// centres; the inverse of the pre-render edge mapping. Evaluated as
// ((v / scale - range) + 0.5 / scale) - anchor / scale; the two quotients that do not depend on v
// are the same floats whether formed here or once per call. In a window of a larger destination
// v counts from the window's first column or row and `offset` turns it into the larger one's
// index before anything else: the tables of a window are those of the same pixels of the whole.
struct SourceMapper {
  float scale, range, half_over_scale, anchor_over_scale;
  uint32_t offset;
  SourceMapper(float s, float anchor, int32_t shape, uint32_t window_offset = 0)
      : scale(s),
        range(shape == PIXEL_SHAPE_POINT ? 1.0f : 0.5f),
        half_over_scale(0.5f / s),
        anchor_over_scale(anchor / s),
        offset(window_offset) {}
  float operator()(uint32_t v) const {
    return ((static_cast<float>(v + offset) / scale - range) + half_over_scale) - anchor_over_scale;
  }
};

// roundf's result (halves away from zero) on every C runtime: some roundf add 0.5 and floor, which
// takes 0.49999997 to 1 and moves the first block edge at whole scales.
inline float RoundHalfAway(float f) {
  const float t = std::trunc(f);
  return std::fabs(f - t) >= 0.5f ? t + std::copysign(1.0f, f) : t;
}

// Floats in a table of every destination column's source position followed by every row's.
inline uint32_t SourcePositionCount(const ScaleParams& p) { return p.dst_width + p.dst_height; }

inline void FillSourcePositions(const ScaleParams& p, float* table) {
  const SourceMapper mx(p.scale, p.anchor_x, p.pixel_shape);
  const SourceMapper my(p.scale, p.anchor_y, p.pixel_shape);
  for (uint32_t x = 0; x < p.dst_width; ++x) table[x] = mx(x);
  for (uint32_t y = 0; y < p.dst_height; ++y) table[p.dst_width + y] = my(y);
}
