// The upscale kernels, one text for CUDA, OpenCL and a CPU run of the grid (kernel_support.h). The
// per-pixel mathematics is that of the CPU samplers (engine/core) with the same constants and the
// same order of operations, at the CPU's own source positions; the OpenCL build uses relaxed
// maths, so blended values may differ in the last bits.
#include "gpu/kernels/kernel_support.h"
#include "engine/core/scale_data.h"

// Pixel index of (x, y): the row offset in 32-bit signed arithmetic, as on the CPU.
GF_DEVICE_FUNCTION int32_t pixel_index(int32_t x, int32_t y, int32_t pitch) {
  return (int32_t)((uint32_t)y * (uint32_t)pitch) + x;
}

GF_DEVICE_FUNCTION float4 read_pixel(GF_PTR_READ_ONLY(float4) src, int32_t index, int32_t is16f) {
#if defined(GF_DEVICE_TARGET_OPENCL)
  GF_IF_OPENCL_16F
  if (is16f) return GF_READ_HALF4(src, index);
  GF_ENDIF_OPENCL_16F
#endif
  (void)is16f;
  return GF_READ_FLOAT4(src, index);
}

GF_DEVICE_FUNCTION void write_pixel(GF_PTR(float4) dst, int32_t index, int32_t is16f, float4 v) {
#if defined(GF_DEVICE_TARGET_OPENCL)
  GF_IF_OPENCL_16F
  if (is16f) {
    GF_WRITE_HALF4(dst, index, v);
    return;
  }
  GF_ENDIF_OPENCL_16F
#endif
  (void)is16f;
  GF_WRITE_FLOAT4(dst, index, v);
}

GF_DEVICE_FUNCTION float4 upscale_nn(GF_PTR_READ_ONLY(float4) src, ScaleParams p, float src_x,
                                     float src_y) {
  const float x1 = GF_ROUND(src_x);
  const float y1 = GF_ROUND(src_y);
  if (!(x1 >= 0.0f && x1 < (float)p.src_width && y1 >= 0.0f && y1 < (float)p.src_height)) {
    return GF_FLOAT4(0.0f, 0.0f, 0.0f, 0.0f);
  }
  return read_pixel(src, pixel_index((int32_t)x1, (int32_t)y1, p.src_pitch), p.is16f);
}

// One axis of the bilinear sampler: the two indices read (clamped into the image), whether each
// lay outside it, and their sharpened weights.
typedef struct {
  int32_t i1, i2;
  int32_t empty1, empty2;
  float b1, b2;
} axis_weights;

GF_DEVICE_FUNCTION axis_weights make_axis(float f, uint32_t size, float coeff) {
  axis_weights a;
  a.i1 = (int32_t)GF_FLOOR(f);
  a.i2 = a.i1 + 1;
  a.b2 = f - (float)a.i1;
  a.b1 = 1.0f - a.b2;
  // The larger weight ramps from 0 to 1 over a band 1/coeff wide around the pixel boundary.
  if (a.b1 > a.b2) {
    a.b1 = GF_CLAMP((a.b1 - 0.5f) * coeff + 0.5f, 0.0f, 1.0f);
    a.b2 = 1.0f - a.b1;
  } else {
    a.b2 = GF_CLAMP((a.b2 - 0.5f) * coeff + 0.5f, 0.0f, 1.0f);
    a.b1 = 1.0f - a.b2;
  }
  a.empty1 = a.i1 < 0;
  a.empty2 = a.i2 >= (int32_t)size;
  if (a.empty1) a.i1 = 0;
  if (a.empty2) a.i2 = (int32_t)size - 1;
  return a;
}

