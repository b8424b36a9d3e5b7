// Alpha-weighted bilinear: the distinct column taps are tabulated once, the two source rows a
// destination row reads are converted to planes, and the kernels compute each distinct value
// once per row.
#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/core/arena.h"
#include "engine/core/kernel_choice.h"
#include "engine/core/row_writer.h"
#include "engine/core/sample_passes.h"
#include "engine/core/sample_positions.h"

namespace samplers {

namespace {

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
            int32_t first, PlanesFn convert)
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
  Planes Get(int32_t row, int32_t other) {
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
  PlanesFn convert_;
  float* base_[2];
  int32_t row_[2] = {-1, -1};
  bool plain_[2] = {false, false};
};

}  // namespace

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
  const LayoutKernels& kernels = set.layout[static_cast<int>(layout)];
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

  const size_t group = GroupColumns(px);
  const size_t slots = width + 2 * kMaxLanes;
  Arena arena(Rounded(width * sizeof(Taps)) + Rounded(width * sizeof(int32_t)) +
              8 * Rounded(slots * 4) + Rounded((width / group + 1) * sizeof(Lanes)) +
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
  Lanes* groups = arena.Take<Lanes>(width / group + 1);
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
  const ColumnTaps cols{i1, i2, b1, b2, keep1, keep2, sel, keep_sel, plane_count};

  // One list covering every column in order: the kernel writes straight into the row image.
  // Otherwise each group of columns finds its values in the lists' slots.
  const bool direct = size[0] == 0 && count == n;
  if (!direct) {
    for (size_t g = 0; g * group < n; ++g) {
      Lanes& lanes = groups[g];
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
  const ExpandFn expand = px == 16 ? nullptr : set.expand[GatherSlot(px)];
  const GatherFn gather16 = set.gather[2];
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
      RowTaps r{};
      r.b1 = ty.b1;
      r.b2 = ty.b2;
      r.keep1 = ty.keep1;
      r.keep2 = ty.keep2;
      // Taps of weight 0 may be left out only where all four taps read plain values.
      const bool plain = always_plain || (planes.Plain(ty.i1, ty.i2) && planes.Plain(ty.i2, ty.i1));
      TapsFn fn[2];
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

}  // namespace samplers
