// Private to the samplers: the bilinear arithmetic written once, as templates over a vector type,
// for the SSE2 and AVX2 files to instantiate. Every lane performs the scalar sampler's float
// operations in the scalar order, division included. Only those two files include this header,
// and everything here has internal linkage, so each keeps its own copy compiled for its own
// instruction set.
//
// A vector type V provides: N (lanes); F (N floats); Load, LoadMask, Set, SetMask, Add, Mul,
// Div, And, Greater (all-ones lanes where a > b) and Select(mask, a, b); Idx and Prepare(indices)
// for N plane columns, Way(idx, idx) choosing how Tap<way>(plane, idx) reads them for both index
// sets; Store<Chan>(F[4], out) writing N pixels of four channels in memory order, integers
// truncated toward zero with their low bits kept; and Copy<Chan, A> (or BilinearKernels'
// CopyEach), ToPlanes, Gather, GatherRows, Expand and Stream as declared in samplers_kernels.h.
#pragma once
#include <emmintrin.h>

#include <cstring>
#include <type_traits>

#include "engine/core/simd/samplers_kernels.h"

namespace samplers {
namespace {

template <class V, class Chan, int A>
struct BilinearKernels {
  using F = typename V::F;
  static constexpr size_t kSize = 4 * sizeof(Chan);

  // Weights are divided by the total only above the threshold; dividing by 1 elsewhere leaves
  // them unchanged.
  static F Divisor(F total) {
    return V::Select(V::Greater(total, V::Set(0.0001f)), total, V::Set(1.0f));
  }

  // Calls chunk(way) with the way as a compile-time constant, so each chunk is compiled once per
  // way of reading its taps.
  template <class Chunk>
  static void ForWay(int way, Chunk&& chunk) {
    switch (way) {
      case 2:
        chunk(std::integral_constant<int, 2>{});
        break;
      case 1:
        chunk(std::integral_constant<int, 1>{});
        break;
      default:
        chunk(std::integral_constant<int, 0>{});
        break;
    }
  }

  // All four taps: ((w0 + w1) + w2) + w3 with w = (xb * yb) * alpha. The colour taps are read
  // only once the weights are known, which keeps fewer vectors alive. (The loops below work on
  // local copies of the tables: their pointers then stay in registers, where a store through
  // uint8_t*, which may alias anything, would otherwise force them to be reloaded.)
  template <int kWay>
  static void FullChunk(const ColumnTaps& c, const RowTaps& r, size_t j, const typename V::Idx& t1,
                        const typename V::Idx& t2, uint8_t* out) {
    const F yb1 = V::Set(r.b1), yb2 = V::Set(r.b2), yk1 = V::SetMask(r.keep1),
            yk2 = V::SetMask(r.keep2);
    const F xb1 = V::Load(c.b1 + j), xb2 = V::Load(c.b2 + j);
    const F xk1 = V::LoadMask(c.keep1 + j), xk2 = V::LoadMask(c.keep2 + j);
    const F a1 = V::And(V::template Tap<kWay>(r.p1.c[A], t1), V::And(xk1, yk1));
    const F a2 = V::And(V::template Tap<kWay>(r.p1.c[A], t2), V::And(xk2, yk1));
    const F a3 = V::And(V::template Tap<kWay>(r.p2.c[A], t1), V::And(xk1, yk2));
    const F a4 = V::And(V::template Tap<kWay>(r.p2.c[A], t2), V::And(xk2, yk2));
    F w0 = V::Mul(V::Mul(xb1, yb1), a1), w1 = V::Mul(V::Mul(xb2, yb1), a2);
    F w2 = V::Mul(V::Mul(xb1, yb2), a3), w3 = V::Mul(V::Mul(xb2, yb2), a4);
    const F total = V::Add(V::Add(V::Add(w0, w1), w2), w3);
    const F d = Divisor(total);
    w0 = V::Div(w0, d);
    w1 = V::Div(w1, d);
    w2 = V::Div(w2, d);
    w3 = V::Div(w3, d);
    F v[4];
    for (int k = 0; k < 4; ++k) {
      if (k == A) {
        v[k] = total;
        continue;
      }
      const F c1 = V::template Tap<kWay>(r.p1.c[k], t1), c2 = V::template Tap<kWay>(r.p1.c[k], t2);
      const F c3 = V::template Tap<kWay>(r.p2.c[k], t1), c4 = V::template Tap<kWay>(r.p2.c[k], t2);
      v[k] = V::Add(V::Add(V::Add(V::Mul(w0, c1), V::Mul(w1, c2)), V::Mul(w2, c3)), V::Mul(w3, c4));
    }
    V::template Store<Chan>(v, out);
  }

