// The scaling geometry over arbitrary parameter values: never undefined behaviour (the build's
// sanitizers trap on any), and rectangles that keep their orientation.
#include "engine/core/geometry.h"
#include "engine/core/scale_data.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  IntRect rect{in.Take<int32_t>(), in.Take<int32_t>(), in.Take<int32_t>(), in.Take<int32_t>()};
  const float scale = ScaleFromParam(in.Take<double>());
  const float blur = EdgeBlurFromParam(in.Take<double>(), scale);
  const int32_t shape = static_cast<int32_t>(in.Below(3));
  const Ratio dx{in.Take<int32_t>(), in.Take<uint32_t>()};
  const Ratio dy{in.Take<int32_t>(), in.Take<uint32_t>()};
  const double ax = in.Take<double>();
  const double ay = in.Take<double>();
  FUZZ_CHECK(scale >= 1.0f && blur <= scale);

  const PreRenderGeometry g = ComputePreRenderGeometry(rect, rect, scale, shape, dx, dy, ax, ay);
  const IntRect& r = g.result_rect;
  const bool empty = r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0;
  if (!empty) {
    // Enlarging keeps the edges in order, and the phase is a fraction of a pixel.
    if (rect.left <= rect.right) FUZZ_CHECK(r.left <= r.right);
    if (rect.top <= rect.bottom) FUZZ_CHECK(r.top <= r.bottom);
    FUZZ_CHECK(g.anchor_x >= 0.0f && g.anchor_x <= 1.0f);
    FUZZ_CHECK(g.anchor_y >= 0.0f && g.anchor_y <= 1.0f);
  }

  LegacyFrame frame{
      in.Take<int32_t>(), in.Take<int32_t>(), dx, dy, static_cast<int32_t>(in.Below(3)),
      in.Take<int32_t>(), in.Take<int32_t>()};
  const int32_t world_w = in.Take<int32_t>(), world_h = in.Take<int32_t>();
  const FrameSetupResult f =
      ComputeFrameSetup(frame, in.Take<int32_t>(), in.Take<int32_t>(), in.Take<double>(),
                        static_cast<int32_t>(in.Below(4)));
  const IntRect red = LegacyRedRect(frame, f.origin_h, f.origin_v, scale, world_w, world_h);
  // The red rectangle is clipped to the world.
  FUZZ_CHECK(red.left >= 0 && red.top >= 0);
  FUZZ_CHECK(red.right <= world_w || (red.left == 0 && red.right == 0));
  ComputeLegacyExtent(frame, scale, shape, world_w, world_h);
  return 0;
}
