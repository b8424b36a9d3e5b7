// The samplers as tables and copies. A source position depends only on a destination pixel's
// column or only on its row, so both are tabulated once per render; a destination row is then a
// copy of a row image that is rebuilt only when the row's source taps change, and a row image is
// a gather of source pixels (nearest) or of the distinct bilinear values, computed by SIMD
// kernels whose lanes repeat the scalar arithmetic operation for operation. Nothing here changes
// a result: it only changes how often each one is computed.
#include "engine/core/samplers.h"

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>

#include "engine/core/simd/samplers_kernels.h"

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
// are the same floats whether formed here or once per call. In a window of a larger destination
// v counts from the window's first column or row and `offset` turns it into the larger one's
// index before anything else: the tables of a window are those of the same pixels of the whole.
struct Mapper {
  float scale, range, half_over_scale, anchor_over_scale;
  uint32_t offset;
  Mapper(float s, float anchor, int32_t shape, uint32_t window_offset)
      : scale(s),
        range(shape == PIXEL_SHAPE_POINT ? 1.0f : 0.5f),
        half_over_scale(0.5f / s),
        anchor_over_scale(anchor / s),
        offset(window_offset) {}
  float operator()(uint32_t v) const {
    return ((static_cast<float>(v + offset) / scale - range) + half_over_scale) - anchor_over_scale;
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
  int32_t i1, i2;       // clamped indices actually read
  float b1, b2;         // weights
  bool empty1, empty2;  // unclamped index outside the image
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

// Destination rows of one call.
struct Rows {
  uint8_t* dst;
  int32_t pitch;
  size_t pixel_size, row_bytes;
  bool stream;
  samplers::StreamFn copy;
  Rows(void* d, const ScaleParams& p, size_t px, uint32_t row_begin, uint32_t row_end,
       samplers::StreamFn streamed)
      : dst(static_cast<uint8_t*>(d)),
        pitch(p.dst_pitch),
        pixel_size(px),
        row_bytes(px * p.dst_width),
        stream(row_bytes * (row_end - row_begin) >= kStreamBytes),
        copy(streamed) {}
  ~Rows() {
    // Streaming stores are weakly ordered: make them visible before the caller reads the output.
    if (stream) _mm_sfence();
  }
  uint8_t* At(uint32_t y) const {
    return dst + static_cast<ptrdiff_t>(RowOffset(static_cast<int32_t>(y), pitch)) *
                     static_cast<ptrdiff_t>(pixel_size);
  }
  // src null: zeros.
  void Write(uint8_t* to, const uint8_t* src, size_t bytes) const {
    if (stream) {
      copy(to, src, bytes);
    } else if (src != nullptr) {
      std::memcpy(to, src, bytes);
    } else {
      std::memset(to, 0, bytes);
    }
  }
  void Zero(uint32_t y) const { Write(At(y), nullptr, row_bytes); }
  void Copy(uint32_t y, const uint8_t* image) const { Write(At(y), image, row_bytes); }
};

const uint8_t* SourceRow(const void* src, int32_t r, const ScaleParams& p, size_t px) {
  return static_cast<const uint8_t*>(src) +
         static_cast<ptrdiff_t>(RowOffset(r, p.src_pitch)) * static_cast<ptrdiff_t>(px);
}

size_t GatherSlot(size_t pixel_size) { return pixel_size == 4 ? 0 : pixel_size == 8 ? 1 : 2; }

// Windows for gathering 4- or 8-byte pixels by `index` from an array of `count` pixels: each 32
// bytes of output whose sources lie within 32 bytes are one load and a permute. Near the end of
// the array the window moves back to stay inside it.
void MakeWindows(const int32_t* index, size_t n, size_t count, size_t px,
                 samplers::Window* windows) {
  const int32_t lanes = px == 4 ? 8 : 4;
  const int32_t last = static_cast<int32_t>(count) - lanes;
  for (size_t k = 0; k + static_cast<size_t>(lanes) <= n; k += static_cast<size_t>(lanes)) {
    samplers::Window& w = windows[k / static_cast<size_t>(lanes)];
    const int32_t* i = index + k;
    const int32_t lo = *std::min_element(i, i + lanes), hi = *std::max_element(i, i + lanes);
    w.base = -1;
    if (last < 0 || hi - lo >= lanes) continue;
    w.base = std::min(lo, last);
    for (int32_t l = 0; l < lanes; ++l) w.offset[l] = static_cast<uint8_t>(i[l] - w.base);
  }
}

void Nearest(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
             uint32_t row_begin, uint32_t row_end, DestWindow window) {
  if (row_begin >= row_end || p.dst_width == 0) return;
  const size_t px = static_cast<size_t>(PixelSize(layout));
  const uint32_t width = p.dst_width;
  const Mapper mx(p.scale, p.anchor_x, p.pixel_shape, window.column);
  const Mapper my(p.scale, p.anchor_y, p.pixel_shape, window.row);

  const size_t lanes = 32 / px;
  Arena arena(Rounded(width * sizeof(int32_t)) + Rounded(width * px) +
              Rounded((width / lanes + 1) * sizeof(samplers::Window)));
  int32_t* index = arena.Take<int32_t>(width);
  uint8_t* image = arena.Take<uint8_t>(width * px);
  samplers::Window* windows = arena.Take<samplers::Window>(width / lanes + 1);

  // The mapping is monotonic, so the columns inside the image are one run [x0, x1).
  uint32_t x0 = 0;
  int32_t i = 0;
  while (x0 < width && !RoundedIndex(mx(x0), p.src_width, i)) ++x0;
  uint32_t x1 = x0;
  while (x1 < width && RoundedIndex(mx(x1), p.src_width, i)) index[x1++ - x0] = i;
  const size_t n = x1 - x0;

  // Large outputs whose rows all share one alignment are written straight from the gathered
  // vectors, to all the rows of one source row at once when there are at most four (more would
  // scatter the streaming stores over too many lines at a time). Otherwise each row is a copy of
  // a row image.
  const KernelSet& kernels = Kernels();
  const Rows rows(dst, p, px, row_begin, row_end, kernels.stream);
  const uintptr_t first = reinterpret_cast<uintptr_t>(rows.At(row_begin)) + x0 * px;
  const bool straight = rows.stream &&
                        (static_cast<int64_t>(p.dst_pitch) * static_cast<int64_t>(px)) % 32 == 0 &&
                        first % px == 0;
  // Pixels before the first 32-byte boundary of the inside columns.
  const size_t head = straight ? std::min(n, (32 - first % 32) % 32 / px) : 0;
  if (px < 16) MakeWindows(index + head, n - head, p.src_width, px, windows);
  std::memset(image, 0, x0 * px);
  std::memset(image + x1 * px, 0, (width - x1) * px);

  bool built = false, run_started = false, run_straight = false;
  int32_t built_row = 0, run_row = 0;
  for (uint32_t y = row_begin; y < row_end;) {
    int32_t y1;
    if (n == 0 || !RoundedIndex(my(y), p.src_height, y1)) {
      rows.Zero(y++);
      continue;
    }
    const uint8_t* in = SourceRow(src, y1, p, px);
    // More rows than that of one source row come cheaper as copies of one image; decided when
    // the source row's first row comes.
    if (!run_started || y1 != run_row) {
      int32_t fifth;
      run_started = true;
      run_row = y1;
      run_straight = straight && !(y + 4 < row_end &&
                                   RoundedIndex(my(y + 4), p.src_height, fifth) && fifth == y1);
    }
    if (run_straight) {
      uint8_t* outs[4];
      size_t k = 0;
      int32_t next;
      do {
        outs[k++] = rows.At(y) + x0 * px;
      } while (++y < row_end && k < 4 && RoundedIndex(my(y), p.src_height, next) && next == y1);
      for (size_t r = 0; r < k; ++r) {
        rows.Write(outs[r] - x0 * px, nullptr, x0 * px);
        for (size_t q = 0; q < head; ++q)
          std::memcpy(outs[r] + q * px, in + static_cast<size_t>(index[q]) * px, px);
        outs[r] += head * px;
      }
      kernels.gather_rows[GatherSlot(px)](in, index + head, windows, n - head, outs, k);
      for (size_t r = 0; r < k; ++r)
        rows.Write(outs[r] + (n - head) * px, nullptr, (width - x1) * px);
      continue;
    }
    if (!built || y1 != built_row) {
      // The windows start after the head.
      for (size_t q = 0; q < head; ++q)
        std::memcpy(image + (x0 + q) * px, in + static_cast<size_t>(index[q]) * px, px);
      kernels.gather[GatherSlot(px)](in, index + head, windows, n - head, image + (x0 + head) * px);
      built = true;
      built_row = y1;
    }
    rows.Copy(y++, image);
  }
}

// ---------------------------------------------------------------------------------------------
// Bilinear

// The taps of one destination column or row, as the kernels read them.
struct Taps {
  int32_t i1, i2;
  float b1, b2;
  uint32_t keep1, keep2;
  Taps() = default;
  Taps(const Axis& a, bool point)
      : i1(a.i1),
        i2(a.i2),
        b1(a.b1),
        b2(a.b2),
        keep1(Keep(point, a.empty1)),
        keep2(Keep(point, a.empty2)) {}
  // Equal taps give equal pixels.
  bool operator==(const Taps& o) const {
    return i1 == o.i1 && i2 == o.i2 &&
           std::bit_cast<uint32_t>(b1) == std::bit_cast<uint32_t>(o.b1) &&
           std::bit_cast<uint32_t>(b2) == std::bit_cast<uint32_t>(o.b2) && keep1 == o.keep1 &&
           keep2 == o.keep2;
  }
  // Weights exactly 1 and 0: one tap counts.
  bool Single() const { return (b1 == 1.0f && b2 == 0.0f) || (b1 == 0.0f && b2 == 1.0f); }
  int32_t Sel() const { return b1 == 1.0f ? i1 : i2; }
  uint32_t KeepSel() const { return b1 == 1.0f ? keep1 : keep2; }
};

// The two source rows a destination row reads, converted to planes at most once while they are
// in use.
class PlaneRows {
 public:
  PlaneRows(float* storage, size_t count, const void* src, const ScaleParams& p, size_t px,
            int32_t first, samplers::PlanesFn convert)
      : count_(count),
        stride_(count + kMaxLanes),
        src_(src),
        p_(p),
        px_(px),
        first_(first),
        convert_(convert) {
    base_[0] = storage;
    base_[1] = storage + 4 * stride_;
  }
  // The planes of `row`, keeping those of `other` if held.
  samplers::Planes Get(int32_t row, int32_t other) {
    const int slot = Load(row, other);
    return {{Plane(slot, 0), Plane(slot, 1), Plane(slot, 2), Plane(slot, 3)}};
  }
  // Whether every value of `row` is plain, keeping `other` if held.
  bool Plain(int32_t row, int32_t other) { return plain_[Load(row, other)]; }

 private:
  int Load(int32_t row, int32_t other) {
    int slot = row_[0] == row ? 0 : row_[1] == row ? 1 : -1;
    if (slot < 0) {
      slot = row_[0] == other ? 1 : 0;
      float* const planes[4] = {Plane(slot, 0), Plane(slot, 1), Plane(slot, 2), Plane(slot, 3)};
      plain_[slot] = convert_(SourceRow(src_, row, p_, px_) + static_cast<size_t>(first_) * px_,
                              count_, planes);
      row_[slot] = row;
    }
    return slot;
  }
  float* Plane(int slot, int channel) const { return base_[slot] + channel * stride_; }
  size_t count_, stride_;
  const void* src_;
  const ScaleParams& p_;
  size_t px_;
  int32_t first_;
  samplers::PlanesFn convert_;
  float* base_[2];
  int32_t row_[2] = {-1, -1};
  bool plain_[2] = {false, false};
};

void Bilinear(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
              uint32_t row_begin, uint32_t row_end, DestWindow window) {
  if (row_begin >= row_end || p.dst_width == 0) return;
  const size_t px = static_cast<size_t>(PixelSize(layout));
  const uint32_t width = p.dst_width;
  const Mapper mx(p.scale, p.anchor_x, p.pixel_shape, window.column);
  const Mapper my(p.scale, p.anchor_y, p.pixel_shape, window.row);
  const float coeff = std::max(1.0f, p.scale / p.edge_blur_coeff);
  const bool point = p.pixel_shape == PIXEL_SHAPE_POINT;
  const KernelSet& set = Kernels();
  const samplers::LayoutKernels& kernels = set.layout[static_cast<int>(layout)];
  // Integer channels are always plain; float rows are checked as they are converted.
  const bool always_plain = layout != PixelLayout::ARGBFloat && layout != PixelLayout::BGRAFloat;

  // The mapping is monotonic, so the columns inside the image are one run [x0, x1), and the
  // source columns they read run from the first column's i1 to the last one's i2.
  Axis ax{};
  uint32_t x0 = 0;
  while (x0 < width && !MakeAxis(mx(x0), p.src_width, coeff, ax)) ++x0;
  uint32_t x1 = x0;
  int32_t first = ax.i1, last = ax.i2;
  for (; x1 < width && MakeAxis(mx(x1), p.src_width, coeff, ax); ++x1) last = ax.i2;
  const size_t n = x1 - x0;
  const size_t plane_count = n == 0 ? 0 : static_cast<size_t>(last - first + 1);

  const size_t group = samplers::GroupColumns(px);
  const size_t slots = width + 2 * kMaxLanes;
  Arena arena(Rounded(width * sizeof(Taps)) + Rounded(width * sizeof(int32_t)) +
              8 * Rounded(slots * 4) + Rounded((width / group + 1) * sizeof(samplers::Lanes)) +
              Rounded((slots + kMaxLanes) * px) + Rounded((width + kMaxLanes) * px) +
              Rounded(8 * (plane_count + kMaxLanes) * sizeof(float)));
  Taps* distinct = arena.Take<Taps>(width);
  int32_t* of = arena.Take<int32_t>(width);
  int32_t* i1 = arena.Take<int32_t>(slots);
  int32_t* i2 = arena.Take<int32_t>(slots);
  int32_t* sel = arena.Take<int32_t>(slots);
  float* b1 = arena.Take<float>(slots);
  float* b2 = arena.Take<float>(slots);
  uint32_t* keep1 = arena.Take<uint32_t>(slots);
  uint32_t* keep2 = arena.Take<uint32_t>(slots);
  uint32_t* keep_sel = arena.Take<uint32_t>(slots);
  samplers::Lanes* groups = arena.Take<samplers::Lanes>(width / group + 1);
  uint8_t* values = arena.Take<uint8_t>((slots + kMaxLanes) * px);
  uint8_t* image = arena.Take<uint8_t>((width + kMaxLanes) * px);
  float* plane_storage = arena.Take<float>(8 * (plane_count + kMaxLanes));

  // Distinct column taps (a run of equal taps gives equal pixels in every row), indices counted
  // from the first source column read.
  size_t count = 0;
  for (uint32_t x = x0; x < x1; ++x) {
    MakeAxis(mx(x), p.src_width, coeff, ax);
    Taps t(ax, point);
    t.i1 -= first;
    t.i2 -= first;
    if (count == 0 || !(t == distinct[count - 1])) distinct[count++] = t;
    of[x - x0] = static_cast<int32_t>(count - 1);
  }

  // Two lists, each padded to whole chunks by repeating its last entry: columns whose weights are
  // exactly 1 and 0 first, the others after. When such columns are few (Linear at large scales)
  // they are not worth the expansion a split forces, and every column goes in the second list.
  size_t singles = 0;
  for (size_t k = 0; k < count; ++k) singles += distinct[k].Single() ? 1 : 0;
  const bool split = singles * 4 >= count;
  size_t size[2] = {split ? singles : 0, split ? count - singles : count};
  const auto padded = [](size_t v) { return (v + kMaxLanes - 1) / kMaxLanes * kMaxLanes; };
  const size_t begin[2] = {0, padded(size[0])};
  const size_t end[2] = {padded(size[0]), padded(size[0]) + padded(size[1])};
  size_t fill[2] = {begin[0], begin[1]};
  const auto put = [&](size_t at, const Taps& t) {
    i1[at] = t.i1;
    i2[at] = t.i2;
    b1[at] = t.b1;
    b2[at] = t.b2;
    keep1[at] = t.keep1;
    keep2[at] = t.keep2;
    sel[at] = t.Sel();
    keep_sel[at] = t.KeepSel();
  };
  // Each entry takes the next slot of its list when its first column comes; `of` turns from
  // entry to slot, column by column.
  int32_t* slot_of = of;
  int32_t last_slot = -1;
  size_t last_entry = static_cast<size_t>(-1);
  for (size_t x = 0; x < n; ++x) {
    const size_t k = static_cast<size_t>(of[x]);
    if (k != last_entry) {
      const int list = split && distinct[k].Single() ? 0 : 1;
      last_slot = static_cast<int32_t>(fill[list]++);
      put(static_cast<size_t>(last_slot), distinct[k]);
      last_entry = k;
    }
    slot_of[x] = last_slot;
  }
  for (int list = 0; list < 2; ++list) {
    for (size_t k = fill[list]; k < end[list]; ++k) {
      i1[k] = i1[k - 1];
      i2[k] = i2[k - 1];
      b1[k] = b1[k - 1];
      b2[k] = b2[k - 1];
      keep1[k] = keep1[k - 1];
      keep2[k] = keep2[k - 1];
      sel[k] = sel[k - 1];
      keep_sel[k] = keep_sel[k - 1];
    }
  }
  const samplers::ColumnTaps cols{i1, i2, b1, b2, keep1, keep2, sel, keep_sel, plane_count};

  // One list covering every column in order: the kernel writes straight into the row image.
  // Otherwise each group of columns finds its values in the lists' slots.
  const bool direct = size[0] == 0 && count == n;
  if (!direct) {
    for (size_t g = 0; g * group < n; ++g) {
      samplers::Lanes& lanes = groups[g];
      lanes.base[0] = lanes.base[1] = 0;
      bool seen[2] = {false, false};
      for (size_t l = 0; l < group && g * group + l < n; ++l) {
        const int32_t slot = slot_of[g * group + l];
        const int list = static_cast<size_t>(slot) >= begin[1] ? 1 : 0;
        if (!seen[list]) {
          lanes.base[list] = slot;
          seen[list] = true;
        }
        lanes.lane[l] = static_cast<uint8_t>((list << 3) | (slot - lanes.base[list]));
      }
    }
  }
  std::memset(image, 0, x0 * px);
  std::memset(image + x1 * px, 0, (width - x1) * px);
  std::memset(values, 0, (slots + kMaxLanes) * px);

  // 16-byte pixels are expanded by their slots, two loads per vector; smaller ones by groups.
  const samplers::ExpandFn expand = px == 16 ? nullptr : set.expand[GatherSlot(px)];
  const samplers::GatherFn gather16 = set.gather[2];
  PlaneRows planes(plane_storage, plane_count, src, p, px, first, kernels.planes);
  const Rows rows(dst, p, px, row_begin, row_end, set.stream);
  bool built = false;
  Taps last_row{};
  for (uint32_t y = row_begin; y < row_end; ++y) {
    Axis ay;
    if (n == 0 || !MakeAxis(my(y), p.src_height, coeff, ay)) {
      rows.Zero(y);
      continue;
    }
    const Taps ty(ay, point);
    // Rows with the same taps are the same pixels.
    if (!built || !(ty == last_row)) {
      samplers::RowTaps r{};
      r.b1 = ty.b1;
      r.b2 = ty.b2;
      r.keep1 = ty.keep1;
      r.keep2 = ty.keep2;
      // Taps of weight 0 may be left out only where all four taps read plain values.
      const bool plain = always_plain || (planes.Plain(ty.i1, ty.i2) && planes.Plain(ty.i2, ty.i1));
      samplers::TapsFn fn[2];
      if (plain && ty.Single()) {
        r.keep_sel = ty.KeepSel();
        r.raw_sel = SourceRow(src, ty.Sel(), p, px) + static_cast<size_t>(first) * px;
        if (size[1] > 0) r.psel = planes.Get(ty.Sel(), ty.Sel() == ty.i1 ? ty.i2 : ty.i1);
        fn[0] = kernels.copy;
        fn[1] = kernels.horizontal;
      } else {
        r.p1 = planes.Get(ty.i1, ty.i2);
        r.p2 = planes.Get(ty.i2, ty.i1);
        fn[0] = plain ? kernels.vertical : kernels.full;
        fn[1] = kernels.full;
      }
      uint8_t* const to = direct ? image + x0 * px : values;
      for (int list = 0; list < 2; ++list) {
        if (size[list] > 0) fn[list](cols, r, begin[list], end[list], to + begin[list] * px);
      }
      if (direct) {
        // The padding lanes ran past the inside columns: clear what they wrote.
        std::memset(image + x1 * px, 0, (std::min<size_t>(x0 + end[1], width) - x1) * px);
      } else if (px == 16) {
        gather16(values, slot_of, nullptr, n, image + x0 * px);
      } else {
        expand(values, groups, n, image + x0 * px);
      }
      built = true;
      last_row = ty;
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

namespace {

// A source without pixels enlarges to nothing: every destination pixel is empty. (The bilinear
// position rule would otherwise read row or column -1 of it for positions in [-1, 0).)
bool EmptySource(PixelLayout layout, void* dst, const ScaleParams& p, uint32_t row_begin,
                 uint32_t row_end) {
  if (p.src_width != 0 && p.src_height != 0) return false;
  const size_t px = static_cast<size_t>(PixelSize(layout));
  for (uint32_t y = row_begin; y < row_end; ++y) {
    std::memset(static_cast<uint8_t*>(dst) +
                    static_cast<ptrdiff_t>(RowOffset(static_cast<int32_t>(y), p.dst_pitch)) *
                        static_cast<ptrdiff_t>(px),
                0, px * p.dst_width);
  }
  return true;
}

}  // namespace

void SampleNearest(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                   uint32_t row_begin, uint32_t row_end, DestWindow window) {
  row_end = std::min(row_end, p.dst_height);
  if (!EmptySource(layout, dst, p, row_begin, row_end)) {
    Nearest(layout, src, dst, p, row_begin, row_end, window);
  }
}

void SampleBilinear(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                    uint32_t row_begin, uint32_t row_end, DestWindow window) {
  row_end = std::min(row_end, p.dst_height);
  if (!EmptySource(layout, dst, p, row_begin, row_end)) {
    Bilinear(layout, src, dst, p, row_begin, row_end, window);
  }
}

void RunSampler(PixelLayout layout, const void* src, void* dst, const ScaleParams& params,
                DestWindow window) {
  ScaleParams p = params;
  switch (p.type) {
    case SCALE_NEAREST_NEIGHBOR:
      SampleNearest(layout, src, dst, p, 0, p.dst_height, window);
      break;
    case SCALE_BILINEAR:
      p.edge_blur_coeff = p.scale;
      SampleBilinear(layout, src, dst, p, 0, p.dst_height, window);
      break;
    case SCALE_NEAREST_NEIGHBOR_AA:
      if (p.edge_blur_coeff > 0.0f) {
        SampleBilinear(layout, src, dst, p, 0, p.dst_height, window);
      } else {
        SampleNearest(layout, src, dst, p, 0, p.dst_height, window);
      }
      break;
    default:
      break;
  }
}
