// The samplers over small random images and parameters: they write exactly the destination
// rectangle (guard bytes around it and the row padding stay as they were), and nearest only ever
// writes a source pixel or transparent black.
#include <cstring>
#include <vector>

#include "engine/core/geometry.h"
#include "engine/core/samplers.h"
#include "fuzz_input.h"

namespace {

constexpr uint8_t kGuard = 0xA5;
constexpr int kGuardBytes = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const auto layout = static_cast<PixelLayout>(in.Below(5));
  const int px = PixelSize(layout);
  ScaleParams p{};
  p.src_width = in.Below(17);
  p.src_height = in.Below(17);
  p.dst_width = in.Below(49);
  p.dst_height = in.Below(49);
  p.src_pitch = static_cast<int32_t>(p.src_width + in.Below(3));
  p.dst_pitch = static_cast<int32_t>(p.dst_width + in.Below(3));
  p.scale = ScaleFromParam(in.Take<float>());
  p.type = static_cast<ScalingType>(in.Below(4));
  p.edge_blur_coeff = EdgeBlurFromParam(in.Take<float>(), p.scale);
  p.anchor_x = in.Take<float>();
  p.anchor_y = in.Take<float>();
  p.pixel_shape = static_cast<int32_t>(in.Below(3));

  std::vector<uint8_t> src(static_cast<size_t>(p.src_pitch) * p.src_height * px);
  const std::string bytes = in.Rest();
  for (size_t i = 0; i < src.size() && !bytes.empty(); ++i)
    src[i] = static_cast<uint8_t>(bytes[i % bytes.size()]);
  const size_t dst_bytes = static_cast<size_t>(p.dst_pitch) * p.dst_height * px;
  std::vector<uint8_t> dst(dst_bytes + 2 * kGuardBytes, kGuard);
  uint8_t* out = dst.data() + kGuardBytes;

  RunSampler(layout, src.data(), out, p);

  for (int i = 0; i < kGuardBytes; ++i)
    FUZZ_CHECK(dst[i] == kGuard && out[dst_bytes + i] == kGuard);
  const bool nearest = p.type == SCALE_NEAREST_NEIGHBOR ||
                       (p.type == SCALE_NEAREST_NEIGHBOR_AA && !(p.edge_blur_coeff > 0.0f));
  for (uint32_t y = 0; y < p.dst_height; ++y) {
    const uint8_t* row = out + static_cast<size_t>(y) * p.dst_pitch * px;
    for (uint32_t x = p.dst_width; x < static_cast<uint32_t>(p.dst_pitch); ++x) {
      for (int b = 0; b < px; ++b) FUZZ_CHECK(row[x * px + b] == kGuard);
    }
    if (!nearest || p.type == 3) continue;
    for (uint32_t x = 0; x < p.dst_width; ++x) {
      const uint8_t* o = row + x * px;
      bool found = std::memcmp(o, std::vector<uint8_t>(px, 0).data(), px) == 0;
      for (uint32_t sy = 0; sy < p.src_height && !found; ++sy) {
        for (uint32_t sx = 0; sx < p.src_width && !found; ++sx) {
          found = std::memcmp(o, src.data() + (static_cast<size_t>(sy) * p.src_pitch + sx) * px,
                              px) == 0;
        }
      }
      FUZZ_CHECK(found);
    }
  }
  return 0;
}
