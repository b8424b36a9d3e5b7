#include "gpu/cuda_launch.h"

bool CudaKernelsBuilt() { return false; }

int CudaLaunchScaleKernel(const void*, void*, const ScaleParams&) { return 1; }

int CudaPeekAtLastError() { return 1; }
