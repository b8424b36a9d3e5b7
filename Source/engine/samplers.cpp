// The samplers as tables and copies. A source position depends only on a destination pixel's
// column or only on its row, so both are tabulated once per render; a destination row is then a
// copy of a row image that is rebuilt only when the row's source taps change, and a row image is
// a gather of source pixels (nearest) or of the distinct bilinear values, computed by SIMD
// kernels whose lanes repeat the scalar arithmetic operation for operation. Nothing here changes
// a result: it only changes how often each one is computed.
#include "engine/samplers.h"

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>

#include "engine/samplers_kernels.h"

namespace {

using samplers::ColumnTaps;
using samplers::KernelSet;
using samplers::kMaxLanes;
using samplers::RowTaps;

// ---------------------------------------------------------------------------------------------
// Source positions

// Maps destination column or row v to a source position in which integers fall on source pixel
// centres; the inverse of the pre-render edge mapping. Evaluated as
// ((v / scale - range) + 0.5 / scale) - anchor / scale; the two quotients that do not depend on v
// are the same floats whether formed here or once per call.
struct Mapper {
  float scale, range, half_over_scale, anchor_over_scale;
  Mapper(float s, float anchor, int32_t shape)
      : scale(s),
        range(shape == PIXEL_SHAPE_POINT ? 1.0f : 0.5f),
        half_over_scale(0.5f / s),
        anchor_over_scale(anchor / s) {}
  float operator()(uint32_t v) const {
    return ((static_cast<float>(v) / scale - range) + half_over_scale) - anchor_over_scale;
  }
};

// roundf, then a range check so that a far-off position never overflows the integer.
bool RoundedIndex(float f, uint32_t size, int32_t& index) {
  const float r = std::roundf(f);
  if (!(r >= 0.0f && r < 2147483648.0f)) return false;
  index = static_cast<int32_t>(r);
  return index <= static_cast<int64_t>(size) - 1;
}

// One axis of the bilinear sampler: the two source indices, their sharpened weights and whether
// each lies outside the image.
struct Axis {
  int32_t i1, i2;        // clamped indices actually read
  float b1, b2;          // weights
  bool empty1, empty2;   // unclamped index outside the image
};

// Returns false when the position lies outside [-1, size): the whole row or pixel is empty.
bool MakeAxis(float f, uint32_t size, float coeff, Axis& a) {
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

// Point pixels fade out over the outermost half pixel: a tap outside the image counts with alpha
// 0. The other shapes repeat the border pixel so the image edge stays hard.
uint32_t Keep(bool point, bool empty) { return point && empty ? 0u : ~0u; }

// ---------------------------------------------------------------------------------------------
// Kernel choice

bool CpuHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

const KernelSet* BestKernels() {
  const KernelSet* avx2 = samplers::Avx2Kernels();
  return avx2 != nullptr && CpuHasAvx2() ? avx2 : &samplers::Sse2Kernels();
}

std::atomic<const KernelSet*> g_forced{nullptr};

const KernelSet& Kernels() {
  if (const KernelSet* forced = g_forced.load(std::memory_order_relaxed)) return *forced;
  static const KernelSet* const best = BestKernels();
  return *best;
}

// ---------------------------------------------------------------------------------------------
// Working memory and row writes

size_t Rounded(size_t bytes) { return (bytes + 63) & ~size_t{63}; }

// One block of working memory per render, cut into 64-byte aligned arrays: on the stack for small
// outputs, otherwise one heap allocation. Nothing is allocated per row.
class Arena {
 public:
  explicit Arena(size_t bytes) {
    if (bytes <= sizeof(local_)) {
      next_ = local_;
    } else {
      heap_.reset(new std::byte[bytes + 63]);
      next_ = heap_.get() + ((64 - reinterpret_cast<uintptr_t>(heap_.get()) % 64) % 64);
    }
  }
  template <class T>
  T* Take(size_t count) {
    T* p = reinterpret_cast<T*>(next_);
    next_ += Rounded(count * sizeof(T));
    return p;
  }

 private:
  alignas(64) std::byte local_[8192];
  std::unique_ptr<std::byte[]> heap_;
  std::byte* next_;
};

// Outputs at least this large are written around the cache: they would not stay in it anyway, and
// a streaming store need not read each line before overwriting it.
constexpr size_t kStreamBytes = size_t{4} << 20;

void CopyRow(uint8_t* dst, const uint8_t* src, size_t bytes, bool stream) {
  if (!stream) {
    std::memcpy(dst, src, bytes);
    return;
  }
  const size_t head = std::min(bytes, (16 - reinterpret_cast<uintptr_t>(dst) % 16) % 16);
  std::memcpy(dst, src, head);
  size_t k = head;
  for (; k + 64 <= bytes; k += 64) {
    for (size_t j = 0; j < 64; j += 16) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(dst + k + j),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k + j)));
    }
  }
  for (; k + 16 <= bytes; k += 16) {
    _mm_stream_si128(reinterpret_cast<__m128i*>(dst + k),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k)));
  }
  std::memcpy(dst + k, src + k, bytes - k);
}

