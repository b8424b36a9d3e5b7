// One kernel per sampler, written once over the pixel layout's traits. All arithmetic is single
// precision in a fixed order (the build disables FMA contraction) so that results are identical
// on every target and match the GPU kernel's formulas.
#include "engine/samplers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace {

// A pixel is four channels of one type; layouts differ in where alpha sits and how a float
// result is stored.
template <class Chan, int AlphaIndex>
struct Layout {
  using Channel = Chan;
  struct Pixel {
    Chan c[4];
  };
  static constexpr int kAlpha = AlphaIndex;

  // Integer layouts truncate toward zero and keep the low bits; floats are stored unchanged.
  static Chan Store(float v) {
    if constexpr (std::is_same_v<Chan, float>) {
      return v;
    } else {
      return static_cast<Chan>(static_cast<int32_t>(v));
    }
  }
};

using ARGB8 = Layout<uint8_t, 0>;
using ARGB16 = Layout<uint16_t, 0>;
using ARGBF = Layout<float, 0>;
using BGRA8 = Layout<uint8_t, 3>;
using BGRAF = Layout<float, 3>;

static_assert(sizeof(ARGB8::Pixel) == 4 && sizeof(ARGB16::Pixel) == 8 && sizeof(ARGBF::Pixel) == 16);

template <class P>
P* Row(P* base, int32_t r, int32_t pitch) {
  return base + RowOffset(r, pitch);
}

// Maps destination column or row v to a source position in which integers fall on source pixel
// centres; the inverse of the pre-render edge mapping. Evaluated as
// ((v / scale - range) + 0.5 / scale) - anchor / scale; the two quotients that do not depend on v
// are the same floats whether formed here or once per call.
struct Mapper {
  float scale, range, half_over_scale, anchor_over_scale;
  Mapper(float s, float anchor, int32_t shape)
      : scale(s),
        range(shape == PIXEL_SHAPE_POINT ? 1.0f : 0.5f),
        half_over_scale(0.5f / s),
        anchor_over_scale(anchor / s) {}
  float operator()(uint32_t v) const {
    return ((static_cast<float>(v) / scale - range) + half_over_scale) - anchor_over_scale;
  }
};

// roundf, then a range check so that a far-off position never overflows the integer.
bool RoundedIndex(float f, uint32_t size, int32_t& index) {
  const float r = std::roundf(f);
  if (!(r >= 0.0f && r < 2147483648.0f)) return false;
  index = static_cast<int32_t>(r);
  return index <= static_cast<int64_t>(size) - 1;
}

template <class L>
void Nearest(const void* src_v, void* dst_v, const ScaleParams& p, uint32_t row_begin,
             uint32_t row_end) {
  using Pixel = typename L::Pixel;
  const Pixel* src = static_cast<const Pixel*>(src_v);
  Pixel* dst = static_cast<Pixel*>(dst_v);
  const Mapper mx(p.scale, p.anchor_x, p.pixel_shape);
  const Mapper my(p.scale, p.anchor_y, p.pixel_shape);

  for (uint32_t y = row_begin; y < row_end; ++y) {
    Pixel* out = Row(dst, static_cast<int32_t>(y), p.dst_pitch);
    int32_t y1;
    if (!RoundedIndex(my(y), p.src_height, y1)) {
      std::memset(out, 0, sizeof(Pixel) * p.dst_width);
      continue;
    }
    const Pixel* in = Row(src, y1, p.src_pitch);
    for (uint32_t x = 0; x < p.dst_width; ++x) {
      int32_t x1;
      if (RoundedIndex(mx(x), p.src_width, x1)) {
        out[x] = in[x1];
      } else {
        out[x] = Pixel{};
      }
    }
  }
}

// One axis of the bilinear sampler: the two source indices, their sharpened weights and whether
// each lies outside the image.
struct Axis {
  int32_t i1, i2;        // clamped indices actually read
  float b1, b2;          // weights
  bool empty1, empty2;   // unclamped index outside the image
};

// Returns false when the position lies outside [-1, size): the whole row or pixel is empty.
bool MakeAxis(float f, uint32_t size, float coeff, Axis& a) {
  // Written as a negated range test so that a NaN position counts as outside too.
  if (!(f >= -1.0f && f < static_cast<float>(size))) return false;
  const int32_t i1 = static_cast<int32_t>(std::floor(f));
  const int32_t i2 = i1 + 1;
  const float t = f - static_cast<float>(i1);
  float b1 = 1.0f - t;
  float b2 = t;
  // The sharpened weight ramps from 0 to 1 over a band 1/coeff wide around the pixel boundary.
  if (b1 > b2) {
    b1 = std::clamp((b1 - 0.5f) * coeff + 0.5f, 0.0f, 1.0f);
    b2 = 1.0f - b1;
  } else {
    b2 = std::clamp((b2 - 0.5f) * coeff + 0.5f, 0.0f, 1.0f);
    b1 = 1.0f - b2;
  }
  a.b1 = b1;
  a.b2 = b2;
  a.empty1 = i1 < 0;
  a.empty2 = static_cast<int64_t>(i2) >= static_cast<int64_t>(size);
  a.i1 = std::max(i1, 0);
  a.i2 = std::min<int64_t>(i2, static_cast<int64_t>(size) - 1);
  return true;
}

