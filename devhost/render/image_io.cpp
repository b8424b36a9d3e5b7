#include "devhost/render/image_io.h"

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cctype>
#include <cmath>
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
    case Depth::U8:
      return OIIO::TypeDesc::UINT8;
    case Depth::U16:
      return OIIO::TypeDesc::UINT16;
    default:
      return OIIO::TypeDesc::FLOAT;
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

bool HasImageFiles() { return true; }

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
  const auto read = [&](auto* data) { return in->read_image(0, 0, 0, channels, TypeOf(d), data); };
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

namespace {

std::string LowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// Host samples of one band of rows as the file takes them: 16-bit widened to the file's range,
// and composited over the background when there is one.
template <class T>
void FileRows(const Image& image, int y0, int rows, const WriteSettings& settings, T* to) {
  const T* from = reinterpret_cast<const T*>(image.Pixel(0, y0));
  const size_t pixels = static_cast<size_t>(image.width) * rows;
  if (!settings.background) {
    for (size_t i = 0; i < pixels * 4; ++i) {
      if constexpr (std::is_same_v<T, uint16_t>) {
        to[i] = HostToFile16(from[i]);
      } else {
        to[i] = from[i];
      }
    }
    return;
  }
  // Unassociated colour over an opaque background: c * a + b * (1 - a), in the host's range.
  const double one = std::is_same_v<T, float> ? 1.0 : std::is_same_v<T, uint16_t> ? 32768.0 : 255.0;
  const std::array<double, 3>& b = *settings.background;
  for (size_t i = 0; i < pixels; ++i) {
    const T* s = from + i * 4;
    const double a = std::clamp(static_cast<double>(s[3]) / one, 0.0, 1.0);
    for (int c = 0; c < 3; ++c) {
      const double v = static_cast<double>(s[c]) * a + b[c] * one * (1.0 - a);
      if constexpr (std::is_same_v<T, float>) {
        to[i * 3 + c] = static_cast<float>(v);
      } else if constexpr (std::is_same_v<T, uint16_t>) {
        to[i * 3 + c] = HostToFile16(static_cast<uint16_t>(std::lround(std::clamp(v, 0.0, one))));
      } else {
        to[i * 3 + c] = static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, one)));
      }
    }
  }
}

}  // namespace

bool HoldsFloat(const std::string& path) {
  const std::string ext = LowerExtension(path);
  return ext == ".exr" || ext == ".tif" || ext == ".tiff";
}

bool HoldsAlpha(const std::string& path) {
  auto out = OIIO::ImageOutput::create(path);
  return !out || out->supports("alpha");
}

bool IsImageFileName(const std::string& path) {
  // "format:ext,ext;format:ext..." for every format OpenImageIO reads.
  static const std::vector<std::string> known = [] {
    std::vector<std::string> exts;
    const std::string list = OIIO::get_string_attribute("extension_list");
    size_t at = 0;
    while (at < list.size()) {
      size_t end = list.find_first_of(",;", at);
      if (end == std::string::npos) end = list.size();
      std::string ext = list.substr(at, end - at);
      if (const size_t colon = ext.find(':'); colon != std::string::npos)
        ext = ext.substr(colon + 1);
      if (!ext.empty()) exts.push_back("." + ext);
      at = end + 1;
    }
    return exts;
  }();
  const std::string ext = LowerExtension(path);
  return !ext.empty() && std::find(known.begin(), known.end(), ext) != known.end();
}

bool WriteImageFile(const std::string& path, const Image& image, const WriteSettings& settings,
                    std::string* error) {
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
  const int channels = settings.background ? 3 : 4;
  OIIO::ImageSpec spec(image.width, image.height, channels, type);
  if (channels == 4) {
    spec.alpha_channel = 3;
    // The samples are written as they are, not divided by alpha.
    spec.attribute("oiio:UnassociatedAlpha", 1);
  }
  if (!out->open(path, spec)) {
    *error = "cannot write " + path + ": " + OneLine(out->geterror());
    return false;
  }
  // Bands of about a megabyte: the image is never copied whole.
  const size_t row_bytes = static_cast<size_t>(image.width) * channels * ChannelSize(image.depth);
  const int band =
      static_cast<int>(std::clamp<size_t>((1u << 20) / std::max<size_t>(row_bytes, 1), 1, 256));
  std::vector<uint8_t> rows(row_bytes * band);
  const bool as_is = image.depth != Depth::U16 && !settings.background;
  bool ok = true;
  for (int y = 0; ok && y < image.height; y += band) {
    const int n = std::min(band, image.height - y);
    const void* data = image.Pixel(0, y);
    if (!as_is) {
      switch (image.depth) {
        case Depth::U8:
          FileRows(image, y, n, settings, rows.data());
          break;
        case Depth::U16:
          FileRows(image, y, n, settings, reinterpret_cast<uint16_t*>(rows.data()));
          break;
        case Depth::F32:
          FileRows(image, y, n, settings, reinterpret_cast<float*>(rows.data()));
          break;
      }
      data = rows.data();
    }
    ok = out->write_scanlines(y, y + n, 0, type, data);
    if (ok && settings.rows_written && !settings.rows_written(y + n)) {
      *error = "cannot write " + path + ": interrupted";
      return false;
    }
  }
  if (!ok || !out->close()) {
    *error = "cannot write " + path + ": " + OneLine(out->geterror());
    return false;
  }
  return true;
}

}  // namespace devhost