void ZeroRow(uint8_t* dst, size_t bytes, bool stream) {
  if (!stream) {
    std::memset(dst, 0, bytes);
    return;
  }
  const size_t head = std::min(bytes, (16 - reinterpret_cast<uintptr_t>(dst) % 16) % 16);
  std::memset(dst, 0, head);
  size_t k = head;
  for (; k + 16 <= bytes; k += 16) _mm_stream_si128(reinterpret_cast<__m128i*>(dst + k), _mm_setzero_si128());
  std::memset(dst + k, 0, bytes - k);
}

// Destination rows of one call, each written whole.
struct Rows {
  uint8_t* dst;
  int32_t pitch;
  size_t pixel_size, row_bytes;
  bool stream;
  Rows(void* d, const ScaleParams& p, size_t px, uint32_t row_begin, uint32_t row_end)
      : dst(static_cast<uint8_t*>(d)), pitch(p.dst_pitch), pixel_size(px), row_bytes(px * p.dst_width),
        stream(row_bytes * (row_end - row_begin) >= kStreamBytes) {}
  ~Rows() {
    // Streaming stores are weakly ordered: make them visible before the caller reads the output.
    if (stream) _mm_sfence();
  }
  uint8_t* At(uint32_t y) const {
    return dst + static_cast<ptrdiff_t>(RowOffset(static_cast<int32_t>(y), pitch)) * static_cast<ptrdiff_t>(pixel_size);
  }
  void Zero(uint32_t y) const { ZeroRow(At(y), row_bytes, stream); }
  void Copy(uint32_t y, const uint8_t* image) const { CopyRow(At(y), image, row_bytes, stream); }
};

const uint8_t* SourceRow(const void* src, int32_t r, const ScaleParams& p, size_t px) {
  return static_cast<const uint8_t*>(src) +
         static_cast<ptrdiff_t>(RowOffset(r, p.src_pitch)) * static_cast<ptrdiff_t>(px);
}

size_t GatherSlot(size_t pixel_size) { return pixel_size == 4 ? 0 : pixel_size == 8 ? 1 : 2; }

// ---------------------------------------------------------------------------------------------
// Nearest

void Nearest(PixelLayout layout, const void* src, void* dst, const ScaleParams& p, uint32_t row_begin,
             uint32_t row_end) {
  if (row_begin >= row_end || p.dst_width == 0) return;
  const size_t px = static_cast<size_t>(PixelSize(layout));
  const uint32_t width = p.dst_width;
  const Mapper mx(p.scale, p.anchor_x, p.pixel_shape);
  const Mapper my(p.scale, p.anchor_y, p.pixel_shape);

  Arena arena(Rounded(width * sizeof(int32_t)) + Rounded(width * px));
  int32_t* index = arena.Take<int32_t>(width);
  uint8_t* image = arena.Take<uint8_t>(width * px);

  // The mapping is monotonic, so the columns inside the image are one run [x0, x1).
  uint32_t x0 = 0;
  int32_t i = 0;
  while (x0 < width && !RoundedIndex(mx(x0), p.src_width, i)) ++x0;
  uint32_t x1 = x0;
  while (x1 < width && RoundedIndex(mx(x1), p.src_width, i)) index[x1++ - x0] = i;
  const size_t n = x1 - x0;
  std::memset(image, 0, x0 * px);
  std::memset(image + x1 * px, 0, (width - x1) * px);

  const samplers::GatherFn gather = Kernels().gather[GatherSlot(px)];
  const Rows rows(dst, p, px, row_begin, row_end);
  bool built = false;
  int32_t built_row = 0;
  for (uint32_t y = row_begin; y < row_end; ++y) {
    int32_t y1;
    if (n == 0 || !RoundedIndex(my(y), p.src_height, y1)) {
      rows.Zero(y);
      continue;
    }
    if (!built || y1 != built_row) {
      gather(SourceRow(src, y1, p, px), index, n, image + x0 * px);
      built = true;
      built_row = y1;
    }
    rows.Copy(y, image);
  }
}

