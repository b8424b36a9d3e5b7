// Host-owned pixel buffers in the host pixel formats, and their conversion to and from images.
#include <algorithm>
#include <cstring>

#include "devhost/host/host.h"

namespace devhost {

namespace {

constexpr uint8_t kPaddingByte = 0xCD;

// Formats devhost does not know are stored as 8-bit ARGB (for tests of foreign formats).
void Describe(A_long format, Depth* depth, bool* alpha_first) {
  if (!DescribeFormat(format, depth, alpha_first)) {
    *depth = Depth::U8;
    *alpha_first = true;
  }
}

int FormatPixelSize(A_long format) {
  Depth depth;
  bool alpha_first;
  Describe(format, &depth, &alpha_first);
  return 4 * ChannelSize(depth);
}

// World channel holding image channel c (R, G, B, A).
int WorldChannel(bool alpha_first, int c) {
  static constexpr int kArgb[4] = {1, 2, 3, 0};
  static constexpr int kBgra[4] = {2, 1, 0, 3};
  return alpha_first ? kArgb[c] : kBgra[c];
}

}  // namespace

bool DescribeFormat(A_long format, Depth* depth, bool* alpha_first) {
  switch (format) {
    case PF_PixelFormat_ARGB32:
      *depth = Depth::U8;
      *alpha_first = true;
      return true;
    case PF_PixelFormat_ARGB64:
      *depth = Depth::U16;
      *alpha_first = true;
      return true;
    case PF_PixelFormat_ARGB128:
      *depth = Depth::F32;
      *alpha_first = true;
      return true;
    case PrPixelFormat_BGRA_4444_8u:
      *depth = Depth::U8;
      *alpha_first = false;
      return true;
    case PrPixelFormat_BGRA_4444_32f:
      *depth = Depth::F32;
      *alpha_first = false;
      return true;
    case PF_PixelFormat_GPU_BGRA128:
      *depth = Depth::F32;
      *alpha_first = false;
      return true;
    default:
      return false;
  }
}

// ---- World ------------------------------------------------------------------------------------

World::World(int width, int height, A_long format, int row_padding_bytes)
    : format_(format), pixel_size_(FormatPixelSize(format)) {
  // Hosts pad rows by whole pixels: the effect counts pitches in pixels.
  row_padding_bytes = (row_padding_bytes + pixel_size_ - 1) / pixel_size_ * pixel_size_;
  const int rowbytes = width * pixel_size_ + row_padding_bytes;
  storage_.assign(static_cast<size_t>(rowbytes) * height, 0);
  for (int y = 0; y < height; ++y) {
    std::fill_n(storage_.begin() + static_cast<size_t>(y) * rowbytes + width * pixel_size_,
                row_padding_bytes, kPaddingByte);
  }
  world_.data = storage_.data();
  world_.rowbytes = rowbytes;
  world_.width = width;
  world_.height = height;
  world_.extent_hint = {0, 0, width, height};
  world_.pix_aspect_ratio = {1, 1};
}

void World::FromImage(const Image& image) {
  Depth depth;
  bool alpha_first;
  Describe(format_, &depth, &alpha_first);
  const int cs = ChannelSize(depth);
  const int w = std::min(image.width, world_.width);
  const int h = std::min(image.height, world_.height);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = storage_.data() + static_cast<size_t>(y) * world_.rowbytes;
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 4; ++c) {
        std::memcpy(row + x * pixel_size_ + WorldChannel(alpha_first, c) * cs,
                    image.Pixel(x, y) + c * cs, cs);
      }
    }
  }
}

Image World::ToImage() const {
  Depth depth;
  bool alpha_first;
  Describe(format_, &depth, &alpha_first);
  const int cs = ChannelSize(depth);
  Image image(world_.width, world_.height, depth);
  for (int y = 0; y < world_.height; ++y) {
    const uint8_t* row = storage_.data() + static_cast<size_t>(y) * world_.rowbytes;
    for (int x = 0; x < world_.width; ++x) {
      for (int c = 0; c < 4; ++c) {
        std::memcpy(image.Pixel(x, y) + c * cs,
                    row + x * pixel_size_ + WorldChannel(alpha_first, c) * cs, cs);
      }
    }
  }
  return image;
}

Image World::TakeImage() {
  Depth depth;
  bool alpha_first;
  Describe(format_, &depth, &alpha_first);
  const int cs = ChannelSize(depth);
  // Each pixel moves to an offset no later than its own, so a forward pass never overwrites a
  // pixel it has yet to read.
  uint8_t pixel[16];
  size_t to = 0;
  for (int y = 0; y < world_.height; ++y) {
    const size_t row = static_cast<size_t>(y) * world_.rowbytes;
    for (int x = 0; x < world_.width; ++x, to += pixel_size_) {
      std::memcpy(pixel, storage_.data() + row + x * pixel_size_, pixel_size_);
      for (int c = 0; c < 4; ++c) {
        std::memcpy(storage_.data() + to + c * cs, pixel + WorldChannel(alpha_first, c) * cs, cs);
      }
    }
  }
  Image image;
  image.width = world_.width;
  image.height = world_.height;
  image.depth = depth;
  storage_.resize(to);
  image.bytes = std::move(storage_);
  storage_.clear();
  world_ = PF_EffectWorld{};
  return image;
}

void World::Fill(const PF_Pixel* color, const PF_Rect& rect) {
  Depth depth;
  bool alpha_first;
  Describe(format_, &depth, &alpha_first);
  const int cs = ChannelSize(depth);
  // The colour in image order (R, G, B, A), converted the way the hosts widen 8-bit colours.
  const uint8_t rgba8[4] = {color ? color->red : uint8_t{0}, color ? color->green : uint8_t{0},
                            color ? color->blue : uint8_t{0}, color ? color->alpha : uint8_t{0}};
  uint8_t pixel[16] = {};
  for (int c = 0; c < 4; ++c) {
    uint8_t* dst = pixel + WorldChannel(alpha_first, c) * cs;
    if (depth == Depth::U8) {
      *dst = rgba8[c];
    } else if (depth == Depth::U16) {
      const uint16_t v = static_cast<uint16_t>((rgba8[c] * 32768 + 127) / 255);
      std::memcpy(dst, &v, 2);
    } else {
      const float v = rgba8[c] / 255.0f;
      std::memcpy(dst, &v, 4);
    }
  }
  const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
  const int right = std::min(rect.right, world_.width),
            bottom = std::min(rect.bottom, world_.height);
  for (int y = top; y < bottom; ++y) {
    uint8_t* row = storage_.data() + static_cast<size_t>(y) * world_.rowbytes;
    for (int x = left; x < right; ++x) std::memcpy(row + x * pixel_size_, pixel, pixel_size_);
  }
}

bool World::PaddingIntact() const {
  const int used = world_.width * pixel_size_;
  for (int y = 0; y < world_.height; ++y) {
    const uint8_t* row = storage_.data() + static_cast<size_t>(y) * world_.rowbytes;
    for (int i = used; i < world_.rowbytes; ++i) {
      if (row[i] != kPaddingByte) return false;
    }
  }
  return true;
}

}  // namespace devhost
