// AVX2 kernels: eight lanes, one destination pixel each. This file alone is compiled with -mavx2
// and is only called after a run-time check of the processor. Everything in it has internal
// linkage and it uses no inline library templates, so no AVX2 instruction can leak into code
// that runs on older processors through a shared out-of-line copy.
#include <immintrin.h>

#include <cstring>

#include "engine/samplers_kernels.h"

namespace samplers {
namespace {

#if defined(__AVX2__)

struct Channels {
  __m256 c[4];
};

struct Pixel8 {
  static constexpr size_t kSize = 4;
  static Channels Load(const uint8_t* row, const int32_t* i, int32_t width) {
    const __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(i));
    // The indices rise with the lane; when eight of them fit in one window of eight source
    // pixels, one load and a permute replace the gather.
    __m256i p;
    if (i[7] - i[0] < 8 && width >= 8) {
      const int32_t base = i[0] < width - 8 ? i[0] : width - 8;
      const __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 4 * size_t(base)));
      p = _mm256_permutevar8x32_epi32(window, _mm256_sub_epi32(idx, _mm256_set1_epi32(base)));
    } else {
      p = _mm256_i32gather_epi32(reinterpret_cast<const int*>(row), idx, 4);
    }
    const __m256i ff = _mm256_set1_epi32(0xFF);
    return {{_mm256_cvtepi32_ps(_mm256_and_si256(p, ff)),
             _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(p, 8), ff)),
             _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(p, 16), ff)),
             _mm256_cvtepi32_ps(_mm256_srli_epi32(p, 24))}};
  }
  // Truncation toward zero, then the low bits of each channel.
  static void Store(const Channels& v, uint8_t* out) {
    const __m256i ff = _mm256_set1_epi32(0xFF);
    __m256i p = _mm256_and_si256(_mm256_cvttps_epi32(v.c[0]), ff);
    p = _mm256_or_si256(p, _mm256_slli_epi32(_mm256_and_si256(_mm256_cvttps_epi32(v.c[1]), ff), 8));
    p = _mm256_or_si256(p, _mm256_slli_epi32(_mm256_and_si256(_mm256_cvttps_epi32(v.c[2]), ff), 16));
    p = _mm256_or_si256(p, _mm256_slli_epi32(_mm256_cvttps_epi32(v.c[3]), 24));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), p);
  }
};

struct Pixel16 {
  static constexpr size_t kSize = 8;
  static Channels Load(const uint8_t* row, const int32_t* i, int32_t) {
    // Pixels 0 1 4 5 and 2 3 6 7 side by side, each as two 32-bit halves: channels 0 and 1,
    // then 2 and 3.
    __m128 q[4];
    for (int k = 0; k < 4; ++k) {
      const __m128 first = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 8 * size_t(i[2 * k]))));
      q[k] = _mm_loadh_pi(first, reinterpret_cast<const __m64*>(row + 8 * size_t(i[2 * k + 1])));
    }
    const __m256 a = _mm256_insertf128_ps(_mm256_castps128_ps256(q[0]), q[2], 1);
    const __m256 b = _mm256_insertf128_ps(_mm256_castps128_ps256(q[1]), q[3], 1);
    const __m256i lo = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i hi = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    const __m256i ffff = _mm256_set1_epi32(0xFFFF);
    return {{_mm256_cvtepi32_ps(_mm256_and_si256(lo, ffff)), _mm256_cvtepi32_ps(_mm256_srli_epi32(lo, 16)),
             _mm256_cvtepi32_ps(_mm256_and_si256(hi, ffff)), _mm256_cvtepi32_ps(_mm256_srli_epi32(hi, 16))}};
  }
  static void Store(const Channels& v, uint8_t* out) {
    const __m256i ffff = _mm256_set1_epi32(0xFFFF);
    const __m256i lo = _mm256_or_si256(_mm256_and_si256(_mm256_cvttps_epi32(v.c[0]), ffff),
                                       _mm256_slli_epi32(_mm256_cvttps_epi32(v.c[1]), 16));
    const __m256i hi = _mm256_or_si256(_mm256_and_si256(_mm256_cvttps_epi32(v.c[2]), ffff),
                                       _mm256_slli_epi32(_mm256_cvttps_epi32(v.c[3]), 16));
    // Pixels 0 1 4 5 and 2 3 6 7, then in order.
    const __m256i p0 = _mm256_unpacklo_epi32(lo, hi), p1 = _mm256_unpackhi_epi32(lo, hi);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(p0, p1, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_permute2x128_si256(p0, p1, 0x31));
  }
};

