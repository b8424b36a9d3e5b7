// Image files for tessgrain-render, through OpenImageIO: reading a file into a devhost image at a
// chosen depth and writing one back, with the conversion between file and host value ranges.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "devhost/image.h"

namespace devhost {

// 16-bit files hold 0..65535, the host's 16-bit worlds 0..32768 (both ends map onto each other).
uint16_t FileToHost16(uint16_t v);
uint16_t HostToFile16(uint16_t v);  // host values above 32768 clamp to 65535

// Reads the first image of a file. depth: the depth to read at, or empty for the one nearest the
// file's samples (8-bit and 16-bit integers as such, anything else as float). Colour and alpha are
// taken as the file holds them; a missing alpha becomes opaque and grey images become RGB.
// On failure returns false and sets error to one line.
bool ReadImageFile(const std::string& path, std::optional<Depth> depth, Image* image,
                   std::string* error);

// Whether a file name's extension names a format that keeps 32-bit float samples.
bool HoldsFloat(const std::string& path);

// Writes an RGBA image with samples of its own depth, alpha unassociated. Float images go only to
// files that hold float (HoldsFloat). On failure returns false and sets error to one line.
bool WriteImageFile(const std::string& path, const Image& image, std::string* error);

}  // namespace devhost
