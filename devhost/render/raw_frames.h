// Raw video frames for tessgrain-render's pipes: RGBA rows top to bottom, no header, little-endian
// samples, as video tools read and write them. 16-bit samples hold 0..65535 and are mapped to the
// host's range as in image files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "devhost/host/image.h"

namespace devhost {

enum class PixFmt { Rgba, Rgba64le, Rgbaf32le };

// "rgba", "rgba64le", "rgbaf32le"; false for any other name.
bool ParsePixFmt(std::string_view name, PixFmt* fmt);
const char* PixFmtName(PixFmt fmt);
Depth DepthOf(PixFmt fmt);
PixFmt PixFmtOf(Depth depth);

struct RawLayout {
  int width = 0;
  int height = 0;
  PixFmt fmt = PixFmt::Rgba;
  size_t FrameBytes() const {
    return static_cast<size_t>(width) * height * 4 * ChannelSize(DepthOf(fmt));
  }
};

// One frame from its bytes (exactly layout.FrameBytes()).
Image FromRaw(const RawLayout& layout, const uint8_t* bytes);
// Writes an image in the pixel format of its depth, a band of rows at a time; false when the
// stream takes fewer bytes.
bool WriteRaw(std::FILE* to, const Image& image);

// Reads up to one frame's bytes; returns how many came (fewer only at the end of the stream or
// on an error).
size_t ReadFrameBytes(std::FILE* from, std::vector<uint8_t>* bytes, size_t frame_bytes);

}  // namespace devhost
