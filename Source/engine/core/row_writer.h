// The rows of the buffers a sampler reads and writes: source rows by index, and destination rows
// written by copy, by zeros or around the cache.
#pragma once
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/core/image_view.h"
#include "engine/core/scale_data.h"
#include "engine/core/simd/samplers_kernels.h"

namespace samplers {

// Outputs at least this large are written around the cache: they would not stay in it anyway, and
// a streaming store need not read each line before overwriting it.
constexpr size_t kStreamBytes = size_t{4} << 20;

// Destination rows of one call.
struct Rows {
  uint8_t* dst;
  int32_t pitch;
  size_t pixel_size, row_bytes;
  bool stream;
  StreamFn copy;
  Rows(void* d, const ScaleParams& p, size_t px, uint32_t row_begin, uint32_t row_end,
       StreamFn streamed)
      : dst(static_cast<uint8_t*>(d)),
        pitch(p.dst_pitch),
        pixel_size(px),
        row_bytes(px * p.dst_width),
        stream(row_bytes * (row_end - row_begin) >= kStreamBytes),
        copy(streamed) {}
  ~Rows() {
    // Streaming stores are weakly ordered: make them visible before the caller reads the output.
    if (stream) _mm_sfence();
  }
  uint8_t* At(uint32_t y) const {
    return dst + static_cast<ptrdiff_t>(RowOffset(static_cast<int32_t>(y), pitch)) *
                     static_cast<ptrdiff_t>(pixel_size);
  }
  // src null: zeros.
  void Write(uint8_t* to, const uint8_t* src, size_t bytes) const {
    if (stream) {
      copy(to, src, bytes);
    } else if (src != nullptr) {
      std::memcpy(to, src, bytes);
    } else {
      std::memset(to, 0, bytes);
    }
  }
  void Zero(uint32_t y) const { Write(At(y), nullptr, row_bytes); }
  void Copy(uint32_t y, const uint8_t* image) const { Write(At(y), image, row_bytes); }
};

inline const uint8_t* SourceRow(const void* src, int32_t r, const ScaleParams& p, size_t px) {
  return static_cast<const uint8_t*>(src) +
         static_cast<ptrdiff_t>(RowOffset(r, p.src_pitch)) * static_cast<ptrdiff_t>(px);
}

}  // namespace samplers
