// Image files in a build without OpenImageIO (the Windows one): none are read or written, and
// every attempt says so; raw frames still are.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "devhost/render/image_io.h"

namespace devhost {

namespace {

const char kNoFiles[] = ": this build of tessgrain-render reads and writes raw frames only (--raw)";

}  // namespace

bool HasImageFiles() { return false; }

bool ReadImageFile(const std::string& path, std::optional<Depth>, Image*, std::string* error) {
  *error = "cannot read " + path + kNoFiles;
  return false;
}

bool HoldsFloat(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".exr" || ext == ".tif" || ext == ".tiff";
}

bool HoldsAlpha(const std::string&) { return true; }

bool IsImageFileName(const std::string&) { return false; }

bool WriteImageFile(const std::string& path, const Image&, const WriteSettings&,
                    std::string* error) {
  *error = "cannot write " + path + kNoFiles;
  return false;
}

}  // namespace devhost
