// A four-part version number of one byte per part, as the plug-in compares host versions.
#pragma once

#include <cstdint>
#include <string>

struct mlVersion {
  std::uint8_t major = 0;
  std::uint8_t minor = 0;
  std::uint8_t patch = 0;
  std::uint8_t build = 0;

  bool operator==(const mlVersion&) const = default;

  /// "major.minor.patch.build" in decimal.
  std::string ToString() const {
    return std::to_string(major) + '.' + std::to_string(minor) + '.' + std::to_string(patch) + '.' +
           std::to_string(build);
  }
};
