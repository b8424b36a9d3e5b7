#include "engine/core/settings.h"

#include "engine/core/geometry.h"

RenderSettings ResolveSettings(const ParamValues& v) {
  RenderSettings s;
  s.scale = ScaleFromParam(v.scale);
  s.type = static_cast<ScalingType>(static_cast<int32_t>(v.interpolation) - 1);
  s.edge_blur = EdgeBlurFromParam(v.edge_blur, s.scale);
  s.pixel_shape = static_cast<int32_t>(v.pixel_shape) - 1;
  s.gpu = v.gpu != 0;
  return s;
}