// ---------------------------------------------------------------------------------------------
// Bilinear

bool SameTaps(const RowTaps& a, const RowTaps& b) {
  return a.row1 == b.row1 && a.row2 == b.row2 && std::bit_cast<uint32_t>(a.b1) == std::bit_cast<uint32_t>(b.b1) &&
         std::bit_cast<uint32_t>(a.b2) == std::bit_cast<uint32_t>(b.b2) && a.keep1 == b.keep1 &&
         a.keep2 == b.keep2;
}

void Bilinear(PixelLayout layout, const void* src, void* dst, const ScaleParams& p, uint32_t row_begin,
              uint32_t row_end) {
  if (row_begin >= row_end || p.dst_width == 0) return;
  const size_t px = static_cast<size_t>(PixelSize(layout));
  const uint32_t width = p.dst_width;
  const Mapper mx(p.scale, p.anchor_x, p.pixel_shape);
  const Mapper my(p.scale, p.anchor_y, p.pixel_shape);
  const float coeff = std::max(1.0f, p.scale / p.edge_blur_coeff);
  const bool point = p.pixel_shape == PIXEL_SHAPE_POINT;

  // Distinct column taps (a run of equal taps gives equal pixels in every row), padded to whole
  // kernel chunks; `which` maps each inside column to its entry.
  const size_t slots = width + kMaxLanes;
  Arena arena(4 * Rounded(slots * sizeof(int32_t)) + 2 * Rounded(slots * sizeof(float)) +
              Rounded(width * sizeof(int32_t)) + 2 * Rounded(slots * px));
  int32_t* i1 = arena.Take<int32_t>(slots);
  int32_t* i2 = arena.Take<int32_t>(slots);
  float* b1 = arena.Take<float>(slots);
  float* b2 = arena.Take<float>(slots);
  uint32_t* keep1 = arena.Take<uint32_t>(slots);
  uint32_t* keep2 = arena.Take<uint32_t>(slots);
  int32_t* which = arena.Take<int32_t>(width);
  uint8_t* values = arena.Take<uint8_t>(slots * px);
  uint8_t* image = arena.Take<uint8_t>(slots * px);

  // The mapping is monotonic, so the columns inside the image are one run [x0, x1).
  Axis ax{};
  uint32_t x0 = 0;
  while (x0 < width && !MakeAxis(mx(x0), p.src_width, coeff, ax)) ++x0;
  uint32_t x1 = x0;
  size_t distinct = 0;
  for (; x1 < width && MakeAxis(mx(x1), p.src_width, coeff, ax); ++x1) {
    const uint32_t k1 = Keep(point, ax.empty1), k2 = Keep(point, ax.empty2);
    const size_t last = distinct - 1;
    if (distinct == 0 || ax.i1 != i1[last] || ax.i2 != i2[last] ||
        std::bit_cast<uint32_t>(ax.b1) != std::bit_cast<uint32_t>(b1[last]) ||
        std::bit_cast<uint32_t>(ax.b2) != std::bit_cast<uint32_t>(b2[last]) || k1 != keep1[last] ||
        k2 != keep2[last]) {
      i1[distinct] = ax.i1;
      i2[distinct] = ax.i2;
      b1[distinct] = ax.b1;
      b2[distinct] = ax.b2;
      keep1[distinct] = k1;
      keep2[distinct] = k2;
      ++distinct;
    }
    which[x1 - x0] = static_cast<int32_t>(distinct - 1);
  }
  const size_t n = x1 - x0;
  const size_t padded = (distinct + kMaxLanes - 1) / kMaxLanes * kMaxLanes;
  for (size_t k = distinct; k < padded; ++k) {
    i1[k] = i1[distinct - 1];
    i2[k] = i2[distinct - 1];
    b1[k] = b1[distinct - 1];
    b2[k] = b2[distinct - 1];
    keep1[k] = keep1[distinct - 1];
    keep2[k] = keep2[distinct - 1];
  }
  const ColumnTaps cols{i1, i2, b1, b2, keep1, keep2, static_cast<int32_t>(p.src_width)};
  // Every column distinct: the kernel writes straight into the row image.
  const bool direct = distinct == n;
  std::memset(image, 0, x0 * px);
  std::memset(image + x1 * px, 0, (width - x1) * px);

  const KernelSet& kernels = Kernels();
  const samplers::BilinearFn kernel = kernels.bilinear[static_cast<int>(layout)];
  const samplers::GatherFn gather = kernels.gather[GatherSlot(px)];
  const Rows rows(dst, p, px, row_begin, row_end);
  bool built = false;
  RowTaps last{};
  for (uint32_t y = row_begin; y < row_end; ++y) {
    Axis ay;
    if (n == 0 || !MakeAxis(my(y), p.src_height, coeff, ay)) {
      rows.Zero(y);
      continue;
    }
    const RowTaps taps{SourceRow(src, ay.i1, p, px), SourceRow(src, ay.i2, p, px), ay.b1, ay.b2,
                       Keep(point, ay.empty1), Keep(point, ay.empty2)};
    // Rows with the same taps are the same pixels.
    if (!built || !SameTaps(taps, last)) {
      if (direct) {
        kernel(cols, taps, 0, padded, image + x0 * px);
        // The padding lanes ran past the inside columns: clear what they wrote.
        std::memset(image + x1 * px, 0, (std::min<size_t>(x0 + padded, width) - x1) * px);
      } else {
        kernel(cols, taps, 0, padded, values);
        gather(values, which, n, image + x0 * px);
      }
      built = true;
      last = taps;
    }
    rows.Copy(y, image);
  }
}

}  // namespace