  static void Full(const ColumnTaps& columns, const RowTaps& row, size_t begin, size_t end,
                   uint8_t* out) {
    const ColumnTaps c = columns;
    const RowTaps r = row;
    for (size_t j = begin; j < end; j += V::N, out += V::N * kSize) {
      const typename V::Idx t1 = V::Prepare(c.i1 + j), t2 = V::Prepare(c.i2 + j);
      ForWay(V::Way(t1, t2),
             [&](auto way) { FullChunk<decltype(way)::value>(c, r, j, t1, t2, out); });
    }
  }

  // Two taps p and q, the others weighing exactly 0: with plain values their terms are +0,
  // which changes no sum, so total = wp + wq and each channel = wp * p + wq * q.
  template <int kWay>
  static void TwoTaps(F wp, F wq, const float* const pp[4], const float* const qp[4],
                      const typename V::Idx& tp, const typename V::Idx& tq, uint8_t* out) {
    const F total = V::Add(wp, wq);
    const F d = Divisor(total);
    wp = V::Div(wp, d);
    wq = V::Div(wq, d);
    F v[4];
    for (int k = 0; k < 4; ++k) {
      v[k] = k == A ? total
                    : V::Add(V::Mul(wp, V::template Tap<kWay>(pp[k], tp)),
                             V::Mul(wq, V::template Tap<kWay>(qp[k], tq)));
    }
    V::template Store<Chan>(v, out);
  }

  // A row whose weights are exactly 1 and 0: (xb * 1) * alpha = xb * alpha on the one row.
  template <int kWay>
  static void HorizontalChunk(const ColumnTaps& c, const RowTaps& r, size_t j,
                              const typename V::Idx& t1, const typename V::Idx& t2, uint8_t* out) {
    const F ks = V::SetMask(r.keep_sel);
    const F ap =
        V::And(V::template Tap<kWay>(r.psel.c[A], t1), V::And(V::LoadMask(c.keep1 + j), ks));
    const F aq =
        V::And(V::template Tap<kWay>(r.psel.c[A], t2), V::And(V::LoadMask(c.keep2 + j), ks));
    TwoTaps<kWay>(V::Mul(V::Load(c.b1 + j), ap), V::Mul(V::Load(c.b2 + j), aq), r.psel.c, r.psel.c,
                  t1, t2, out);
  }

  static void Horizontal(const ColumnTaps& columns, const RowTaps& row, size_t begin, size_t end,
                         uint8_t* out) {
    const ColumnTaps c = columns;
    const RowTaps r = row;
    for (size_t j = begin; j < end; j += V::N, out += V::N * kSize) {
      const typename V::Idx t1 = V::Prepare(c.i1 + j), t2 = V::Prepare(c.i2 + j);
      ForWay(V::Way(t1, t2),
             [&](auto way) { HorizontalChunk<decltype(way)::value>(c, r, j, t1, t2, out); });
    }
  }

  // A column whose weights are exactly 1 and 0: (1 * yb) * alpha = yb * alpha in the one column.
  template <int kWay>
  static void VerticalChunk(const ColumnTaps& c, const RowTaps& r, size_t j,
                            const typename V::Idx& t, uint8_t* out) {
    const F ks = V::LoadMask(c.keep_sel + j);
    const F ap = V::And(V::template Tap<kWay>(r.p1.c[A], t), V::And(ks, V::SetMask(r.keep1)));
    const F aq = V::And(V::template Tap<kWay>(r.p2.c[A], t), V::And(ks, V::SetMask(r.keep2)));
    TwoTaps<kWay>(V::Mul(V::Set(r.b1), ap), V::Mul(V::Set(r.b2), aq), r.p1.c, r.p2.c, t, t, out);
  }

