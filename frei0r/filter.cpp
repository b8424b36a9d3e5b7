#include "frei0r/filter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/geometry.h"
#include "engine/core/samplers.h"

namespace frei0r_filter {

const ParamSpec kParams[kParamCount] = {
    {"Scale",
     "Enlargement, 64 x the value from x1 to x64: x2 at 0.03125, x4 at 0.0625, x8 at 0.125, "
     "x16 at 0.25, x32 at 0.5, x64 at 1 (any x k at k/64); 1/64 or less is x1"},
    {"Interpolation",
     "0 Nearest (hard pixel edges), 0.5 Linear, 1 Nearest AA (hard edges smoothed over the edge "
     "blur)"},
    {"Edge Blur",
     "Width of Nearest AA's smoothed pixel edges in output pixels, 64 x the value (1 pixel at "
     "0.015625), at most the scale"},
    {"Pixel Shape",
     "0 Point (pixels centred on the grid: the image reaches half a pixel further), 0.5 Square, "
     "1 Circle (samples as Square)"},
    {"Anchor X",
     "Where the frame is enlarged about, across: 0 the left edge, 0.5 the centre, 1 the right "
     "edge; beyond them is allowed"},
    {"Anchor Y",
     "Where the frame is enlarged about, down: 0 the top edge, 0.5 the centre, 1 the bottom "
     "edge; beyond them is allowed"},
};

int32_t ChoiceFromValue(double value) {
  if (!(value >= 0.25)) return 0;  // below, or not a number
  return value < 0.75 ? 1 : 2;
}

Settings SettingsFor(const Values& v, uint32_t width, uint32_t height) {
  ParamValues effect;
  effect.scale = std::min(64.0 * v.scale, static_cast<double>(kMaxScale));
  effect.interpolation = ChoiceFromValue(v.interpolation) + 1;
  effect.edge_blur = 64.0 * v.edge_blur;
  effect.pixel_shape = ChoiceFromValue(v.pixel_shape) + 1;
  return {ResolveSettings(effect), v.anchor_x * width, v.anchor_y * height};
}

namespace {

void Clear(uint32_t* out, size_t pixels) { std::memset(out, 0, pixels * sizeof(uint32_t)); }

}  // namespace

void RenderFrame(const Settings& s, uint32_t width, uint32_t height, const uint32_t* in,
                 uint32_t* out) {
  const size_t w = width;
  if (width == 0 || height == 0) return;
  if (width > INT32_MAX || height > INT32_MAX) return Clear(out, w * height);
  // The frame is the layer: the effect's geometry gives the rectangle of the enlarged image in
  // frame pixels, and the output grid's phase.
  const IntRect frame{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
  const PreRenderGeometry g = ComputePreRenderGeometry(frame, frame, s.scale, s.pixel_shape, {1, 1},
                                                       {1, 1}, s.anchor_x, s.anchor_y);
  const IntRect& r = g.result_rect;
  // Of that rectangle, only the part inside the frame is rendered.
  const int64_t left = std::max<int64_t>(r.left, 0), right = std::min<int64_t>(r.right, width);
  const int64_t top = std::max<int64_t>(r.top, 0), bottom = std::min<int64_t>(r.bottom, height);
  if (left >= right || top >= bottom) return Clear(out, w * height);

  const size_t x0 = static_cast<size_t>(left), x1 = static_cast<size_t>(right);
  const size_t y0 = static_cast<size_t>(top), y1 = static_cast<size_t>(bottom);
  Clear(out, y0 * w);
  for (size_t y = y0; y < y1; ++y) {
    Clear(out + y * w, x0);
    Clear(out + y * w + x1, w - x1);
  }
  Clear(out + y1 * w, (height - y1) * w);

  // The window's first pixel is the enlarged image's pixel (left - r.left, top - r.top).
  const DestWindow window{static_cast<uint32_t>(left - r.left), static_cast<uint32_t>(top - r.top)};
  // RGBA and the engine's BGRA8 layout both keep alpha in the fourth byte, and the samplers treat
  // the three colour channels alike: RGBA frames go through BGRA8 untouched, red where blue would
  // be, with no conversion and no loss.
  const int32_t row_bytes = static_cast<int32_t>(width * sizeof(uint32_t));
  Enlarge(s, g.anchor_x, g.anchor_y, {in, width, height, row_bytes, PixelLayout::BGRA8},
          {out + y0 * w + x0, static_cast<uint32_t>(x1 - x0), static_cast<uint32_t>(y1 - y0),
           row_bytes, PixelLayout::BGRA8},
          window);
}

}  // namespace frei0r_filter
