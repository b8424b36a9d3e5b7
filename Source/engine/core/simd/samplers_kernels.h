// Private to the samplers: the per-render tables and the instruction-set kernels that read them.
// The SSE2 and AVX2 files each fill one KernelSet from the same templates (samplers_simd.h);
// every lane performs exactly the scalar sampler's float operations in the same order, so all
// sets give identical bytes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace samplers {

// Lanes of the widest kernel: tables and value buffers are padded to a multiple of this, so a
// kernel only ever runs whole chunks, and float planes carry this many readable floats past
// their end.
constexpr size_t kMaxLanes = 8;

// One source row as four float planes (channels in memory order), converted once per row.
struct Planes {
  const float* c[4];
};

// Bilinear taps of destination columns, as parallel arrays padded to whole chunks. Indices count
// plane columns, of which there are `width`. keep masks are all ones, or zero where the Point
// shape makes that tap's alpha 0 because its unclamped index lies outside the image. For columns
// whose weights are exactly 1 and 0, `sel` is the one tap that counts and keep_sel its mask.
struct ColumnTaps {
  const int32_t* i1;
  const int32_t* i2;
  const float* b1;
  const float* b2;
  const uint32_t* keep1;
  const uint32_t* keep2;
  const int32_t* sel;
  const uint32_t* keep_sel;
  size_t width;
};

// The same for one destination row. For a row whose weights are exactly 1 and 0, psel, raw_sel
// (the source pixels at plane column 0) and keep_sel describe the one source row that counts.
struct RowTaps {
  Planes p1, p2;
  float b1, b2;
  uint32_t keep1, keep2;
  Planes psel;
  const uint8_t* raw_sel;
  uint32_t keep_sel;
};

// Computes the pixels of entries [begin, end) of the column taps into out (packed pixels);
// end - begin is a multiple of the kernel's lane count.
using TapsFn = void (*)(const ColumnTaps& cols, const RowTaps& row, size_t begin, size_t end,
                        uint8_t* out);

// Converts `count` pixels of a source row to planes, each followed by kMaxLanes zeros. Returns
// whether every value is plain: finite, and positive or +0 (as 32-bit patterns, below
// 0x7F800000). Integer channels always are.
using PlanesFn = bool (*)(const uint8_t* row, size_t count, float* const planes[4]);

// Where one gather loads from: for each 32 bytes of gathered 4- or 8-byte pixels (8 or 4 of
// them), when their sources lie within 32 bytes of the source, the first source pixel of that
// window and each output pixel's offset from it; otherwise base is -1. (Not a DestWindow: that
// one is a crop of the destination.)
struct LoadWindow {
  int32_t base;
  uint8_t offset[8];
};

// out[k] = src[index[k]] for k in [0, n), pixels of 4, 8 or 16 bytes; the windows (one per 32
// bytes of output, null for 16-byte pixels) may replace the index.
using GatherFn = void (*)(const uint8_t* src, const int32_t* index, const LoadWindow* windows,
                          size_t n, uint8_t* out);

// Where the destination columns find their values when the distinct column taps were computed
// in two lists (each list's slots rising with the column). For each group of 32 bytes of
// destination pixels (8 or 4 columns of 4- or 8-byte pixels), the first slot each list
// contributes, and per column the list (bit 3) and the offset from that first slot (bits 0 to 2).
struct Lanes {
  int32_t base[2];
  uint8_t lane[8];
};
constexpr size_t GroupColumns(size_t pixel_size) { return 32 / pixel_size; }

// Expands values into n destination columns by their groups; values has room for a whole
// window of 32 bytes past any base. For 4- and 8-byte pixels.
using ExpandFn = void (*)(const uint8_t* values, const Lanes* groups, size_t n, uint8_t* out);

// The kernels of one pixel layout. When every value the four taps read is plain, each product
// is positive or +0, so a tap whose weight is exactly 0 adds exactly +0 and can be left out:
// `horizontal` serves rows whose weights are 1 and 0, `vertical` such columns, `copy` both.
// Integer channels are always plain; float rows only when checked (0 x NaN and 0 x infinity are
// NaN, and +0 added to -0 gives +0). `full` is exact everywhere.
struct LayoutKernels {
  TapsFn full, horizontal, vertical, copy;
  PlanesFn planes;
};

// The same gather written to k destination rows at once (1 to 4): the 32-byte chunks of each
// (32-byte aligned) with streaming stores, a last partial chunk with ordinary ones.
using GatherRowsFn = void (*)(const uint8_t* src, const int32_t* index, const LoadWindow* windows,
                              size_t n, uint8_t* const* outs, size_t k);

// Writes bytes to dst (any alignment) with streaming stores: a copy of src, or zeros when src is
// null. The caller fences once it has written everything.
using StreamFn = void (*)(uint8_t* dst, const uint8_t* src, size_t bytes);

// Kernels by PixelLayout, gathers by pixel size 4, 8, 16, expansions by pixel size 4, 8.
struct KernelSet {
  LayoutKernels layout[5];
  GatherFn gather[3];
  GatherRowsFn gather_rows[3];
  ExpandFn expand[2];
  StreamFn stream;
};

const KernelSet& Sse2Kernels();
// Null when the AVX2 file was built without AVX2 support.
const KernelSet* Avx2Kernels();

}  // namespace samplers
