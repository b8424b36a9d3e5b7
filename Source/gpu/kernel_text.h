// The OpenCL C text of the kernels (gpu/kernels/gpu_kernel.cu preprocessed at build time),
// NUL-terminated, in the module's read-only data.
#pragma once
#include <cstddef>

extern const char kOpenCLKernelText[];
// Bytes before the terminating NUL.
extern const size_t kOpenCLKernelTextLength;
