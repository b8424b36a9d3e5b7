// Filling an output world through the host's utility callbacks: clearing it, or painting the red
// that marks a frame the effect will not render.
#pragma once
#include "HostSDK.h"

inline constexpr PF_Pixel kRed = {255, 255, 0, 0};  // alpha, red, green, blue

inline PF_Err Fill(const PF_InData* in_data, const PF_Pixel* color, const PF_Rect* rect,
                   PF_EffectWorld* world) {
  return in_data->utils->fill(in_data->effect_ref, color, rect, world);
}
