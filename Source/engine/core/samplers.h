// CPU samplers: enlarge one source buffer into one destination buffer. Host-free: Enlarge takes
// image views and the resolved settings, the samplers under it plain pointers and a completed
// ScaleParams; they run on the calling thread and their tables take one block of memory per call
// (on the stack for small outputs).
#pragma once
#include "engine/core/image_view.h"
#include "engine/core/scale_data.h"
#include "engine/core/settings.h"

// Nearest neighbour: every destination pixel is a verbatim copy of one source pixel, or empty.
// Rows [row_begin, row_end) of the destination are written, so callers may split the work.
void SampleNearest(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                   uint32_t row_begin, uint32_t row_end, DestWindow window = {});

// Alpha-weighted bilinear with the sharpened blend of edge_blur_coeff.
void SampleBilinear(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                    uint32_t row_begin, uint32_t row_end, DestWindow window = {});

// Picks the sampler by p.type the way the GPU kernel does (Linear blends over the whole scale,
// Nearest AA with a non-positive blur falls back to nearest) and writes the whole destination.
// An unknown type draws nothing.
void RunSampler(PixelLayout layout, const void* src, void* dst, const ScaleParams& p,
                DestWindow window = {});

// The record the samplers and the GPU kernel take, for the resolved settings, the output grid's
// phase from the pre-render geometry and two images of one layout (pitches in its pixels).
ScaleParams ScaleParamsFor(const RenderSettings& settings, float anchor_x, float anchor_y,
                           const ConstImageView& src, const ImageView& dst);

// Enlarges src into dst (of one layout) with that record.
void Enlarge(const RenderSettings& settings, float anchor_x, float anchor_y,
             const ConstImageView& src, const ImageView& dst, DestWindow window = {});

// Instruction sets of the sampler kernels. Every set produces the same bytes; the fastest the
// processor has is used unless one is forced (tests compare them on the same inputs).
enum class SamplerKernels { Auto, SSE2, AVX2 };

// Returns false, and changes nothing, when the processor or the build lacks the set.
bool ForceSamplerKernels(SamplerKernels set);
