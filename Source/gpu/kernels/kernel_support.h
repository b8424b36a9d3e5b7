// The few device-language differences the kernel text needs, so that one source compiles with
// nvcc (into the checked-in PTX), preprocessed with GF_DEVICE_TARGET_OPENCL at build time as
// OpenCL C built per device at run time, and with GF_DEVICE_TARGET_CPU as C++ for running a grid
// on the CPU. Pointers are to pixels of four floats; indices count pixels.
#pragma once

#if defined(GF_DEVICE_TARGET_OPENCL)

typedef int int32_t;
typedef uint uint32_t;

#define GF_KERNEL __kernel void
#define GF_DEVICE_FUNCTION static
#define GF_PTR(T) __global T*
#define GF_PTR_READ_ONLY(T) __global const T*
#define GF_FLOAT4(x, y, z, w) ((float4)((x), (y), (z), (w)))
#define GF_KERNEL_XY(x, y)                        \
  const uint32_t x = (uint32_t)get_global_id(0); \
  const uint32_t y = (uint32_t)get_global_id(1)
#define GF_FLOOR(v) floor(v)
#define GF_ROUND(v) round(v)
#define GF_MAX(a, b) fmax(a, b)
#define GF_CLAMP(v, lo, hi) clamp(v, lo, hi)

// Half storage exists only in the OpenCL text, and only when the device was built with
// GF_OPENCL_SUPPORTS_16F 1. The condition must survive the build-time preprocessing, so these two
// leave pragmas that the embedding step turns into "#if GF_OPENCL_SUPPORTS_16F" and "#endif".
#define GF_IF_OPENCL_16F _Pragma("gf_if_opencl_16f")
#define GF_ENDIF_OPENCL_16F _Pragma("gf_endif_opencl_16f")
#define GF_READ_HALF4(p, i) vload_half4((size_t)(i), (__global const half*)(p))
#define GF_WRITE_HALF4(p, i, v) vstorea_half4_rtz((v), (size_t)(i), (__global half*)(p))

#elif defined(GF_DEVICE_TARGET_CPU)

#include <cmath>
#include <cstdint>

#include "engine/core/sample_positions.h"

struct float4 {
  float x, y, z, w;
};
struct gf_dim3 {
  uint32_t x, y, z;
};
// The work item a CPU run of a grid is at, as CUDA's built-in variables give it on a device; set
// by the runner before each call of a kernel.
extern thread_local gf_dim3 gf_block_idx, gf_block_dim, gf_thread_idx;

#define GF_KERNEL void
#define GF_DEVICE_FUNCTION static inline
#define GF_PTR(T) T*
#define GF_PTR_READ_ONLY(T) const T*
#define GF_FLOAT4(x, y, z, w) (float4{(x), (y), (z), (w)})
#define GF_KERNEL_XY(x, y)                                            \
  const uint32_t x = gf_block_idx.x * gf_block_dim.x + gf_thread_idx.x; \
  const uint32_t y = gf_block_idx.y * gf_block_dim.y + gf_thread_idx.y
#define GF_FLOOR(v) std::floor(v)
#define GF_ROUND(v) samplers::RoundHalfAway(v)
#define GF_MAX(a, b) std::fmax(a, b)
#define GF_CLAMP(v, lo, hi) std::fmin(std::fmax(v, lo), hi)

#else  // CUDA

#define GF_KERNEL extern "C" __global__ void
#define GF_DEVICE_FUNCTION static __device__ __forceinline__
#define GF_PTR(T) T*
#define GF_PTR_READ_ONLY(T) const T*
#define GF_FLOAT4(x, y, z, w) make_float4((x), (y), (z), (w))
#define GF_KERNEL_XY(x, y)                                  \
  const uint32_t x = blockIdx.x * blockDim.x + threadIdx.x; \
  const uint32_t y = blockIdx.y * blockDim.y + threadIdx.y
#define GF_FLOOR(v) floorf(v)
#define GF_ROUND(v) roundf(v)
#define GF_MAX(a, b) fmaxf(a, b)
#define GF_CLAMP(v, lo, hi) fminf(fmaxf(v, lo), hi)

#endif

#define GF_READ_FLOAT4(p, i) ((p)[i])
#define GF_WRITE_FLOAT4(p, i, v) ((p)[i] = (v))
