// The samplers' entries: the checks every render passes before the passes of nearest.cpp and
// bilinear.cpp.
#include "engine/core/samplers.h"

#include <algorithm>
#include <cstring>

#include "engine/core/sample_passes.h"

int PixelSize(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::ARGB8:
    case PixelLayout::BGRA8:
      return 4;
    case PixelLayout::ARGB16:
      return 8;
    case PixelLayout::ARGBFloat:
    case PixelLayout::BGRAFloat:
      return 16;
  }
  return 0;
}

namespace {

// A source without pixels enlarges to nothing: every destination pixel is empty. (The bilinear
// position rule would otherwise read row or column -1 of it for positions in [-1, 0).)
bool EmptySource(PixelLayout layout, void* dst, const ScaleParams& p, uint32_t row_begin,
                 uint32_t row_end) {
  if (p.src_width != 0 && p.src_height != 0) return false;
  const size_t px = static_cast<size_t>(PixelSize(layout));
  for (uint32_t y = row_begin; y < row_end; ++y) {
    std::memset(static_cast<uint8_t*>(dst) +
                    static_cast<ptrdiff_t>(RowOffset(static_cast<int32_t>(y), p.dst_pitch)) *
                        static_cast<ptrdiff_t>(px),
                0, px * p.dst_width);
  }
  return true;
}

}  // namespace

void SampleNearest(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                   uint32_t row_begin, uint32_t row_end, DestWindow window) {
  row_end = std::min(row_end, p.dst_height);
  if (!EmptySource(layout, dst, p, row_begin, row_end)) {
    samplers::Nearest(layout, src, dst, p, row_begin, row_end, window);
  }
}

void SampleBilinear(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                    uint32_t row_begin, uint32_t row_end, DestWindow window) {
  row_end = std::min(row_end, p.dst_height);
  if (!EmptySource(layout, dst, p, row_begin, row_end)) {
    samplers::Bilinear(layout, src, dst, p, row_begin, row_end, window);
  }
}

void RunSampler(PixelLayout layout, const void* src, void* dst, const ScaleParams& params,
                DestWindow window) {
  ScaleParams p = params;
  switch (p.type) {
    case SCALE_NEAREST_NEIGHBOR:
      SampleNearest(layout, src, dst, p, 0, p.dst_height, window);
      break;
    case SCALE_BILINEAR:
      p.edge_blur_coeff = p.scale;
      SampleBilinear(layout, src, dst, p, 0, p.dst_height, window);
      break;
    case SCALE_NEAREST_NEIGHBOR_AA:
      if (p.edge_blur_coeff > 0.0f) {
        SampleBilinear(layout, src, dst, p, 0, p.dst_height, window);
      } else {
        SampleNearest(layout, src, dst, p, 0, p.dst_height, window);
      }
      break;
    default:
      break;
  }
}

ScaleParams ScaleParamsFor(const RenderSettings& s, float anchor_x, float anchor_y,
                           const ConstImageView& src, const ImageView& dst) {
  const int size = PixelSize(dst.layout);
  ScaleParams p{};
  p.src_pitch = src.row_bytes / size;
  p.dst_pitch = dst.row_bytes / size;
  p.dst_width = dst.width;
  p.dst_height = dst.height;
  p.src_width = src.width;
  p.src_height = src.height;
  p.scale = s.scale;
  p.type = s.type;
  p.edge_blur_coeff = s.edge_blur;
  p.anchor_x = anchor_x;
  p.anchor_y = anchor_y;
  p.pixel_shape = s.pixel_shape;
  return p;
}

void Enlarge(const RenderSettings& s, float anchor_x, float anchor_y, const ConstImageView& src,
             const ImageView& dst, DestWindow window) {
  RunSampler(dst.layout, src.pixels, dst.pixels, ScaleParamsFor(s, anchor_x, anchor_y, src, dst),
             window);
}
