// SSE2 kernels: the baseline every x86-64 processor has. Four lanes, one destination pixel each.
#include <emmintrin.h>

#include <cstring>

#include "engine/core/simd/samplers_simd.h"

namespace samplers {
namespace {

struct Sse2 {
  static constexpr size_t N = 4;
  using F = __m128;
  struct Idx {
    const int32_t* i;
  };

  static F Load(const float* p) { return _mm_loadu_ps(p); }
  static F LoadMask(const uint32_t* m) { return _mm_loadu_ps(reinterpret_cast<const float*>(m)); }
  static F Set(float v) { return _mm_set1_ps(v); }
  static F SetMask(uint32_t m) { return _mm_castsi128_ps(_mm_set1_epi32(static_cast<int32_t>(m))); }
  static F Add(F a, F b) { return _mm_add_ps(a, b); }
  static F Mul(F a, F b) { return _mm_mul_ps(a, b); }
  static F Div(F a, F b) { return _mm_div_ps(a, b); }
  static F And(F a, F b) { return _mm_and_ps(a, b); }
  static F Greater(F a, F b) { return _mm_cmpgt_ps(a, b); }
  static F Select(F m, F a, F b) { return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b)); }

  static Idx Prepare(const int32_t* i) { return {i}; }
  static int Way(Idx, Idx) { return 0; }
  template <int>
  static F Tap(const float* plane, Idx x) {
    return _mm_setr_ps(plane[x.i[0]], plane[x.i[1]], plane[x.i[2]], plane[x.i[3]]);
  }

  template <class Chan>
  static void Store(const F v[4], uint8_t* out) {
    if constexpr (std::is_same_v<Chan, float>) {
      F t[4] = {v[0], v[1], v[2], v[3]};
      _MM_TRANSPOSE4_PS(t[0], t[1], t[2], t[3]);
      for (int k = 0; k < 4; ++k) _mm_storeu_ps(reinterpret_cast<float*>(out + 16 * k), t[k]);
    } else {
      __m128i c[4];
      for (int k = 0; k < 4; ++k) c[k] = _mm_cvttps_epi32(v[k]);
      if constexpr (sizeof(Chan) == 1) {
        const __m128i ff = _mm_set1_epi32(0xFF);
        __m128i p = _mm_and_si128(c[0], ff);
        p = _mm_or_si128(p, _mm_slli_epi32(_mm_and_si128(c[1], ff), 8));
        p = _mm_or_si128(p, _mm_slli_epi32(_mm_and_si128(c[2], ff), 16));
        p = _mm_or_si128(p, _mm_slli_epi32(c[3], 24));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), p);
      } else {
        const __m128i ffff = _mm_set1_epi32(0xFFFF);
        const __m128i lo = _mm_or_si128(_mm_and_si128(c[0], ffff), _mm_slli_epi32(c[1], 16));
        const __m128i hi = _mm_or_si128(_mm_and_si128(c[2], ffff), _mm_slli_epi32(c[3], 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi32(lo, hi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi32(lo, hi));
      }
    }
  }

  template <class Chan>
  static bool ToPlanes(const uint8_t* row, size_t count, float* const planes[4]) {
    for (size_t x = 0; x < count; ++x) {
      Chan px[4];
      std::memcpy(px, row + x * sizeof(px), sizeof(px));
      for (int k = 0; k < 4; ++k) planes[k][x] = static_cast<float>(px[k]);
    }
    for (int k = 0; k < 4; ++k) std::memset(planes[k] + count, 0, kMaxLanes * sizeof(float));
    if constexpr (std::is_same_v<Chan, float>) {
      return PlainBits(reinterpret_cast<const float*>(row), 4 * count);
    } else {
      return true;
    }
  }

  template <class Chan, int A>
  static void Copy(const ColumnTaps& c, const RowTaps& r, size_t begin, size_t end, uint8_t* out) {
    BilinearKernels<Sse2, Chan, A>::CopyEach(c, r, begin, end, out);
  }

  template <size_t kSize>
  static void Gather(const uint8_t* src, const int32_t* index, const LoadWindow*, size_t n,
                     uint8_t* out) {
    for (size_t k = 0; k < n; ++k)
      std::memcpy(out + k * kSize, src + static_cast<size_t>(index[k]) * kSize, kSize);
  }

  template <size_t kSize>
  static void GatherRows(const uint8_t* src, const int32_t* index, const LoadWindow*, size_t n,
                         uint8_t* const* outs, size_t k) {
    constexpr size_t kLanes = 16 / kSize;
    size_t q = 0;
    for (; q + kLanes <= n; q += kLanes) {
      alignas(16) uint8_t chunk[16];
      for (size_t l = 0; l < kLanes; ++l)
        std::memcpy(chunk + l * kSize, src + size_t(index[q + l]) * kSize, kSize);
      const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(chunk));
      for (size_t r = 0; r < k; ++r)
        _mm_stream_si128(reinterpret_cast<__m128i*>(outs[r] + q * kSize), v);
    }
    for (; q < n; ++q) {
      for (size_t r = 0; r < k; ++r)
        std::memcpy(outs[r] + q * kSize, src + size_t(index[q]) * kSize, kSize);
    }
  }

  static void Stream(uint8_t* dst, const uint8_t* src, size_t bytes) {
    const size_t align = (16 - reinterpret_cast<uintptr_t>(dst) % 16) % 16;
    const size_t head = bytes < align ? bytes : align;
    size_t k = head;
    if (src != nullptr) {
      std::memcpy(dst, src, head);
      for (; k + 16 <= bytes; k += 16) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst + k),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k)));
      }
      std::memcpy(dst + k, src + k, bytes - k);
    } else {
      std::memset(dst, 0, head);
      for (; k + 16 <= bytes; k += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst + k), _mm_setzero_si128());
      std::memset(dst + k, 0, bytes - k);
    }
  }

  template <size_t kSize>
  static void Expand(const uint8_t* values, const Lanes* groups, size_t n, uint8_t* out) {
    ExpandEach<kSize>(values, groups, n, out);
  }
};

constexpr KernelSet kSse2 = MakeKernelSet<Sse2>();

}  // namespace

const KernelSet& Sse2Kernels() { return kSse2; }

}  // namespace samplers
