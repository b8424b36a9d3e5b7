// The effect's parameters resolved once into what a render uses. The effect's commands, devhost's
// render tool and the frei0r filter all go through ResolveSettings, so that the same values give
// the same pixels everywhere.
#pragma once
#include <cstdint>

#include "engine/core/scale_data.h"

// The parameters in the effect's units, as hosts keep them: scale and edge blur in pixels, the
// popups 1-based, the checkbox 0 or 1. The defaults are the effect's.
struct ParamValues {
  double scale = 1.0;
  double interpolation = 1.0;
  double edge_blur = 1.0;
  double gpu = 0.0;
  double pixel_shape = 1.0;
};

struct RenderSettings {
  float scale;  // at least 1 (ScaleFromParam)
  ScalingType type;
  float edge_blur;      // at most the scale (EdgeBlurFromParam)
  int32_t pixel_shape;  // a PixelShape
  bool gpu;             // the user asks for the GPU
};

RenderSettings ResolveSettings(const ParamValues& values);

// Pre-render data handed to the host (which frees it with free()): the settings, with gpu set
// only where the GPU may render, and the output grid's sub-pixel phase from the geometry.
struct ScaleInfo {
  RenderSettings settings;
  float anchor_x;
  float anchor_y;
};
