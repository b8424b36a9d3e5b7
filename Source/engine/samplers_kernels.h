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
// plane columns. keep masks are all ones, or zero where the Point shape makes that tap's alpha 0
// because its unclamped index lies outside the image. For columns whose weights are exactly 1
// and 0, `sel` is the one tap that counts and keep_sel its mask.
struct ColumnTaps {
  const int32_t* i1;
  const int32_t* i2;
  const float* b1;
  const float* b2;
  const uint32_t* keep1;
  const uint32_t* keep2;
  const int32_t* sel;
  const uint32_t* keep_sel;
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
using TapsFn = void (*)(const ColumnTaps& cols, const RowTaps& row, size_t begin, size_t end, uint8_t* out);

// Converts `count` pixels of a source row to planes, each followed by kMaxLanes zeros.
using PlanesFn = void (*)(const uint8_t* row, size_t count, float* const planes[4]);

// out[k] = src[index[k]] for k in [0, n), indices rising; src holds src_count pixels of 4, 8
// or 16 bytes.
using GatherFn = void (*)(const uint8_t* src, size_t src_count, const int32_t* index, size_t n, uint8_t* out);

// Where the destination columns find their values when the distinct column taps were computed
// in two lists (each list's slots rising with the column). For each group of 32 bytes of
// destination pixels (8, 4 or 2 columns), the first slot each list contributes, and per column
// the list (bit 3) and the offset from that first slot (bits 0 to 2).
struct Lanes {
  int32_t base[2];
  uint8_t lane[8];
};
constexpr size_t GroupColumns(size_t pixel_size) { return 32 / pixel_size; }

// Expands values into n destination columns by their groups; values has room for a whole
// window of 32 bytes past any base.
using ExpandFn = void (*)(const uint8_t* values, const Lanes* groups, size_t n, uint8_t* out);

// The kernels of one pixel layout. With integer channels every value is finite and not
// negative, so a tap whose weight is exactly 0 adds exactly +0 and can be left out:
// `horizontal` serves rows whose weights are 1 and 0, `vertical` such columns, `copy` both.
// Float channels may hold infinity or NaN (0 x NaN is NaN), so only `full` is ever exact there
// and the others are null.
struct LayoutKernels {
  TapsFn full, horizontal, vertical, copy;
  PlanesFn planes;
};

// Writes bytes to dst (any alignment) with streaming stores: a copy of src, or zeros when src is
// null. The caller fences once it has written everything.
using StreamFn = void (*)(uint8_t* dst, const uint8_t* src, size_t bytes);

// Kernels by PixelLayout, gathers and expansions by pixel size 4, 8, 16.
struct KernelSet {
  LayoutKernels layout[5];
  GatherFn gather[3];
  ExpandFn expand[3];
  StreamFn stream;
};

const KernelSet& Sse2Kernels();
// Null when the AVX2 file was built without AVX2 support.
const KernelSet* Avx2Kernels();

}  // namespace samplers