struct PixelFloat {
  static constexpr size_t kSize = 16;
  static Channels Load(const uint8_t* row, const int32_t* i, int32_t) {
    // Pixels 0|4, 1|5, 2|6, 3|7 side by side, then transposed within each half.
    __m256 m[4];
    for (int k = 0; k < 4; ++k) {
      const __m128 lo = _mm_loadu_ps(reinterpret_cast<const float*>(row + 16 * size_t(i[k])));
      const __m128 hi = _mm_loadu_ps(reinterpret_cast<const float*>(row + 16 * size_t(i[k + 4])));
      m[k] = _mm256_insertf128_ps(_mm256_castps128_ps256(lo), hi, 1);
    }
    const __m256 t0 = _mm256_unpacklo_ps(m[0], m[1]), t1 = _mm256_unpackhi_ps(m[0], m[1]);
    const __m256 t2 = _mm256_unpacklo_ps(m[2], m[3]), t3 = _mm256_unpackhi_ps(m[2], m[3]);
    return {{_mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0)), _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2)),
             _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0)), _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2))}};
  }
  static void Store(const Channels& v, uint8_t* out) {
    const __m256 t0 = _mm256_unpacklo_ps(v.c[0], v.c[1]), t1 = _mm256_unpackhi_ps(v.c[0], v.c[1]);
    const __m256 t2 = _mm256_unpacklo_ps(v.c[2], v.c[3]), t3 = _mm256_unpackhi_ps(v.c[2], v.c[3]);
    // Pixels 0|4, 1|5, 2|6, 3|7.
    const __m256 u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    float* o = reinterpret_cast<float*>(out);
    _mm256_storeu_ps(o, _mm256_permute2f128_ps(u0, u1, 0x20));
    _mm256_storeu_ps(o + 8, _mm256_permute2f128_ps(u2, u3, 0x20));
    _mm256_storeu_ps(o + 16, _mm256_permute2f128_ps(u0, u1, 0x31));
    _mm256_storeu_ps(o + 24, _mm256_permute2f128_ps(u2, u3, 0x31));
  }
};

__m256 Mask(const uint32_t* m) { return _mm256_loadu_ps(reinterpret_cast<const float*>(m)); }

template <class P, int A>
void Bilinear(const ColumnTaps& col, const RowTaps& row, size_t begin, size_t end, void* out_v) {
  uint8_t* out = static_cast<uint8_t*>(out_v);
  const __m256 yb1 = _mm256_set1_ps(row.b1), yb2 = _mm256_set1_ps(row.b2);
  const __m256 yk1 = _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int32_t>(row.keep1)));
  const __m256 yk2 = _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int32_t>(row.keep2)));
  const __m256 threshold = _mm256_set1_ps(0.0001f), one = _mm256_set1_ps(1.0f);
  for (size_t j = begin; j < end; j += 8, out += 8 * P::kSize) {
    const __m256 xb1 = _mm256_loadu_ps(col.b1 + j), xb2 = _mm256_loadu_ps(col.b2 + j);
    const __m256 xk1 = Mask(col.keep1 + j), xk2 = Mask(col.keep2 + j);
    const Channels p1 = P::Load(row.row1, col.i1 + j, col.width), p2 = P::Load(row.row1, col.i2 + j, col.width);
    const Channels p3 = P::Load(row.row2, col.i1 + j, col.width), p4 = P::Load(row.row2, col.i2 + j, col.width);
    const __m256 a1 = _mm256_and_ps(p1.c[A], _mm256_and_ps(xk1, yk1));
    const __m256 a2 = _mm256_and_ps(p2.c[A], _mm256_and_ps(xk2, yk1));
    const __m256 a3 = _mm256_and_ps(p3.c[A], _mm256_and_ps(xk1, yk2));
    const __m256 a4 = _mm256_and_ps(p4.c[A], _mm256_and_ps(xk2, yk2));
    __m256 w0 = _mm256_mul_ps(_mm256_mul_ps(xb1, yb1), a1);
    __m256 w1 = _mm256_mul_ps(_mm256_mul_ps(xb2, yb1), a2);
    __m256 w2 = _mm256_mul_ps(_mm256_mul_ps(xb1, yb2), a3);
    __m256 w3 = _mm256_mul_ps(_mm256_mul_ps(xb2, yb2), a4);
    const __m256 total = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(w0, w1), w2), w3);
    // Lanes at or below the threshold divide by 1, which leaves their weights as they are.
    const __m256 above = _mm256_cmp_ps(total, threshold, _CMP_GT_OQ);
    const __m256 d = _mm256_blendv_ps(one, total, above);
    w0 = _mm256_div_ps(w0, d);
    w1 = _mm256_div_ps(w1, d);
    w2 = _mm256_div_ps(w2, d);
    w3 = _mm256_div_ps(w3, d);
    Channels v;
    for (int k = 0; k < 4; ++k) {
      v.c[k] = k == A ? total
                      : _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(w0, p1.c[k]),
                                                                  _mm256_mul_ps(w1, p2.c[k])),
                                                    _mm256_mul_ps(w2, p3.c[k])),
                                      _mm256_mul_ps(w3, p4.c[k]));
    }
    P::Store(v, out);
  }
}

template <size_t kSize>
void Gather(const uint8_t* src, const int32_t* index, size_t n, uint8_t* out) {
  for (size_t k = 0; k < n; ++k) std::memcpy(out + k * kSize, src + size_t(index[k]) * kSize, kSize);
}

constexpr KernelSet kAvx2 = {
    8,
    {&Bilinear<Pixel8, 0>, &Bilinear<Pixel16, 0>, &Bilinear<PixelFloat, 0>, &Bilinear<Pixel8, 3>,
     &Bilinear<PixelFloat, 3>},
    {&Gather<4>, &Gather<8>, &Gather<16>},
};

#endif

}  // namespace

const KernelSet* Avx2Kernels() {
#if defined(__AVX2__)
  return &kAvx2;
#else
  return nullptr;
#endif
}

}  // namespace samplers
