#include "devhost/image_io.h"

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <limits>
#include <type_traits>
#include <vector>

namespace devhost {
namespace {

// OpenImageIO's messages may span lines; ours are one line each.
std::string OneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text.empty() ? "unknown error" : text;
}

OIIO::TypeDesc TypeOf(Depth depth) {
  switch (depth) {
    case Depth::U8: return OIIO::TypeDesc::UINT8;
    case Depth::U16: return OIIO::TypeDesc::UINT16;
    default: return OIIO::TypeDesc::FLOAT;
  }
}

Depth NearestDepth(OIIO::TypeDesc format) {
  if (format == OIIO::TypeDesc::UINT8 || format == OIIO::TypeDesc::INT8) return Depth::U8;
  if (format == OIIO::TypeDesc::UINT16 || format == OIIO::TypeDesc::INT16) return Depth::U16;
  return Depth::F32;
}

template <class T>
constexpr T Opaque() {
  if constexpr (std::is_same_v<T, float>) {
    return 1.0f;
  } else if constexpr (std::is_same_v<T, uint16_t>) {
    return 32768;
  } else {
    return 255;
  }
}

// Spreads n interleaved channels (grey, grey + alpha, RGB, RGBA or more) over RGBA.
template <class T>
void Expand(const std::vector<T>& from, int channels, int alpha, Image* image) {
  T* to = reinterpret_cast<T*>(image->bytes.data());
  const size_t pixels = static_cast<size_t>(image->width) * image->height;
  const bool grey = channels < 3;
  for (size_t i = 0; i < pixels; ++i) {
    const T* s = from.data() + i * channels;
    T* d = to + i * 4;
    d[0] = s[0];
    d[1] = grey ? s[0] : s[1];
    d[2] = grey ? s[0] : s[2];
    d[3] = alpha >= 0 ? s[alpha] : Opaque<T>();
  }
}

}  // namespace

uint16_t FileToHost16(uint16_t v) {
  // round(v * 32768 / 65535); the quotient is never exactly halfway, as 65535 is odd.
  return static_cast<uint16_t>((uint32_t{v} * 32768u + 32767u) / 65535u);
}

uint16_t HostToFile16(uint16_t v) {
  if (v >= 32768) return 65535;
  // round(v * 65535 / 32768), halves rounded up.
  return static_cast<uint16_t>((uint32_t{v} * 65535u + 16384u) / 32768u);
}

bool ReadImageFile(const std::string& path, std::optional<Depth> depth, Image* image,
                   std::string* error) {
  // Ask for the samples as stored: without this, OpenImageIO premultiplies PNG and TIFF colour
  // by alpha on reading.
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  auto in = OIIO::ImageInput::open(path, &config);
  if (!in) {
    *error = "cannot read " + path + ": " + OneLine(OIIO::geterror());
    return false;
  }
  const OIIO::ImageSpec& spec = in->spec();
  const int channels = spec.nchannels;
  if (spec.width <= 0 || spec.height <= 0 || spec.depth > 1 || channels <= 0) {
    *error = "cannot read " + path + ": not a 2-D image";
    return false;
  }
  const int limit = std::numeric_limits<int>::max() / 16;
  if (static_cast<int64_t>(spec.width) * spec.height > limit) {
    *error = "cannot read " + path + ": image too large";
    return false;
  }
  int alpha = spec.alpha_channel;
  if (alpha < 0 || alpha >= channels) {
    alpha = channels == 2 ? 1 : channels >= 4 ? 3 : -1;
  }

  const Depth d = depth ? *depth : NearestDepth(spec.format);
  *image = Image(spec.width, spec.height, d);
  const size_t samples = static_cast<size_t>(spec.width) * spec.height * channels;
  const auto read = [&](auto* data) {
    return in->read_image(0, 0, 0, channels, TypeOf(d), data);
  };
  bool ok = true;
  switch (d) {
    case Depth::U8: {
      std::vector<uint8_t> data(samples);
      ok = read(data.data());
      if (ok) Expand(data, channels, alpha, image);
      break;
    }
    case Depth::U16: {
      std::vector<uint16_t> data(samples);
      ok = read(data.data());
      if (ok) {
        for (uint16_t& v : data) v = FileToHost16(v);
        Expand(data, channels, alpha, image);
      }
      break;
    }
    case Depth::F32: {
      std::vector<float> data(samples);
      ok = read(data.data());
      if (ok) Expand(data, channels, alpha, image);
      break;
    }
  }
  if (!ok) {
    *error = "cannot read " + path + ": " + OneLine(in->geterror());
    return false;
  }
  return true;
}

bool HoldsFloat(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".exr" || ext == ".tif" || ext == ".tiff";
}

bool WriteImageFile(const std::string& path, const Image& image, std::string* error) {
  if (image.depth == Depth::F32 && !HoldsFloat(path)) {
    *error = "cannot write float samples to " + path + ": use an .exr, .tif or .tiff file";
    return false;
  }
  auto out = OIIO::ImageOutput::create(path);
  if (!out) {
    *error = "cannot write " + path + ": " + OneLine(OIIO::geterror());
    return false;
  }
  const OIIO::TypeDesc type = TypeOf(image.depth);
  OIIO::ImageSpec spec(image.width, image.height, 4, type);
  spec.alpha_channel = 3;
  // The samples are written as they are, not divided by alpha.
  spec.attribute("oiio:UnassociatedAlpha", 1);

  const void* data = image.bytes.data();
  std::vector<uint16_t> file16;
  if (image.depth == Depth::U16) {
    file16.resize(image.bytes.size() / 2);
    std::memcpy(file16.data(), image.bytes.data(), image.bytes.size());
    for (uint16_t& v : file16) v = HostToFile16(v);
    data = file16.data();
  }
  if (!out->open(path, spec) || !out->write_image(type, data) || !out->close()) {
    *error = "cannot write " + path + ": " + OneLine(out->geterror());
    return false;
  }
  return true;
}

}  // namespace devhost
