// SSE2 kernels: the baseline every x86-64 processor has. Four lanes, one destination pixel each.
#include <emmintrin.h>

#include <cstring>

#include "engine/samplers_kernels.h"

namespace samplers {
namespace {

// Channel vectors of four pixels, in memory order.
struct Channels {
  __m128 c[4];
};

template <class T>
T LoadAt(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

struct Pixel8 {
  static constexpr size_t kSize = 4;
  static Channels Load(const uint8_t* row, const int32_t* i) {
    const __m128i p = _mm_setr_epi32(LoadAt<int32_t>(row + 4 * size_t(i[0])), LoadAt<int32_t>(row + 4 * size_t(i[1])),
                                     LoadAt<int32_t>(row + 4 * size_t(i[2])), LoadAt<int32_t>(row + 4 * size_t(i[3])));
    const __m128i ff = _mm_set1_epi32(0xFF);
    return {{_mm_cvtepi32_ps(_mm_and_si128(p, ff)),
             _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(p, 8), ff)),
             _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(p, 16), ff)),
             _mm_cvtepi32_ps(_mm_srli_epi32(p, 24))}};
  }
  // Truncation toward zero, then the low bits of each channel.
  static void Store(const Channels& v, uint8_t* out) {
    const __m128i ff = _mm_set1_epi32(0xFF);
    __m128i p = _mm_and_si128(_mm_cvttps_epi32(v.c[0]), ff);
    p = _mm_or_si128(p, _mm_slli_epi32(_mm_and_si128(_mm_cvttps_epi32(v.c[1]), ff), 8));
    p = _mm_or_si128(p, _mm_slli_epi32(_mm_and_si128(_mm_cvttps_epi32(v.c[2]), ff), 16));
    p = _mm_or_si128(p, _mm_slli_epi32(_mm_cvttps_epi32(v.c[3]), 24));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), p);
  }
};

