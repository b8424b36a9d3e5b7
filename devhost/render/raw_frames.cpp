#include "devhost/render/raw_frames.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

#include "devhost/render/console.h"
#include "devhost/render/image_io.h"
#include "devhost/render/output_names.h"
#include "devhost/render/platform.h"

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
    case PixFmt::Rgba:
      return "rgba";
    case PixFmt::Rgba64le:
      return "rgba64le";
    default:
      return "rgbaf32le";
  }
}

Depth DepthOf(PixFmt fmt) {
  switch (fmt) {
    case PixFmt::Rgba:
      return Depth::U8;
    case PixFmt::Rgba64le:
      return Depth::U16;
    default:
      return Depth::F32;
  }
}

PixFmt PixFmtOf(Depth depth) {
  switch (depth) {
    case Depth::U8:
      return PixFmt::Rgba;
    case Depth::U16:
      return PixFmt::Rgba64le;
    default:
      return PixFmt::Rgbaf32le;
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

bool WriteRaw(std::FILE* to, const Image& image) {
  if (image.depth != Depth::U16) {
    return std::fwrite(image.bytes.data(), 1, image.bytes.size(), to) == image.bytes.size();
  }
  std::vector<uint16_t> band(64 * 1024);
  const size_t samples = image.bytes.size() / 2;
  for (size_t at = 0; at < samples; at += band.size()) {
    const size_t n = std::min(band.size(), samples - at);
    std::memcpy(band.data(), image.bytes.data() + at * 2, n * 2);
    for (size_t i = 0; i < n; ++i) band[i] = HostToFile16(band[i]);
    if (std::fwrite(band.data(), 2, n, to) != n) return false;
  }
  return true;
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

bool ReadRawFile(const std::string& path, const RawLayout& layout, Image* image,
                 std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot read " + path + ": it cannot be opened";
    return false;
  }
  std::vector<uint8_t> bytes;
  const size_t got = ReadFrameBytes(file, &bytes, layout.FrameBytes() + 1);
  std::fclose(file);
  if (got != layout.FrameBytes()) {
    *error = "cannot read " + path + ": it holds " + std::to_string(got) + " bytes, a " +
             std::to_string(layout.width) + "x" + std::to_string(layout.height) + " " +
             PixFmtName(layout.fmt) + " frame " + std::to_string(layout.FrameBytes());
    return false;
  }
  *image = FromRaw(layout, bytes.data());
  return true;
}

bool WriteRawFile(const std::string& path, const Image& image, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool ok = file != nullptr && WriteRaw(file, image);
  const int why = errno;
  if (file != nullptr) ok = std::fclose(file) == 0 && ok;
  if (!ok) *error = "cannot write " + path + ": " + std::strerror(ok ? errno : why);
  return ok;
}

FrameFeed::Result RawStreamFeed::Next(Frame* frame) {
  ++count_;
  try {
    return Read(frame);
  } catch (const std::bad_alloc&) {
    Console::Get().Message("frame " + std::to_string(count_) + " of " + source_ +
                           ": out of memory");
    return kFailed;
  }
}

FrameFeed::Result RawStreamFeed::Read(Frame* frame) {
  const size_t got = ReadFrameBytes(from_, &bytes_, layout_.FrameBytes());
  if (got == 0 && !std::ferror(from_)) return kEnd;
  if (got < layout_.FrameBytes()) {
    Console::Get().Message("frame " + std::to_string(count_) + " of " + source_ +
                           " is short: " + std::to_string(got) + " of " +
                           std::to_string(layout_.FrameBytes()) + " bytes");
    return kFailed;
  }
  frame->name = "frame " + std::to_string(count_) + " of " + source_;
  frame->layer = FromRaw(layout_, bytes_.data());
  return kFrame;
}

RawStreamOutput::RawStreamOutput(const std::string& path)
    : path_(path == "-" ? "" : path), name_(path_.empty() ? "standard output" : path_) {}

RawStreamOutput::~RawStreamOutput() {
  if (path_.empty() || file_ == nullptr) return;
  std::fclose(file_);
  std::error_code ec;
  std::filesystem::remove(partial_, ec);
}

bool RawStreamOutput::Open(std::string* error) {
  if (path_.empty()) {
    UseBinaryMode(stdout);
    file_ = stdout;
    return true;
  }
  partial_ = PartialName(path_);
  file_ = std::fopen(partial_.c_str(), "wb");
  if (file_ == nullptr) *error = "cannot write " + path_ + ": " + std::strerror(errno);
  return file_ != nullptr;
}

bool RawStreamOutput::Write(const Image& image, std::string* error) {
  // Flushed frame by frame: a frame counts once its bytes have left, and a reader that is gone
  // shows at once.
  if (WriteRaw(file_, image) && std::fflush(file_) == 0) return true;
  *error = std::strerror(errno);
  return false;
}

bool RawStreamOutput::Finish(std::string* error) {
  if (path_.empty()) {
    if (std::fflush(file_) == 0) return true;
    *error = "cannot write standard output: " + std::string(std::strerror(errno));
    return false;
  }
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  std::error_code ec;
  std::string why = closed ? "" : std::strerror(errno);
  bool ok = closed && FlushToDisk(partial_, &why);
  if (!ok) {
    *error = "cannot write " + path_ + ": " + why;
  } else {
    std::filesystem::rename(partial_, path_, ec);
    if (ec) *error = "cannot write " + path_ + ": " + ec.message();
    ok = !ec;
  }
  if (ok) return true;
  std::filesystem::remove(partial_, ec);
  return false;
}

}  // namespace devhost
