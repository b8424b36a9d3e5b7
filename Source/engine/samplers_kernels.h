// Private to the samplers: the per-render tables and the instruction-set kernels that read them.
// The SSE2 and AVX2 files each fill one KernelSet; every lane of a kernel performs exactly the
// scalar sampler's float operations in the same order, so all sets give identical bytes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace samplers {

// Lanes of the widest kernel: tables and value buffers are padded to a multiple of this, so a
// kernel only ever runs whole chunks.
constexpr size_t kMaxLanes = 8;

// Bilinear taps of the distinct destination columns, as parallel arrays (padded entries repeat
// the last real one). keep masks are all ones, or zero where the Point shape makes that tap's
// alpha 0 because its unclamped index lies outside the image.
struct ColumnTaps {
  const int32_t* i1;
  const int32_t* i2;
  const float* b1;
  const float* b2;
  const uint32_t* keep1;
  const uint32_t* keep2;
  int32_t width;  // of the source
};

// The same for one destination row, with the two source rows it reads.
struct RowTaps {
  const uint8_t* row1;
  const uint8_t* row2;
  float b1, b2;
  uint32_t keep1, keep2;
};

// Computes the pixels of columns [begin, end) of `cols` into `out` (packed pixels);
// end - begin is a multiple of the kernel's lane count.
using BilinearFn = void (*)(const ColumnTaps& cols, const RowTaps& row, size_t begin, size_t end,
                            void* out);

// out[k] = src[index[k]] for k in [0, n): pixels of 4, 8 or 16 bytes.
using GatherFn = void (*)(const uint8_t* src, const int32_t* index, size_t n, uint8_t* out);

// Kernels by PixelLayout (bilinear) and by pixel size 4, 8, 16 (gather).
struct KernelSet {
  size_t lanes;
  BilinearFn bilinear[5];
  GatherFn gather[3];
};

const KernelSet& Sse2Kernels();
// Null when the AVX2 file was built without AVX2 support.
const KernelSet* Avx2Kernels();

}  // namespace samplers
