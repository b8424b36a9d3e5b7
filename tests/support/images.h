// Test layers whose pixels all differ, so that a misplaced or swapped pixel shows.
#pragma once
#include "devhost/host/image.h"

namespace support {

// R = x, G = y, B = 7 (in steps of 0.01 for float), opaque. With holes, the pixels on every fifth
// diagonal (x + y a multiple of 5) are transparent, for what blends colour across edges.
inline devhost::Image Pattern(int w, int h, devhost::Depth depth, bool holes = false) {
  using devhost::Depth;
  devhost::Image image(w, h, depth);
  const double opaque = depth == Depth::U8 ? 255 : depth == Depth::U16 ? 32768 : 1.0;
  const double step = depth == Depth::F32 ? 0.01 : 1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      image.Set(x, y, 0, x * step);
      image.Set(x, y, 1, y * step);
      image.Set(x, y, 2, 7 * step);
      image.Set(x, y, 3, holes && (x + y) % 5 == 0 ? 0 : opaque);
    }
  }
  return image;
}

}  // namespace support
