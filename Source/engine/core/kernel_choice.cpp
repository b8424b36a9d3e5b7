#include "engine/core/kernel_choice.h"

#include <atomic>

#include "engine/core/samplers.h"

namespace samplers {

namespace {

bool CpuHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

const KernelSet* BestKernels() {
  const KernelSet* avx2 = Avx2Kernels();
  return avx2 != nullptr && CpuHasAvx2() ? avx2 : &Sse2Kernels();
}

std::atomic<const KernelSet*> g_forced{nullptr};

}  // namespace

const KernelSet& Kernels() {
  if (const KernelSet* forced = g_forced.load(std::memory_order_relaxed)) return *forced;
  static const KernelSet* const best = BestKernels();
  return *best;
}

}  // namespace samplers

bool ForceSamplerKernels(SamplerKernels set) {
  switch (set) {
    case SamplerKernels::Auto:
      samplers::g_forced.store(nullptr, std::memory_order_relaxed);
      return true;
    case SamplerKernels::SSE2:
      samplers::g_forced.store(&samplers::Sse2Kernels(), std::memory_order_relaxed);
      return true;
    case SamplerKernels::AVX2:
      if (samplers::Avx2Kernels() == nullptr || !samplers::CpuHasAvx2()) return false;
      samplers::g_forced.store(samplers::Avx2Kernels(), std::memory_order_relaxed);
      return true;
  }
  return false;
}