int PixelSize(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::ARGB8:
    case PixelLayout::BGRA8:
      return 4;
    case PixelLayout::ARGB16:
      return 8;
    case PixelLayout::ARGBFloat:
    case PixelLayout::BGRAFloat:
      return 16;
  }
  return 0;
}

bool ForceSamplerKernels(SamplerKernels set) {
  switch (set) {
    case SamplerKernels::Auto:
      g_forced.store(nullptr, std::memory_order_relaxed);
      return true;
    case SamplerKernels::SSE2:
      g_forced.store(&samplers::Sse2Kernels(), std::memory_order_relaxed);
      return true;
    case SamplerKernels::AVX2:
      if (samplers::Avx2Kernels() == nullptr || !CpuHasAvx2()) return false;
      g_forced.store(samplers::Avx2Kernels(), std::memory_order_relaxed);
      return true;
  }
  return false;
}

void SampleNearest(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                   uint32_t row_begin, uint32_t row_end) {
  Nearest(layout, src, dst, p, row_begin, std::min(row_end, p.dst_height));
}

void SampleBilinear(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                    uint32_t row_begin, uint32_t row_end) {
  Bilinear(layout, src, dst, p, row_begin, std::min(row_end, p.dst_height));
}

void RunSampler(PixelLayout layout, const void* src, void* dst, const ScaleParams& params) {
  ScaleParams p = params;
  switch (p.type) {
    case SCALE_NEAREST_NEIGHBOR:
      SampleNearest(layout, src, dst, p, 0, p.dst_height);
      break;
    case SCALE_BILINEAR:
      p.edge_blur_coeff = p.scale;
      SampleBilinear(layout, src, dst, p, 0, p.dst_height);
      break;
    case SCALE_NEAREST_NEIGHBOR_AA:
      if (p.edge_blur_coeff > 0.0f) {
        SampleBilinear(layout, src, dst, p, 0, p.dst_height);
      } else {
        SampleNearest(layout, src, dst, p, 0, p.dst_height);
      }
      break;
    default:
      break;
  }
}