  static void Vertical(const ColumnTaps& columns, const RowTaps& row, size_t begin, size_t end,
                       uint8_t* out) {
    const ColumnTaps c = columns;
    const RowTaps r = row;
    for (size_t j = begin; j < end; j += V::N, out += V::N * kSize) {
      const typename V::Idx t = V::Prepare(c.sel + j);
      ForWay(V::Way(t, t), [&](auto way) { VerticalChunk<decltype(way)::value>(c, r, j, t, out); });
    }
  }

  // Weights exactly 1 and 0 both ways: total = alpha a. Above the threshold every weight divides
  // to exactly 1 or +0 and the pixel is a copy; otherwise the weights stay undivided and each
  // colour is a x colour. An integer alpha at or below the threshold is 0: transparent black.
  static void CopyEach(const ColumnTaps& columns, const RowTaps& row, size_t begin, size_t end,
                       uint8_t* out) {
    const ColumnTaps c = columns;
    const RowTaps r = row;
    for (size_t j = begin; j < end; ++j, out += kSize) {
      const uint8_t* at = r.raw_sel + static_cast<size_t>(c.sel[j]) * kSize;
      const bool keep = (c.keep_sel[j] & r.keep_sel) != 0;
      if constexpr (std::is_same_v<Chan, float>) {
        __m128 px = _mm_loadu_ps(reinterpret_cast<const float*>(at));
        float a;
        std::memcpy(&a, at + 4 * A, 4);
        if (!keep) a = 0.0f;
        if (!(a > 0.0001f)) {
          float v[4];
          _mm_storeu_ps(v, _mm_mul_ps(_mm_set1_ps(a), px));
          v[A] = a;
          px = _mm_loadu_ps(v);
        }
        _mm_storeu_ps(reinterpret_cast<float*>(out), px);
      } else {
        Chan px[4];
        std::memcpy(px, at, kSize);
        if (px[A] == 0 || !keep) std::memset(px, 0, kSize);
        std::memcpy(out, px, kSize);
      }
    }
  }

  static constexpr LayoutKernels Set() {
    return {&Full, &Horizontal, &Vertical, &V::template Copy<Chan, A>, &V::template ToPlanes<Chan>};
  }
};

// Whether every 32-bit pattern is plain (below 0x7F800000: finite, positive or +0).
inline bool PlainBits(const float* v, size_t n) {
  uint32_t worst = 0;
  for (size_t k = 0; k < n; ++k) {
    uint32_t bits;
    std::memcpy(&bits, v + k, 4);
    worst = bits > worst ? bits : worst;
  }
  return worst < 0x7F800000u;
}

// Expansion one column at a time.
template <size_t kSize>
void ExpandEach(const uint8_t* values, const Lanes* groups, size_t n, uint8_t* out) {
  constexpr size_t kGroup = GroupColumns(kSize);
  for (size_t x = 0; x < n; ++x) {
    const Lanes& g = groups[x / kGroup];
    const uint8_t lane = g.lane[x % kGroup];
    std::memcpy(out + x * kSize,
                values + static_cast<size_t>(g.base[lane >> 3] + (lane & 7)) * kSize, kSize);
  }
}

// All five layouts, in PixelLayout order, and the gathers by pixel size.
template <class V>
constexpr KernelSet MakeKernelSet() {
  return {{BilinearKernels<V, uint8_t, 0>::Set(), BilinearKernels<V, uint16_t, 0>::Set(),
           BilinearKernels<V, float, 0>::Set(), BilinearKernels<V, uint8_t, 3>::Set(),
           BilinearKernels<V, float, 3>::Set()},
          {&V::template Gather<4>, &V::template Gather<8>, &V::template Gather<16>},
          {&V::template GatherRows<4>, &V::template GatherRows<8>, &V::template GatherRows<16>},
          {&V::template Expand<4>, &V::template Expand<8>},
          &V::Stream};
}

}  // namespace
}  // namespace samplers
