// AVX2 kernels: eight lanes, one destination pixel each. This file alone is compiled with -mavx2
// and is only called after a run-time check of the processor. Everything in it has internal
// linkage and it calls no library templates, so no AVX2 instruction can reach code that runs on
// older processors through a shared out-of-line copy.
#include <immintrin.h>

#include <cstring>

#include "engine/core/simd/samplers_simd.h"

namespace samplers {
namespace {

#if defined(__AVX2__)

struct Avx2 {
  static constexpr size_t N = 8;
  using F = __m256;
  // Indices rise with the lane. When the eight lie within eight neighbouring plane columns, one
  // load and a permute replace the gather (planes are padded, so the load stays inside); when
  // they are all one column, a broadcast does.
  struct Idx {
    __m256i index, offset;
    const int32_t* first;
    int32_t span;
  };

  static F Load(const float* p) { return _mm256_loadu_ps(p); }
  static F LoadMask(const uint32_t* m) {
    return _mm256_loadu_ps(reinterpret_cast<const float*>(m));
  }
  static F Set(float v) { return _mm256_set1_ps(v); }
  static F SetMask(uint32_t m) {
    return _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int32_t>(m)));
  }
  static F Add(F a, F b) { return _mm256_add_ps(a, b); }
  static F Mul(F a, F b) { return _mm256_mul_ps(a, b); }
  static F Div(F a, F b) { return _mm256_div_ps(a, b); }
  static F And(F a, F b) { return _mm256_and_ps(a, b); }
  static F Greater(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
  static F Select(F m, F a, F b) { return _mm256_blendv_ps(b, a, m); }

  static Idx Prepare(const int32_t* i) {
    const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(i));
    return {index, _mm256_sub_epi32(index, _mm256_set1_epi32(i[0])), i, i[7] - i[0]};
  }
  // 2: one column each, 1: windows, 0: gathers.
  static int Way(const Idx& a, const Idx& b) {
    const int32_t span = a.span > b.span ? a.span : b.span;
    return span == 0 ? 2 : span < 8 ? 1 : 0;
  }
  template <int kWay>
  static F Tap(const float* plane, const Idx& x) {
    if constexpr (kWay == 2) {
      return _mm256_broadcast_ss(plane + x.first[0]);
    } else if constexpr (kWay == 1) {
      return _mm256_permutevar8x32_ps(_mm256_loadu_ps(plane + x.first[0]), x.offset);
    } else {
      return _mm256_i32gather_ps(plane, x.index, 4);
    }
  }

