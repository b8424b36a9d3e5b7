// The render record shared by pre-render, the CPU samplers and the GPU kernel. The kernel takes
// ScaleParams by value, so its field order, widths and signedness are part of the kernel ABI.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum ScalingType : int32_t {
  SCALE_NEAREST_NEIGHBOR = 0,
  SCALE_BILINEAR = 1,
  SCALE_NEAREST_NEIGHBOR_AA = 2,
  SCALE_NUM_TYPES = 3,
};

struct ScaleParams {
  int32_t src_pitch;  // pixels between source rows
  int32_t dst_pitch;  // pixels between destination rows
  int32_t is16f;      // GPU buffers hold half floats
  uint32_t dst_width;
  uint32_t dst_height;
  uint32_t src_width;
  uint32_t src_height;
  float scale;            // at least 1
  ScalingType type;
  float edge_blur_coeff;  // at most scale
  float anchor_x;         // sub-pixel phase of the output grid, [0, 1)
  float anchor_y;
  int32_t pixel_shape;    // 0 Point, 1 Square, 2 Circle
};

static_assert(sizeof(ScaleParams) == 52, "ScaleParams is passed to the GPU kernel by value");
static_assert(offsetof(ScaleParams, src_pitch) == 0 && offsetof(ScaleParams, dst_pitch) == 4 &&
              offsetof(ScaleParams, is16f) == 8 && offsetof(ScaleParams, dst_width) == 12 &&
              offsetof(ScaleParams, dst_height) == 16 && offsetof(ScaleParams, src_width) == 20 &&
              offsetof(ScaleParams, src_height) == 24 && offsetof(ScaleParams, scale) == 28 &&
              offsetof(ScaleParams, type) == 32 && offsetof(ScaleParams, edge_blur_coeff) == 36 &&
              offsetof(ScaleParams, anchor_x) == 40 && offsetof(ScaleParams, anchor_y) == 44 &&
              offsetof(ScaleParams, pixel_shape) == 48,
              "ScaleParams field order is fixed");

// Pre-render data handed to the host (which frees it with free()).
struct ScaleInfo {
  ScaleParams params;
  bool gpu_accelerated;
};

enum PixelShape : int32_t {
  PIXEL_SHAPE_POINT = 0,
  PIXEL_SHAPE_SQUARE = 1,
  PIXEL_SHAPE_CIRCLE = 2,
};
