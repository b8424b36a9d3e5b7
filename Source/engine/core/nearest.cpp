// Nearest neighbour: a destination row is a copy of a row image gathered from one source row by
// the tabulated column indices.
#include <algorithm>
#include <cstring>

#include "engine/core/arena.h"
#include "engine/core/kernel_choice.h"
#include "engine/core/row_writer.h"
#include "engine/core/sample_passes.h"
#include "engine/core/sample_positions.h"

namespace samplers {

namespace {

// Load windows for gathering 4- or 8-byte pixels by `index` from an array of `count` pixels: each
// 32 bytes of output whose sources lie within 32 bytes are one load and a permute. Near the end of
// the array the window moves back to stay inside it.
void MakeLoadWindows(const int32_t* index, size_t n, size_t count, size_t px, LoadWindow* windows) {
  const int32_t lanes = px == 4 ? 8 : 4;
  const int32_t last = static_cast<int32_t>(count) - lanes;
  for (size_t k = 0; k + static_cast<size_t>(lanes) <= n; k += static_cast<size_t>(lanes)) {
    LoadWindow& w = windows[k / static_cast<size_t>(lanes)];
    const int32_t* i = index + k;
    const int32_t lo = *std::min_element(i, i + lanes), hi = *std::max_element(i, i + lanes);
    w.base = -1;
    if (last < 0 || hi - lo >= lanes) continue;
    w.base = std::min(lo, last);
    for (int32_t l = 0; l < lanes; ++l) w.offset[l] = static_cast<uint8_t>(i[l] - w.base);
  }
}

}  // namespace

void Nearest(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
             uint32_t row_begin, uint32_t row_end, DestWindow window) {
  if (row_begin >= row_end || p.dst_width == 0) return;
  const size_t px = static_cast<size_t>(PixelSize(layout));
  const uint32_t width = p.dst_width;
  const Mapper mx(p.scale, p.anchor_x, p.pixel_shape, window.column);
  const Mapper my(p.scale, p.anchor_y, p.pixel_shape, window.row);

  const size_t lanes = 32 / px;
  Arena arena(Rounded(width * sizeof(int32_t)) + Rounded(width * px) +
              Rounded((width / lanes + 1) * sizeof(LoadWindow)));
  int32_t* index = arena.Take<int32_t>(width);
  uint8_t* image = arena.Take<uint8_t>(width * px);
  LoadWindow* windows = arena.Take<LoadWindow>(width / lanes + 1);

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
  if (px < 16) MakeLoadWindows(index + head, n - head, p.src_width, px, windows);
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

}  // namespace samplers
