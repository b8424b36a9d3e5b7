// Seeded test data that is the same on every compiler and standard library, unlike the <random>
// distributions.
#pragma once
#include <cstdint>

namespace support {

struct SplitMix {
  uint64_t s;
  uint64_t Next() {
    uint64_t z = (s += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  float Unit() { return static_cast<float>(Next() >> 40) / 16777216.0f; }  // [0, 1)
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
};

}  // namespace support
