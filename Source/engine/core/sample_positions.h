// Where destination pixels sample the source: the mapping from a destination column or row to a
// source position, and the taps a position gives each sampler. Shared by both samplers, so that a
// pixel's position is formed by one piece of arithmetic, and tabulated by the GPU render, so that
// the kernel picks the same source pixels and block edges.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/core/scale_data.h"

namespace samplers {

// Maps destination column or row v to a source position in which integers fall on source pixel
// centres; the inverse of the pre-render edge mapping. Evaluated as
// ((v / scale - range) + 0.5 / scale) - anchor / scale; the two quotients that do not depend on v
// are the same floats whether formed here or once per call. In a window of a larger destination
// v counts from the window's first column or row and `offset` turns it into the larger one's
// index before anything else: the tables of a window are those of the same pixels of the whole.
struct Mapper {
  float scale, range, half_over_scale, anchor_over_scale;
  uint32_t offset;
  Mapper(float s, float anchor, int32_t shape, uint32_t window_offset = 0)
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

// roundf, then a range check so that a far-off position never overflows the integer.
inline bool RoundedIndex(float f, uint32_t size, int32_t& index) {
  const float r = RoundHalfAway(f);
  if (!(r >= 0.0f && r < 2147483648.0f)) return false;
  index = static_cast<int32_t>(r);
  return index <= static_cast<int64_t>(size) - 1;
}

// One axis of the bilinear sampler: the two source indices, their sharpened weights and whether
// each lies outside the image.
struct Axis {
  int32_t i1, i2;       // clamped indices actually read
  float b1, b2;         // weights
  bool empty1, empty2;  // unclamped index outside the image
};

// Returns false when the position lies outside [-1, size): the whole row or pixel is empty.
inline bool MakeAxis(float f, uint32_t size, float coeff, Axis& a) {
  // Written as a negated range test so that a NaN position counts as outside too.
  if (!(f >= -1.0f && f < static_cast<float>(size))) return false;
  const int32_t i1 = static_cast<int32_t>(std::floor(f));
  const int32_t i2 = i1 + 1;
  const float t = f - static_cast<float>(i1);
  float b1 = 1.0f - t;
  float b2 = t;
  // The sharpened weight ramps from 0 to 1 over a band 1/coeff wide around the pixel boundary.
  if (b1 > b2) {
    b1 = std::clamp((b1 - 0.5f) * coeff + 0.5f, 0.0f, 1.0f);
    b2 = 1.0f - b1;
  } else {
    b2 = std::clamp((b2 - 0.5f) * coeff + 0.5f, 0.0f, 1.0f);
    b1 = 1.0f - b2;
  }
  a.b1 = b1;
  a.b2 = b2;
  a.empty1 = i1 < 0;
  a.empty2 = static_cast<int64_t>(i2) >= static_cast<int64_t>(size);
  a.i1 = std::max(i1, 0);
  a.i2 = std::min<int64_t>(i2, static_cast<int64_t>(size) - 1);
  return true;
}

// Floats in a table of every destination column's source position followed by every row's.
inline uint32_t SourcePositionCount(const ScaleParams& p) { return p.dst_width + p.dst_height; }

inline void FillSourcePositions(const ScaleParams& p, float* table) {
  const Mapper mx(p.scale, p.anchor_x, p.pixel_shape);
  const Mapper my(p.scale, p.anchor_y, p.pixel_shape);
  for (uint32_t x = 0; x < p.dst_width; ++x) table[x] = mx(x);
  for (uint32_t y = 0; y < p.dst_height; ++y) table[p.dst_width + y] = my(y);
}

// Point pixels fade out over the outermost half pixel: a tap outside the image counts with alpha
// 0. The other shapes repeat the border pixel so the image edge stays hard.
inline uint32_t Keep(bool point, bool empty) { return point && empty ? 0u : ~0u; }

}  // namespace samplers
