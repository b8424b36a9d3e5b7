// The host's records as the plain numbers the geometry takes, read once per command.
#pragma once
#include "HostSDK.h"
#include "engine/core/geometry.h"

inline IntRect ToIntRect(const PF_LRect& r) { return {r.left, r.top, r.right, r.bottom}; }
inline PF_LRect ToLRect(const IntRect& r) { return {r.left, r.top, r.right, r.bottom}; }
inline Ratio ToRatio(const PF_RationalScale& s) { return {s.num, s.den}; }

inline LegacyFrame LegacyFrameOf(const PF_InData& in_data) {
  return {in_data.width,
          in_data.height,
          ToRatio(in_data.downsample_x),
          ToRatio(in_data.downsample_y),
          in_data.field,
          in_data.pre_effect_source_origin_x,
          in_data.pre_effect_source_origin_y};
}
