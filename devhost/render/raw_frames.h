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

// Frames read one after another from a stream; a short last frame, or one too large to hold, is
// an error naming it.
class RawStreamFeed : public FrameFeed {
 public:
  RawStreamFeed(std::FILE* from, std::string source, const RawLayout& layout)
      : from_(from), source_(std::move(source)), layout_(layout) {}
  Result Next(Frame* frame) override;
  size_t Total() const override { return 0; }

 private:
  Result Read(Frame* frame);

  std::FILE* from_;
  std::string source_;
  RawLayout layout_;
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

// Where a raw stream goes: standard output, or a file written under its partial name and renamed
// into place once the stream is complete. A file not finished is removed.
class RawStreamOutput {
 public:
  explicit RawStreamOutput(const std::string& path);  // "" or "-": standard output
  ~RawStreamOutput();
  RawStreamOutput(const RawStreamOutput&) = delete;
  RawStreamOutput& operator=(const RawStreamOutput&) = delete;

  bool Open(std::string* error);
  // Writes a frame and hands its bytes on, out of this process's buffers; false with the reason.
  bool Write(const Image& image, std::string* error);
  // The file closed and given its final name (standard output: flushed).
  bool Finish(std::string* error);
  const std::string& Name() const { return name_; }  // "standard output" or the path

 private:
  std::string path_, partial_, name_;
  std::FILE* file_ = nullptr;
};

}  // namespace devhost
