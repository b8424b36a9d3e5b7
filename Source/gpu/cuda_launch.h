// The CUDA side of the GPU renderer. A build without the CUDA toolkit (the Windows one among
// them) carries none of it: it never declares CUDA support, and a launch only fails.
#pragma once
#include "engine/scale_data.h"

// Whether the kernels are in this module's fat binary.
bool CudaKernelsBuilt();

// Launches ScaleKernel over the destination in 16 x 16 blocks on the default stream and waits
// for it; returns the status of that wait (0 when all went well).
int CudaLaunchScaleKernel(const void* src, void* dst, const ScaleParams& params);

// The runtime's last launch or execution error, without clearing it; non-zero without CUDA.
int CudaPeekAtLastError();
