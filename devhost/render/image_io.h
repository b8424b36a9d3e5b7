// Image files for tessgrain-render: reading a file into a devhost image at a chosen depth and
// writing one back row by row, with the conversion between file and host value ranges. Through
// OpenImageIO where the build has it; a build without it (the Windows one) reads and writes raw
// frames only, and these functions then say so.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "devhost/host/image.h"

namespace devhost {

// 16-bit files hold 0..65535, the host's 16-bit worlds 0..32768 (both ends map onto each other).
constexpr uint16_t FileToHost16(uint16_t v) {
  // round(v * 32768 / 65535); the quotient is never exactly halfway, as 65535 is odd.
  return static_cast<uint16_t>((uint32_t{v} * 32768u + 32767u) / 65535u);
}
// Host values above 32768 clamp to 65535.
constexpr uint16_t HostToFile16(uint16_t v) {
  if (v >= 32768) return 65535;
  // round(v * 65535 / 32768), halves rounded up.
  return static_cast<uint16_t>((uint32_t{v} * 65535u + 16384u) / 32768u);
}

// Whether this build reads and writes image files at all.
bool HasImageFiles();

// Reads the first image of a file. depth: the depth to read at, or empty for the one nearest the
// file's samples (8-bit and 16-bit integers as such, anything else as float). Colour and alpha are
// taken as the file holds them; a missing alpha becomes opaque and grey images become RGB.
// On failure returns false and sets error to one line.
bool ReadImageFile(const std::string& path, std::optional<Depth> depth, Image* image,
                   std::string* error);

// Whether a file name's extension names a format that keeps 32-bit float samples.
bool HoldsFloat(const std::string& path);
// Whether a file name's extension names a format that keeps an alpha channel; unknown formats
// count as keeping it (writing them fails with its own message).
bool HoldsAlpha(const std::string& path);
// Whether a file name's extension names an image format this build reads (for folder listings).
bool IsImageFileName(const std::string& path);

struct WriteSettings {
  // Colour (R, G, B from 0 to 1) to composite the image over, leaving no alpha; empty: RGBA.
  std::optional<std::array<double, 3>> background;
  // Told the number of rows written so far, every few rows; false stops the write, which then
  // fails as interrupted.
  std::function<bool(int rows)> rows_written;
};

// Writes an image with samples of its own depth, alpha unassociated, a band of rows at a time so
// that nothing near the image's size is allocated. Float images go only to files that hold float
// (HoldsFloat). On failure returns false and sets error to one line.
bool WriteImageFile(const std::string& path, const Image& image, const WriteSettings& settings,
                    std::string* error);

}  // namespace devhost