GF_DEVICE_FUNCTION float4 upscale_bilinear(GF_PTR_READ_ONLY(float4) src, ScaleParams p,
                                           float src_x, float src_y) {
  const float coeff = GF_MAX(p.scale / p.edge_blur_coeff, 1.0f);
  const axis_weights ay = make_axis(src_y, p.src_height, coeff);
  if (src_x < -1.0f || src_x >= (float)p.src_width || src_y < -1.0f ||
      src_y >= (float)p.src_height) {
    return GF_FLOAT4(0.0f, 0.0f, 0.0f, 0.0f);
  }
  const axis_weights ax = make_axis(src_x, p.src_width, coeff);
  const float4 p1 = read_pixel(src, pixel_index(ax.i1, ay.i1, p.src_pitch), p.is16f);
  const float4 p2 = read_pixel(src, pixel_index(ax.i2, ay.i1, p.src_pitch), p.is16f);
  const float4 p3 = read_pixel(src, pixel_index(ax.i1, ay.i2, p.src_pitch), p.is16f);
  const float4 p4 = read_pixel(src, pixel_index(ax.i2, ay.i2, p.src_pitch), p.is16f);
  float a1 = p1.w, a2 = p2.w, a3 = p3.w, a4 = p4.w;
  // Point pixels fade out over the outermost half pixel; the other shapes repeat the border.
  if (p.pixel_shape == PIXEL_SHAPE_POINT) {
    if (ax.empty1 || ay.empty1) a1 = 0.0f;
    if (ax.empty2 || ay.empty1) a2 = 0.0f;
    if (ax.empty1 || ay.empty2) a3 = 0.0f;
    if (ax.empty2 || ay.empty2) a4 = 0.0f;
  }
  float w1 = (ax.b1 * ay.b1) * a1;
  float w2 = (ax.b2 * ay.b1) * a2;
  float w3 = (ax.b1 * ay.b2) * a3;
  float w4 = (ax.b2 * ay.b2) * a4;
  const float total = ((w1 + w2) + w3) + w4;
  // Nearly transparent sources stay nearly transparent black instead of amplified colour.
  if (total > 0.0001f) {
    w1 /= total;
    w2 /= total;
    w3 /= total;
    w4 /= total;
  }
  const float alpha = ay.b1 * (ax.b1 * a1 + ax.b2 * a2) + ay.b2 * (ax.b1 * a3 + ax.b2 * a4);
  return GF_FLOAT4(((w1 * p1.x + w2 * p2.x) + w3 * p3.x) + w4 * p4.x,
                   ((w1 * p1.y + w2 * p2.y) + w3 * p3.y) + w4 * p4.y,
                   ((w1 * p1.z + w2 * p2.z) + w3 * p3.z) + w4 * p4.z, alpha);
}

// positions: the source position of every destination column, then of every row, as the CPU
// samplers compute them (engine/core/sample_positions.h). Relaxed maths may divide inexactly, and
// a position exactly on a block edge would then land on the other side. Rounding, flooring and
// comparing the host's floats are exact on every device. On the OpenCL bench (PoCL) reading them
// left the blends as fast as before and Nearest at most a fifth slower, where exact position
// arithmetic in integers took 2 to 10 times as long.
GF_KERNEL ScaleKernel(GF_PTR_READ_ONLY(float4) src, GF_PTR(float4) dst, ScaleParams p,
                      GF_PTR_READ_ONLY(float) positions) {
  GF_KERNEL_XY(x, y);
  if (x >= p.dst_width || y >= p.dst_height) return;

  const float src_x = positions[x];
  const float src_y = positions[p.dst_width + y];
  float4 v;
  if (p.type == SCALE_BILINEAR) {
    p.edge_blur_coeff = p.scale;
    v = upscale_bilinear(src, p, src_x, src_y);
  } else if (p.type == SCALE_NEAREST_NEIGHBOR_AA && p.edge_blur_coeff > 0.0f) {
    v = upscale_bilinear(src, p, src_x, src_y);
  } else {
    v = upscale_nn(src, p, src_x, src_y);
  }
  write_pixel(dst, pixel_index((int32_t)x, (int32_t)y, p.dst_pitch), p.is16f, v);
}

// Strip kernels: paint the top twentieth of the destination in one colour each. Built alongside
// ScaleKernel and kept for diagnosing a device by eye; the renderer never launches them.
GF_DEVICE_FUNCTION void paint_strip(GF_PTR(float4) dst, ScaleParams p, uint32_t x, uint32_t y,
                                    float4 colour) {
  if (x < p.dst_width && y < p.dst_height && y < p.dst_height / 20) {
    write_pixel(dst, pixel_index((int32_t)x, (int32_t)y, p.dst_pitch), p.is16f, colour);
  }
}

GF_KERNEL Donkey_ears_kernel(GF_PTR(float4) dst, ScaleParams p) {
  GF_KERNEL_XY(x, y);
  paint_strip(dst, p, x, y, GF_FLOAT4(0.0f, 1.0f, 0.0f, 1.0f));
}

GF_KERNEL Donkey_ears_kernel_metal(GF_PTR(float4) dst, ScaleParams p) {
  GF_KERNEL_XY(x, y);
  paint_strip(dst, p, x, y, GF_FLOAT4(1.0f, 0.5f, 1.0f, 1.0f));
}

GF_KERNEL Donkey_ears_kernel_opencl(GF_PTR(float4) dst, ScaleParams p) {
  GF_KERNEL_XY(x, y);
  paint_strip(dst, p, x, y, GF_FLOAT4(0.0f, 1.0f, 1.0f, 1.0f));
}