  template <class Chan>
  static void Store(const F v[4], uint8_t* out) {
    if constexpr (std::is_same_v<Chan, float>) {
      // Channel vectors to pixels: 0|4, 1|5, 2|6, 3|7 within the halves, then in order.
      const __m256 t0 = _mm256_unpacklo_ps(v[0], v[1]), t1 = _mm256_unpackhi_ps(v[0], v[1]);
      const __m256 t2 = _mm256_unpacklo_ps(v[2], v[3]), t3 = _mm256_unpackhi_ps(v[2], v[3]);
      const __m256 u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
      const __m256 u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
      const __m256 u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
      const __m256 u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
      float* o = reinterpret_cast<float*>(out);
      _mm256_storeu_ps(o, _mm256_permute2f128_ps(u0, u1, 0x20));
      _mm256_storeu_ps(o + 8, _mm256_permute2f128_ps(u2, u3, 0x20));
      _mm256_storeu_ps(o + 16, _mm256_permute2f128_ps(u0, u1, 0x31));
      _mm256_storeu_ps(o + 24, _mm256_permute2f128_ps(u2, u3, 0x31));
    } else {
      __m256i c[4];
      for (int k = 0; k < 4; ++k) c[k] = _mm256_cvttps_epi32(v[k]);
      if constexpr (sizeof(Chan) == 1) {
        const __m256i ff = _mm256_set1_epi32(0xFF);
        __m256i p = _mm256_and_si256(c[0], ff);
        p = _mm256_or_si256(p, _mm256_slli_epi32(_mm256_and_si256(c[1], ff), 8));
        p = _mm256_or_si256(p, _mm256_slli_epi32(_mm256_and_si256(c[2], ff), 16));
        p = _mm256_or_si256(p, _mm256_slli_epi32(c[3], 24));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), p);
      } else {
        const __m256i ffff = _mm256_set1_epi32(0xFFFF);
        const __m256i lo =
            _mm256_or_si256(_mm256_and_si256(c[0], ffff), _mm256_slli_epi32(c[1], 16));
        const __m256i hi =
            _mm256_or_si256(_mm256_and_si256(c[2], ffff), _mm256_slli_epi32(c[3], 16));
        // Pixels 0 1 4 5 and 2 3 6 7, then in order.
        const __m256i p0 = _mm256_unpacklo_epi32(lo, hi), p1 = _mm256_unpackhi_epi32(lo, hi);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            _mm256_permute2x128_si256(p0, p1, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32),
                            _mm256_permute2x128_si256(p0, p1, 0x31));
      }
    }
  }

  // Eight pixels to four channel vectors.
  template <class Chan>
  static void Channels(const uint8_t* px, F c[4]) {
    if constexpr (std::is_same_v<Chan, float>) {
      __m256 m[4];
      for (int k = 0; k < 4; ++k) {
        const __m128 lo = _mm_loadu_ps(reinterpret_cast<const float*>(px + 16 * k));
        const __m128 hi = _mm_loadu_ps(reinterpret_cast<const float*>(px + 16 * (k + 4)));
        m[k] = _mm256_insertf128_ps(_mm256_castps128_ps256(lo), hi, 1);
      }
      const __m256 t0 = _mm256_unpacklo_ps(m[0], m[1]), t1 = _mm256_unpackhi_ps(m[0], m[1]);
      const __m256 t2 = _mm256_unpacklo_ps(m[2], m[3]), t3 = _mm256_unpackhi_ps(m[2], m[3]);
      c[0] = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
      c[1] = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
      c[2] = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
      c[3] = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    } else if constexpr (sizeof(Chan) == 1) {
      const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px));
      const __m256i ff = _mm256_set1_epi32(0xFF);
      c[0] = _mm256_cvtepi32_ps(_mm256_and_si256(p, ff));
      c[1] = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(p, 8), ff));
      c[2] = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(p, 16), ff));
      c[3] = _mm256_cvtepi32_ps(_mm256_srli_epi32(p, 24));
    } else {
      // Each pixel as two 32-bit halves (channels 0 and 1, then 2 and 3); the shuffle leaves
      // pixels in the order 0 1 4 5 2 3 6 7, which the 64-bit permute puts right.
      const __m256 a = _mm256_loadu_ps(reinterpret_cast<const float*>(px));
      const __m256 b = _mm256_loadu_ps(reinterpret_cast<const float*>(px + 32));
      const __m256i lo = _mm256_permute4x64_epi64(
          _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))),
          _MM_SHUFFLE(3, 1, 2, 0));
      const __m256i hi = _mm256_permute4x64_epi64(
          _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))),
          _MM_SHUFFLE(3, 1, 2, 0));
      const __m256i ffff = _mm256_set1_epi32(0xFFFF);
      c[0] = _mm256_cvtepi32_ps(_mm256_and_si256(lo, ffff));
      c[1] = _mm256_cvtepi32_ps(_mm256_srli_epi32(lo, 16));
      c[2] = _mm256_cvtepi32_ps(_mm256_and_si256(hi, ffff));
      c[3] = _mm256_cvtepi32_ps(_mm256_srli_epi32(hi, 16));
    }
  }

  template <class Chan>
  static bool ToPlanes(const uint8_t* row, size_t count, float* const planes[4]) {
    constexpr size_t kSize = 4 * sizeof(Chan);
    size_t x = 0;
    __m256i worst = _mm256_setzero_si256();
    for (; x + 8 <= count; x += 8) {
      F c[4];
      Channels<Chan>(row + x * kSize, c);
      for (int k = 0; k < 4; ++k) {
        _mm256_storeu_ps(planes[k] + x, c[k]);
        if constexpr (std::is_same_v<Chan, float>)
          worst = _mm256_max_epu32(worst, _mm256_castps_si256(c[k]));
      }
    }
    for (; x < count; ++x) {
      Chan px[4];
      std::memcpy(px, row + x * kSize, kSize);
      for (int k = 0; k < 4; ++k) planes[k][x] = static_cast<float>(px[k]);
    }
    for (int k = 0; k < 4; ++k) _mm256_storeu_ps(planes[k] + count, _mm256_setzero_ps());
    if constexpr (std::is_same_v<Chan, float>) {
      uint32_t lanes[8];
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), worst);
      uint32_t most = 0;
      for (uint32_t v : lanes) most = v > most ? v : most;
      const size_t done = count / 8 * 8;
      return most < 0x7F800000u &&
             PlainBits(reinterpret_cast<const float*>(row + done * kSize), 4 * (count - done));
    } else {
      return true;
    }
  }

  // Copies of source pixels (transparent black where alpha is 0): 8-bit pixels eight at a time
  // from one window when their rising indices allow, float pixels two at a time, 16-bit pixels
  // one by one.
  template <class Chan, int A>
  static void Copy(const ColumnTaps& columns, const RowTaps& row, size_t begin, size_t end,
                   uint8_t* out) {
    const ColumnTaps c = columns;
    const RowTaps r = row;
    if constexpr (sizeof(Chan) == 1) {
      const __m256i alpha = _mm256_set1_epi32(0xFF << (8 * A));
      const __m256i row_keep = _mm256_set1_epi32(static_cast<int32_t>(r.keep_sel));
      const int32_t last = static_cast<int32_t>(c.width) - 8;
      for (size_t j = begin; j < end; j += 8, out += 32) {
        const int32_t* i = c.sel + j;
        const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(i));
        __m256i px;
        if (last >= 0 && i[7] - i[0] < 8) {
          const int32_t base = i[0] < last ? i[0] : last;
          px = _mm256_permutevar8x32_epi32(
              _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.raw_sel + 4 * size_t(base))),
              _mm256_sub_epi32(index, _mm256_set1_epi32(base)));
        } else {
          px = _mm256_i32gather_epi32(reinterpret_cast<const int*>(r.raw_sel), index, 4);
        }
        const __m256i keep = _mm256_and_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c.keep_sel + j)), row_keep);
        const __m256i clear =
            _mm256_cmpeq_epi32(_mm256_and_si256(px, alpha), _mm256_setzero_si256());
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            _mm256_and_si256(_mm256_andnot_si256(clear, px), keep));
      }
    } else if constexpr (std::is_same_v<Chan, float>) {
      // Two pixels per vector. Alpha is masked, then the pixel kept above the threshold and
      // alpha x pixel (alpha itself in the alpha lane) at or below it.
      const __m256i row_keep = _mm256_set1_epi32(static_cast<int32_t>(r.keep_sel));
      const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
      const __m256 threshold = _mm256_set1_ps(0.0001f);
      for (size_t j = begin; j < end; j += 2, out += 32) {
        const __m256 px = _mm256_insertf128_ps(
            _mm256_castps128_ps256(
                _mm_loadu_ps(reinterpret_cast<const float*>(r.raw_sel + 16 * size_t(c.sel[j])))),
            _mm_loadu_ps(reinterpret_cast<const float*>(r.raw_sel + 16 * size_t(c.sel[j + 1]))), 1);
        const __m256i keep = _mm256_and_si256(
            _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(_mm_loadl_epi64(
                                            reinterpret_cast<const __m128i*>(c.keep_sel + j))),
                                        spread),
            row_keep);
        const __m256 a = _mm256_and_ps(_mm256_permute_ps(px, A * 0x55), _mm256_castsi256_ps(keep));
        const __m256 scaled = _mm256_blend_ps(_mm256_mul_ps(a, px), a, (1 << A) | (1 << (A + 4)));
        _mm256_storeu_ps(reinterpret_cast<float*>(out),
                         _mm256_blendv_ps(scaled, px, _mm256_cmp_ps(a, threshold, _CMP_GT_OQ)));
      }
    } else {
      BilinearKernels<Avx2, Chan, A>::CopyEach(c, r, begin, end, out);
    }
  }

  // 32 bytes of gathered pixels: from a window when there is one, else pixel by pixel (16-byte
  // pixels always, two loads).
  template <size_t kSize>
  static __m256i Chunk(const uint8_t* src, const int32_t* index, const LoadWindow* w) {
    if constexpr (kSize == 16) {
      return _mm256_inserti128_si256(
          _mm256_castsi128_si256(
              _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16 * size_t(index[0])))),
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16 * size_t(index[1]))), 1);
    } else {
      if (w->base < 0) {
        alignas(32) uint8_t chunk[32];
        for (size_t l = 0; l < 32 / kSize; ++l)
          std::memcpy(chunk + l * kSize, src + size_t(index[l]) * kSize, kSize);
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(chunk));
      }
      __m256i lanes;
      if constexpr (kSize == 4) {
        uint64_t packed;
        std::memcpy(&packed, w->offset, 8);
        lanes = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<int64_t>(packed)));
      } else {
        uint32_t packed;
        std::memcpy(&packed, w->offset, 4);
        lanes = Halves(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int32_t>(packed))));
      }
      return _mm256_permutevar8x32_epi32(
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + kSize * size_t(w->base))),
          lanes);
    }
  }

  template <size_t kSize>
  static void Gather(const uint8_t* src, const int32_t* index, const LoadWindow* windows, size_t n,
                     uint8_t* out) {
    constexpr size_t kLanes = 32 / kSize;
    size_t k = 0;
    for (const LoadWindow* w = windows; k + kLanes <= n; k += kLanes, w += kSize < 16 ? 1 : 0) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + kSize * k),
                          Chunk<kSize>(src, index + k, w));
    }
    for (; k < n; ++k)
      std::memcpy(out + k * kSize, src + static_cast<size_t>(index[k]) * kSize, kSize);
  }

  // The row count is a constant of each instantiation, so the row pointers stay in registers
  // instead of being reloaded after every store (a store through uint8_t* may alias them).
  template <size_t kSize, size_t kRows>
  static void GatherInto(const uint8_t* src, const int32_t* index, const LoadWindow* windows,
                         size_t n, uint8_t* const* outs) {
    constexpr size_t kLanes = 32 / kSize;
    uint8_t* o[kRows];
    for (size_t r = 0; r < kRows; ++r) o[r] = outs[r];
    size_t q = 0;
    for (const LoadWindow* w = windows; q + kLanes <= n; q += kLanes, w += kSize < 16 ? 1 : 0) {
      const __m256i v = Chunk<kSize>(src, index + q, w);
      for (size_t r = 0; r < kRows; ++r)
        _mm256_stream_si256(reinterpret_cast<__m256i*>(o[r] + q * kSize), v);
    }
    for (; q < n; ++q) {
      for (size_t r = 0; r < kRows; ++r)
        std::memcpy(o[r] + q * kSize, src + size_t(index[q]) * kSize, kSize);
    }
  }

  template <size_t kSize>
  static void GatherRows(const uint8_t* src, const int32_t* index, const LoadWindow* windows,
                         size_t n, uint8_t* const* outs, size_t k) {
    switch (k) {
      case 1:
        GatherInto<kSize, 1>(src, index, windows, n, outs);
        break;
      case 2:
        GatherInto<kSize, 2>(src, index, windows, n, outs);
        break;
      case 3:
        GatherInto<kSize, 3>(src, index, windows, n, outs);
        break;
      default:
        GatherInto<kSize, 4>(src, index, windows, n, outs);
        break;
    }
  }

  static void Stream(uint8_t* dst, const uint8_t* src, size_t bytes) {
    const size_t align = (32 - reinterpret_cast<uintptr_t>(dst) % 32) % 32;
    const size_t head = bytes < align ? bytes : align;
    size_t k = head;
    if (src != nullptr) {
      std::memcpy(dst, src, head);
      for (; k + 64 <= bytes; k += 64) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k + 32));
        _mm256_stream_si256(reinterpret_cast<__m256i*>(dst + k), a);
        _mm256_stream_si256(reinterpret_cast<__m256i*>(dst + k + 32), b);
      }
      for (; k + 32 <= bytes; k += 32) {
        _mm256_stream_si256(reinterpret_cast<__m256i*>(dst + k),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k)));
      }
      std::memcpy(dst + k, src + k, bytes - k);
    } else {
      std::memset(dst, 0, head);
      for (; k + 32 <= bytes; k += 32)
        _mm256_stream_si256(reinterpret_cast<__m256i*>(dst + k), _mm256_setzero_si256());
      std::memset(dst + k, 0, bytes - k);
    }
  }

  // Four 8-byte pixel offsets o to the 32-bit lanes holding their halves: 2o and 2o + 1.
  static __m256i Halves(__m128i offsets) {
    const __m256i o = _mm256_cvtepu32_epi64(offsets);
    const __m256i twice = _mm256_add_epi64(o, o);
    return _mm256_or_si256(twice,
                           _mm256_slli_epi64(_mm256_add_epi64(twice, _mm256_set1_epi64x(1)), 32));
  }

  // Per group: a window from each list's first slot, both permuted by the lanes' offsets (the
  // permute reads only bits 0 to 2), then the list bit picks between them.
  template <size_t kSize>
  static void Expand(const uint8_t* values, const Lanes* groups, size_t n, uint8_t* out) {
    constexpr size_t kGroup = GroupColumns(kSize);
    size_t x = 0;
    for (; x + kGroup <= n; x += kGroup) {
      const Lanes& g = groups[x / kGroup];
      __m256i lanes, pick;
      if constexpr (kSize == 4) {
        uint64_t packed;
        std::memcpy(&packed, g.lane, 8);
        lanes = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<int64_t>(packed)));
        pick = _mm256_slli_epi32(lanes, 28);
      } else {
        uint32_t packed;
        std::memcpy(&packed, g.lane, 4);
        const __m128i l = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int32_t>(packed)));
        lanes = Halves(_mm_and_si128(l, _mm_set1_epi32(7)));
        pick = _mm256_slli_epi64(_mm256_cvtepu32_epi64(l), 60);
        pick = _mm256_or_si256(pick, _mm256_srli_epi64(pick, 32));
      }
      const __m256i a =
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + kSize * size_t(g.base[0])));
      const __m256i b =
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + kSize * size_t(g.base[1])));
      const __m256 pa = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(a, lanes));
      const __m256 pb = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(b, lanes));
      _mm256_storeu_ps(reinterpret_cast<float*>(out + kSize * x),
                       _mm256_blendv_ps(pa, pb, _mm256_castsi256_ps(pick)));
    }
    ExpandEach<kSize>(values, groups + x / kGroup, n - x, out + kSize * x);
  }
};

constexpr KernelSet kAvx2 = MakeKernelSet<Avx2>();

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
