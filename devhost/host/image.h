// Images as devhost hands them to and takes them from the plug-in: RGBA, interleaved, in the
// host's own value ranges (8-bit 0..255, 16-bit 0..32768, float as it is).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace devhost {

enum class Depth { U8 = 8, U16 = 16, F32 = 32 };

int ChannelSize(Depth depth);

struct Image {
  int width = 0;
  int height = 0;
  Depth depth = Depth::U8;
  std::vector<uint8_t> bytes;  // width * height * 4 channels, R, G, B, A, rows top to bottom

  Image() = default;
  Image(int w, int h, Depth d);

  size_t PixelBytes() const { return 4 * static_cast<size_t>(ChannelSize(depth)); }
  uint8_t* Pixel(int x, int y) {
    return bytes.data() + (static_cast<size_t>(y) * width + x) * PixelBytes();
  }
  const uint8_t* Pixel(int x, int y) const {
    return bytes.data() + (static_cast<size_t>(y) * width + x) * PixelBytes();
  }
  // Channel c (0 R, 1 G, 2 B, 3 A) as a number in the host's range.
  double Get(int x, int y, int c) const;
  void Set(int x, int y, int c, double v);  // v must be representable in the depth
};

// What the host renders a layer at a reduced resolution from: every num/den-th pixel (point
// sampling), ceil(w * num / den) by ceil(h * num / den) pixels.
Image Downsample(const Image& full, int32_t num_x, uint32_t den_x, int32_t num_y, uint32_t den_y);

}  // namespace devhost
