// Pixel buffers as the engine takes them.
#pragma once
#include <cstdint>
#include <type_traits>

enum class PixelLayout {
  ARGB8,      // smart render, PF_Pixel
  ARGB16,     // smart render, PF_Pixel16 (0..32768)
  ARGBFloat,  // smart render, PF_PixelFloat
  BGRA8,      // legacy render, PrPixelFormat_BGRA_4444_8u
  BGRAFloat,  // legacy render, PrPixelFormat_BGRA_4444_32f
};

// Bytes per pixel of a layout.
int PixelSize(PixelLayout layout);

// An image in a buffer: its first pixel, its size in pixels, the bytes from one row to the next
// (as the hosts' row bytes, possibly padded) and its layout. Pixels is void for an image written
// to, const void for one only read.
template <class Pixels>
struct BasicImageView {
  Pixels* pixels;
  uint32_t width;
  uint32_t height;
  int32_t row_bytes;
  PixelLayout layout;

  // An image written to may be read.
  operator BasicImageView<const void>() const requires(!std::is_const_v<Pixels>) {
    return {pixels, width, height, row_bytes, layout};
  }
};
using ImageView = BasicImageView<void>;
using ConstImageView = BasicImageView<const void>;

// Pixels from a buffer's first pixel to the start of row `row`: row * pitch formed in 32-bit
// signed arithmetic, as the hosts' pitches are.
inline int32_t RowOffset(int32_t row, int32_t pitch) {
  return static_cast<int32_t>(static_cast<uint32_t>(row) * static_cast<uint32_t>(pitch));
}

// Where the destination lies in a larger one: its pixel (x, y) is the larger destination's pixel
// (x + column, y + row), computed with exactly that pixel's arithmetic, so a window is
// byte for byte the crop of the whole render without the memory of the whole. dst, dst_width and
// dst_height describe the window; it must lie inside the larger destination.
struct DestWindow {
  uint32_t column = 0;
  uint32_t row = 0;
};
