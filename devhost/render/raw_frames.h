// Raw video frames for tessgrain-render's pipes and raw frame files: RGBA rows top to bottom, no
// header, little-endian samples, as video tools read and write them. 16-bit samples hold 0..65535
// and are mapped to the host's range as in image files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "devhost/host/image.h"
#include "devhost/render/worker_pool.h"

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

// One frame in a file of its own (exactly one frame's bytes), and written to one.
bool ReadRawFile(const std::string& path, const RawLayout& layout, Image* image,
                 std::string* error);
bool WriteRawFile(const std::string& path, const Image& image, std::string* error);

// Frames read one after another from a stream; a short last frame is an error naming it.
class RawStreamFeed : public FrameFeed {
 public:
  RawStreamFeed(std::FILE* from, std::string source, const RawLayout& layout)
      : from_(from), source_(std::move(source)), layout_(layout) {}
  Result Next(Frame* frame) override;
  size_t Total() const override { return 0; }

 private:
  std::FILE* from_;
  std::string source_;
  RawLayout layout_;
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

}  // namespace devhost
