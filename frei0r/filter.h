// The effect as a frei0r filter. frei0r frames have one fixed size, so the filter does what the
// effect does in a composition of that size: it enlarges the frame about the anchor point, and
// the part of the enlarged image that falls inside the frame is the output. Host-free: values in
// frei0r's units and pixel buffers in, pixels out; entry.cpp only keeps instances for the hosts.
#pragma once
#include <cstdint>

#include "engine/core/settings.h"

namespace frei0r_filter {

// The parameters in the order hosts address them. Stored in hosts' projects: never reorder. All
// are doubles: the anchor is two of them rather than a frei0r position, since MLT (and so the
// editors built on it) never passes a position to a filter.
enum Param : int {
  kScale,
  kInterpolation,
  kEdgeBlur,
  kPixelShape,
  kAnchorX,
  kAnchorY,
  kParamCount
};

struct ParamSpec {
  const char* name;
  const char* explanation;
};

// The names and explanations hosts show, by Param.
extern const ParamSpec kParams[kParamCount];

// Parameter values as hosts hold them: doubles meant to lie in [0, 1], the anchor in frame units
// (0 the left or top edge, 1 the right or bottom one; outside the frame is allowed). The defaults
// are the effect's: x1, Nearest, an edge blur of 1, the Point shape, the frame's centre.
struct Values {
  double scale = 1.0 / 64.0;
  double interpolation = 0.0;
  double edge_blur = 1.0 / 64.0;
  double pixel_shape = 0.0;
  double anchor_x = 0.5;
  double anchor_y = 0.5;
};

// A choice among three at 0, 0.5 and 1 (the nearest of them; below 0 the first, above 1 the
// last, not a number the first).
int32_t ChoiceFromValue(double value);

// What the values mean for one frame size: the effect's settings from the values in its units
// (scale and edge blur 64 x the value, the scale from 1 to 64: each whole factor k sits at k / 64,
// which a double holds exactly, so x2, x4, x8 are 0.03125, 0.0625, 0.125 and nothing is lost to
// rounding), and the anchor in pixels from the frame's top-left corner.
struct Settings : RenderSettings {
  double anchor_x, anchor_y;
};
Settings SettingsFor(const Values& values, uint32_t width, uint32_t height);

// Renders one frame of width x height RGBA pixels (8 bits per channel, straight alpha, rows
// without padding) from `in` into `out`, which must not overlap. Pixels of the frame that the
// enlarged image does not reach are transparent black.
void RenderFrame(const Settings& settings, uint32_t width, uint32_t height, const uint32_t* in,
                 uint32_t* out);

}  // namespace frei0r_filter
