#include "devhost/host/image.h"

#include <algorithm>
#include <cstring>

namespace devhost {

int ChannelSize(Depth depth) {
  switch (depth) {
    case Depth::U8:
      return 1;
    case Depth::U16:
      return 2;
    default:
      return 4;
  }
}

Image::Image(int w, int h, Depth d)
    : width(w), height(h), depth(d), bytes(static_cast<size_t>(w) * h * 4 * ChannelSize(d)) {}

double Image::Get(int x, int y, int c) const {
  const uint8_t* p = Pixel(x, y);
  switch (depth) {
    case Depth::U8:
      return p[c];
    case Depth::U16: {
      uint16_t v;
      std::memcpy(&v, p + 2 * c, 2);
      return v;
    }
    default: {
      float v;
      std::memcpy(&v, p + 4 * c, 4);
      return v;
    }
  }
}

void Image::Set(int x, int y, int c, double v) {
  uint8_t* p = Pixel(x, y);
  switch (depth) {
    case Depth::U8:
      p[c] = static_cast<uint8_t>(v);
      break;
    case Depth::U16: {
      const uint16_t s = static_cast<uint16_t>(v);
      std::memcpy(p + 2 * c, &s, 2);
      break;
    }
    default: {
      const float s = static_cast<float>(v);
      std::memcpy(p + 4 * c, &s, 4);
      break;
    }
  }
}

namespace {

int DownsampledSize(int full, int32_t num, uint32_t den) {
  return static_cast<int>((static_cast<int64_t>(full) * num + den - 1) / den);
}

}  // namespace

Image Downsample(const Image& full, int32_t num_x, uint32_t den_x, int32_t num_y, uint32_t den_y) {
  if (num_x <= 0 || num_y <= 0 || den_x == 0 || den_y == 0) return full;
  Image out(DownsampledSize(full.width, num_x, den_x), DownsampledSize(full.height, num_y, den_y),
            full.depth);
  for (int y = 0; y < out.height; ++y) {
    const int sy = std::min<int64_t>(static_cast<int64_t>(y) * den_y / num_y, full.height - 1);
    for (int x = 0; x < out.width; ++x) {
      const int sx = std::min<int64_t>(static_cast<int64_t>(x) * den_x / num_x, full.width - 1);
      std::memcpy(out.Pixel(x, y), full.Pixel(sx, sy), full.PixelBytes());
    }
  }
  return out;
}

}  // namespace devhost
