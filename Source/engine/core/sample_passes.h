// The samplers as tables and copies. A source position depends only on a destination pixel's
// column or only on its row, so both are tabulated once per render; a destination row is then a
// copy of a row image that is rebuilt only when the row's source taps change, and a row image is
// a gather of source pixels (nearest) or of the distinct bilinear values, computed by SIMD
// kernels whose lanes repeat the scalar arithmetic operation for operation. Nothing here changes
// a result: it only changes how often each one is computed.
#pragma once
#include <cstdint>

#include "engine/core/image_view.h"
#include "engine/core/scale_data.h"

namespace samplers {

// Rows [row_begin, row_end) of the destination, row_end at most its height, from a source that
// has pixels.
void Nearest(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
             uint32_t row_begin, uint32_t row_end, DestWindow window);
void Bilinear(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
              uint32_t row_begin, uint32_t row_end, DestWindow window);

}  // namespace samplers