template <class L>
void Bilinear(const void* src_v, void* dst_v, const ScaleParams& p, uint32_t row_begin,
              uint32_t row_end) {
  using Pixel = typename L::Pixel;
  constexpr int A = L::kAlpha;
  const Pixel* src = static_cast<const Pixel*>(src_v);
  Pixel* dst = static_cast<Pixel*>(dst_v);
  const Mapper mx(p.scale, p.anchor_x, p.pixel_shape);
  const Mapper my(p.scale, p.anchor_y, p.pixel_shape);
  const float coeff = std::max(1.0f, p.scale / p.edge_blur_coeff);
  const bool point = p.pixel_shape == PIXEL_SHAPE_POINT;

  for (uint32_t y = row_begin; y < row_end; ++y) {
    Pixel* out = Row(dst, static_cast<int32_t>(y), p.dst_pitch);
    Axis ay;
    if (!MakeAxis(my(y), p.src_height, coeff, ay)) {
      std::memset(out, 0, sizeof(Pixel) * p.dst_width);
      continue;
    }
    const Pixel* row1 = Row(src, ay.i1, p.src_pitch);
    const Pixel* row2 = Row(src, ay.i2, p.src_pitch);
    for (uint32_t x = 0; x < p.dst_width; ++x) {
      Axis ax;
      if (!MakeAxis(mx(x), p.src_width, coeff, ax)) {
        out[x] = Pixel{};
        continue;
      }
      const Pixel& p1 = row1[ax.i1];
      const Pixel& p2 = row1[ax.i2];
      const Pixel& p3 = row2[ax.i1];
      const Pixel& p4 = row2[ax.i2];
      float a1 = static_cast<float>(p1.c[A]);
      float a2 = static_cast<float>(p2.c[A]);
      float a3 = static_cast<float>(p3.c[A]);
      float a4 = static_cast<float>(p4.c[A]);
      // Point pixels fade out over the outermost half pixel; the other shapes repeat the
      // border pixel so the image edge stays hard.
      if (point) {
        if (ax.empty1) a1 = a3 = 0.0f;
        if (ax.empty2) a2 = a4 = 0.0f;
        if (ay.empty1) a1 = a2 = 0.0f;
        if (ay.empty2) a3 = a4 = 0.0f;
      }
      float w0 = (ax.b1 * ay.b1) * a1;
      float w1 = (ax.b2 * ay.b1) * a2;
      float w2 = (ax.b1 * ay.b2) * a3;
      float w3 = (ax.b2 * ay.b2) * a4;
      const float total = ((w0 + w1) + w2) + w3;
      Pixel& o = out[x];
      o.c[A] = L::Store(total);
      // Below the threshold the weights stay undivided, so nearly transparent sources give
      // nearly transparent black instead of amplified colour.
      if (total > 0.0001f) {
        w0 /= total;
        w1 /= total;
        w2 /= total;
        w3 /= total;
      }
      for (int c = 0; c < 4; ++c) {
        if (c == A) continue;
        const float v = ((w0 * static_cast<float>(p1.c[c]) + w1 * static_cast<float>(p2.c[c])) +
                         w2 * static_cast<float>(p3.c[c])) +
                        w3 * static_cast<float>(p4.c[c]);
        o.c[c] = L::Store(v);
      }
    }
  }
}

using SamplerFn = void (*)(const void*, void*, const ScaleParams&, uint32_t, uint32_t);

struct LayoutEntry {
  int pixel_size;
  SamplerFn nearest;
  SamplerFn bilinear;
};

template <class L>
constexpr LayoutEntry Entry() {
  return {static_cast<int>(sizeof(typename L::Pixel)), &Nearest<L>, &Bilinear<L>};
}

const LayoutEntry& Lookup(PixelLayout layout) {
  static constexpr LayoutEntry kTable[] = {Entry<ARGB8>(), Entry<ARGB16>(), Entry<ARGBF>(),
                                           Entry<BGRA8>(), Entry<BGRAF>()};
  return kTable[static_cast<int>(layout)];
}

}  // namespace

int PixelSize(PixelLayout layout) { return Lookup(layout).pixel_size; }

void SampleNearest(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                   uint32_t row_begin, uint32_t row_end) {
  Lookup(layout).nearest(src, dst, p, row_begin, std::min(row_end, p.dst_height));
}

void SampleBilinear(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                    uint32_t row_begin, uint32_t row_end) {
  Lookup(layout).bilinear(src, dst, p, row_begin, std::min(row_end, p.dst_height));
}

void RunSampler(PixelLayout layout, const void* src, void* dst, const ScaleParams& params) {
  ScaleParams p = params;
  switch (p.type) {
    case SCALE_NEAREST_NEIGHBOR:
      SampleNearest(layout, src, dst, p, 0, p.dst_height);
      break;
    case SCALE_BILINEAR:
      p.edge_blur_coeff = p.scale;
      SampleBilinear(layout, src, dst, p, 0, p.dst_height);
      break;
    case SCALE_NEAREST_NEIGHBOR_AA:
      if (p.edge_blur_coeff > 0.0f) {
        SampleBilinear(layout, src, dst, p, 0, p.dst_height);
      } else {
        SampleNearest(layout, src, dst, p, 0, p.dst_height);
      }
      break;
    default:
      break;
  }
}
