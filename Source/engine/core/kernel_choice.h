// Which kernel set the samplers run: the fastest the processor has, unless one is forced.
#pragma once
#include <cstddef>

#include "engine/core/simd/samplers_kernels.h"

namespace samplers {

const KernelSet& Kernels();

// The slot of the gathers and expansions for a pixel size of 4, 8 or 16 bytes.
inline size_t GatherSlot(size_t pixel_size) {
  return pixel_size == 4 ? 0 : pixel_size == 8 ? 1 : 2;
}

}  // namespace samplers
