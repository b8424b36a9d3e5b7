// Positions of the effect's parameters in the host's parameter array (index 0 is the input
// layer). Stored in every project that uses the effect: never reorder.
#pragma once

enum ParamIndex : int {
  PARAM_INPUT = 0,
  PARAM_SETTINGS = 1,       // button "v1.1.0" / "Settings"
  PARAM_SCALE = 2,          // float slider
  PARAM_INTERPOLATION = 3,  // popup, 1-based ScalingType
  PARAM_EDGE_BLUR = 4,      // float slider
  PARAM_GPU = 5,            // checkbox
  PARAM_INSTANCE_ID = 6,    // hidden fixed-point slider
  PARAM_ANCHOR = 7,         // hidden point
  PARAM_PIXEL_SHAPE = 8,    // popup, 1-based PixelShape
  PARAM_UPDATE = 9,         // button "Download Online", only when the plug-in is too old
};

// Popup values of "Interpolation algo" (1-based; the renderers use value - 1).
enum InterpolationChoice : int {
  INTERPOLATION_NEAREST = 1,
  INTERPOLATION_LINEAR = 2,
  INTERPOLATION_NEAREST_AA = 3,
};
