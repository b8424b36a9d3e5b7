#include "devhost/raw_frames.h"

#include <bit>
#include <cstring>

#include "devhost/image_io.h"

namespace devhost {

// Samples are copied as the machine holds them.
static_assert(std::endian::native == std::endian::little, "raw frames are little-endian");

bool ParsePixFmt(std::string_view name, PixFmt* fmt) {
  for (PixFmt f : {PixFmt::Rgba, PixFmt::Rgba64le, PixFmt::Rgbaf32le}) {
    if (name == PixFmtName(f)) {
      *fmt = f;
      return true;
    }
  }
  return false;
}

const char* PixFmtName(PixFmt fmt) {
  switch (fmt) {
    case PixFmt::Rgba: return "rgba";
    case PixFmt::Rgba64le: return "rgba64le";
    default: return "rgbaf32le";
  }
}

Depth DepthOf(PixFmt fmt) {
  switch (fmt) {
    case PixFmt::Rgba: return Depth::U8;
    case PixFmt::Rgba64le: return Depth::U16;
    default: return Depth::F32;
  }
}

PixFmt PixFmtOf(Depth depth) {
  switch (depth) {
    case Depth::U8: return PixFmt::Rgba;
    case Depth::U16: return PixFmt::Rgba64le;
    default: return PixFmt::Rgbaf32le;
  }
}

Image FromRaw(const RawLayout& layout, const uint8_t* bytes) {
  Image image(layout.width, layout.height, DepthOf(layout.fmt));
  std::memcpy(image.bytes.data(), bytes, image.bytes.size());
  if (image.depth == Depth::U16) {
    for (size_t i = 0; i < image.bytes.size(); i += 2) {
      uint16_t v;
      std::memcpy(&v, &image.bytes[i], 2);
      v = FileToHost16(v);
      std::memcpy(&image.bytes[i], &v, 2);
    }
  }
  return image;
}

std::vector<uint8_t> ToRaw(const Image& image) {
  std::vector<uint8_t> bytes = image.bytes;
  if (image.depth == Depth::U16) {
    for (size_t i = 0; i < bytes.size(); i += 2) {
      uint16_t v;
      std::memcpy(&v, &bytes[i], 2);
      v = HostToFile16(v);
      std::memcpy(&bytes[i], &v, 2);
    }
  }
  return bytes;
}

size_t ReadFrameBytes(std::FILE* from, std::vector<uint8_t>* bytes, size_t frame_bytes) {
  bytes->resize(frame_bytes);
  size_t got = 0;
  while (got < frame_bytes) {
    const size_t n = std::fread(bytes->data() + got, 1, frame_bytes - got, from);
    if (n == 0) break;
    got += n;
  }
  return got;
}

}  // namespace devhost