struct Pixel16 {
  static constexpr size_t kSize = 8;
  static Channels Load(const uint8_t* row, const int32_t* i) {
    // Each pixel as two 32-bit halves: channels 0 and 1, then 2 and 3.
    const __m128i p01 = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 8 * size_t(i[0]))),
                                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 8 * size_t(i[1]))));
    const __m128i p23 = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 8 * size_t(i[2]))),
                                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 8 * size_t(i[3]))));
    // lo: first halves of pixels 0..3, hi: second halves.
    const __m128 a = _mm_castsi128_ps(p01), b = _mm_castsi128_ps(p23);
    const __m128i lo = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i hi = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    const __m128i ffff = _mm_set1_epi32(0xFFFF);
    return {{_mm_cvtepi32_ps(_mm_and_si128(lo, ffff)), _mm_cvtepi32_ps(_mm_srli_epi32(lo, 16)),
             _mm_cvtepi32_ps(_mm_and_si128(hi, ffff)), _mm_cvtepi32_ps(_mm_srli_epi32(hi, 16))}};
  }
  static void Store(const Channels& v, uint8_t* out) {
    const __m128i ffff = _mm_set1_epi32(0xFFFF);
    const __m128i lo = _mm_or_si128(_mm_and_si128(_mm_cvttps_epi32(v.c[0]), ffff),
                                    _mm_slli_epi32(_mm_cvttps_epi32(v.c[1]), 16));
    const __m128i hi = _mm_or_si128(_mm_and_si128(_mm_cvttps_epi32(v.c[2]), ffff),
                                    _mm_slli_epi32(_mm_cvttps_epi32(v.c[3]), 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi32(lo, hi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi32(lo, hi));
  }
};

struct PixelFloat {
  static constexpr size_t kSize = 16;
  static Channels Load(const uint8_t* row, const int32_t* i) {
    Channels ch{{_mm_loadu_ps(reinterpret_cast<const float*>(row + 16 * size_t(i[0]))),
                 _mm_loadu_ps(reinterpret_cast<const float*>(row + 16 * size_t(i[1]))),
                 _mm_loadu_ps(reinterpret_cast<const float*>(row + 16 * size_t(i[2]))),
                 _mm_loadu_ps(reinterpret_cast<const float*>(row + 16 * size_t(i[3])))}};
    _MM_TRANSPOSE4_PS(ch.c[0], ch.c[1], ch.c[2], ch.c[3]);
    return ch;
  }
  static void Store(Channels v, uint8_t* out) {
    _MM_TRANSPOSE4_PS(v.c[0], v.c[1], v.c[2], v.c[3]);
    for (int k = 0; k < 4; ++k) _mm_storeu_ps(reinterpret_cast<float*>(out + 16 * k), v.c[k]);
  }
};

__m128 Mask(const uint32_t* m) { return _mm_loadu_ps(reinterpret_cast<const float*>(m)); }

template <class P, int A>
void Bilinear(const ColumnTaps& col, const RowTaps& row, size_t begin, size_t end, void* out_v) {
  uint8_t* out = static_cast<uint8_t*>(out_v);
  const __m128 yb1 = _mm_set1_ps(row.b1), yb2 = _mm_set1_ps(row.b2);
  const __m128 yk1 = _mm_castsi128_ps(_mm_set1_epi32(static_cast<int32_t>(row.keep1)));
  const __m128 yk2 = _mm_castsi128_ps(_mm_set1_epi32(static_cast<int32_t>(row.keep2)));
  const __m128 threshold = _mm_set1_ps(0.0001f), one = _mm_set1_ps(1.0f);
  for (size_t j = begin; j < end; j += 4, out += 4 * P::kSize) {
    const __m128 xb1 = _mm_loadu_ps(col.b1 + j), xb2 = _mm_loadu_ps(col.b2 + j);
    const __m128 xk1 = Mask(col.keep1 + j), xk2 = Mask(col.keep2 + j);
    const Channels p1 = P::Load(row.row1, col.i1 + j), p2 = P::Load(row.row1, col.i2 + j);
    const Channels p3 = P::Load(row.row2, col.i1 + j), p4 = P::Load(row.row2, col.i2 + j);
    const __m128 a1 = _mm_and_ps(p1.c[A], _mm_and_ps(xk1, yk1));
    const __m128 a2 = _mm_and_ps(p2.c[A], _mm_and_ps(xk2, yk1));
    const __m128 a3 = _mm_and_ps(p3.c[A], _mm_and_ps(xk1, yk2));
    const __m128 a4 = _mm_and_ps(p4.c[A], _mm_and_ps(xk2, yk2));
    __m128 w0 = _mm_mul_ps(_mm_mul_ps(xb1, yb1), a1);
    __m128 w1 = _mm_mul_ps(_mm_mul_ps(xb2, yb1), a2);
    __m128 w2 = _mm_mul_ps(_mm_mul_ps(xb1, yb2), a3);
    __m128 w3 = _mm_mul_ps(_mm_mul_ps(xb2, yb2), a4);
    const __m128 total = _mm_add_ps(_mm_add_ps(_mm_add_ps(w0, w1), w2), w3);
    // Lanes at or below the threshold divide by 1, which leaves their weights as they are.
    const __m128 above = _mm_cmpgt_ps(total, threshold);
    const __m128 d = _mm_or_ps(_mm_and_ps(above, total), _mm_andnot_ps(above, one));
    w0 = _mm_div_ps(w0, d);
    w1 = _mm_div_ps(w1, d);
    w2 = _mm_div_ps(w2, d);
    w3 = _mm_div_ps(w3, d);
    Channels v;
    for (int k = 0; k < 4; ++k) {
      v.c[k] = k == A ? total
                      : _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(w0, p1.c[k]), _mm_mul_ps(w1, p2.c[k])),
                                              _mm_mul_ps(w2, p3.c[k])),
                                   _mm_mul_ps(w3, p4.c[k]));
    }
    P::Store(v, out);
  }
}

template <size_t kSize>
void Gather(const uint8_t* src, const int32_t* index, size_t n, uint8_t* out) {
  for (size_t k = 0; k < n; ++k) std::memcpy(out + k * kSize, src + size_t(index[k]) * kSize, kSize);
}

constexpr KernelSet kSse2 = {
    4,
    {&Bilinear<Pixel8, 0>, &Bilinear<Pixel16, 0>, &Bilinear<PixelFloat, 0>, &Bilinear<Pixel8, 3>,
     &Bilinear<PixelFloat, 3>},
    {&Gather<4>, &Gather<8>, &Gather<16>},
};

}  // namespace

const KernelSet& Sse2Kernels() { return kSse2; }

}  // namespace samplers
