// Image files for the render tool's tests, written and read with OpenImageIO, independently of
// the tool's own file code.
#pragma once
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tool_run {

// Writes interleaved samples of the given type; alpha, when present, as stored (unassociated).
template <class T>
void WriteFile(const std::string& path, int w, int h, int channels, OIIO::TypeDesc type,
               const std::vector<T>& data) {
  auto out = OIIO::ImageOutput::create(path);
  ASSERT_TRUE(out) << OIIO::geterror();
  OIIO::ImageSpec spec(w, h, channels, type);
  spec.attribute("oiio:UnassociatedAlpha", 1);
  ASSERT_TRUE(out->open(path, spec)) << out->geterror();
  ASSERT_TRUE(out->write_image(type, data.data())) << out->geterror();
  ASSERT_TRUE(out->close());
}

template <class T>
struct FileImage {
  OIIO::ImageSpec spec;
  std::vector<T> data;
  const T* At(int x, int y) const {
    return data.data() + (size_t(y) * spec.width + x) * spec.nchannels;
  }
};

template <class T>
FileImage<T> ReadFile(const std::string& path, OIIO::TypeDesc type) {
  FileImage<T> img;
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  auto in = OIIO::ImageInput::open(path, &config);
  EXPECT_TRUE(in) << OIIO::geterror();
  if (!in) return img;
  img.spec = in->spec();
  img.data.resize(size_t(img.spec.width) * img.spec.height * img.spec.nchannels);
  EXPECT_TRUE(in->read_image(0, 0, 0, img.spec.nchannels, type, img.data.data())) << in->geterror();
  return img;
}

// An image whose pixels differ from each other and from their neighbours, alpha included.
inline std::vector<uint8_t> Pixels(int w, int h, int seed) {
  std::vector<uint8_t> px(size_t(w) * h * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t((i * 37 + seed * 101) % 256);
  for (size_t i = 3; i < px.size(); i += 8) px[i] = 255;
  return px;
}

}  // namespace tool_run
