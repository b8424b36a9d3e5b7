// The render record shared by the CPU samplers and the GPU kernel. The kernel takes
// ScaleParams by value, so its field order, widths and signedness are part of the kernel ABI.
// This one header is compiled as C++ (host code and CUDA) and, through the kernel's macro layer,
// as OpenCL C; the layout checks at the end run on every side.
#pragma once

#if defined(GF_DEVICE_TARGET_OPENCL)
// OpenCL C: the kernel's macro layer supplies int32_t and uint32_t; C99 has no static_assert.
#define TG_ENUM_INT32
#define TG_LAYOUT_CHECK(cond, name) typedef char name[(cond) ? 1 : -1]
#define TG_OFFSETOF(type, field) __builtin_offsetof(type, field)
#else
#include <stddef.h>
#include <stdint.h>
#define TG_ENUM_INT32 : int32_t
#define TG_LAYOUT_CHECK(cond, name) static_assert(cond, #name)
#define TG_OFFSETOF(type, field) offsetof(type, field)
#endif

enum ScalingType TG_ENUM_INT32 {
  SCALE_NEAREST_NEIGHBOR = 0,
  SCALE_BILINEAR = 1,
  SCALE_NEAREST_NEIGHBOR_AA = 2,
  SCALE_NUM_TYPES = 3,
};
typedef enum ScalingType ScalingType;

typedef struct ScaleParams {
  int32_t src_pitch;  // pixels between source rows
  int32_t dst_pitch;  // pixels between destination rows
  int32_t is16f;      // GPU buffers hold half floats
  uint32_t dst_width;
  uint32_t dst_height;
  uint32_t src_width;
  uint32_t src_height;
  float scale;  // at least 1
  ScalingType type;
  float edge_blur_coeff;  // at most scale
  float anchor_x;         // sub-pixel phase of the output grid, [0, 1)
  float anchor_y;
  int32_t pixel_shape;  // 0 Point, 1 Square, 2 Circle
} ScaleParams;

TG_LAYOUT_CHECK(sizeof(ScaleParams) == 52, ScaleParams_is_passed_to_the_kernel_by_value);
// The field order is fixed: one check per field.
#define TG_FIELD_AT(field, offset) \
  TG_LAYOUT_CHECK(TG_OFFSETOF(ScaleParams, field) == offset, ScaleParams_##field##_at_##offset)
TG_FIELD_AT(src_pitch, 0);
TG_FIELD_AT(dst_pitch, 4);
TG_FIELD_AT(is16f, 8);
TG_FIELD_AT(dst_width, 12);
TG_FIELD_AT(dst_height, 16);
TG_FIELD_AT(src_width, 20);
TG_FIELD_AT(src_height, 24);
TG_FIELD_AT(scale, 28);
TG_FIELD_AT(type, 32);
TG_FIELD_AT(edge_blur_coeff, 36);
TG_FIELD_AT(anchor_x, 40);
TG_FIELD_AT(anchor_y, 44);
TG_FIELD_AT(pixel_shape, 48);

enum PixelShape TG_ENUM_INT32 {
  PIXEL_SHAPE_POINT = 0,
  PIXEL_SHAPE_SQUARE = 1,
  PIXEL_SHAPE_CIRCLE = 2,
};
typedef enum PixelShape PixelShape;
