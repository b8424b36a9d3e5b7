#include "foundation/module_info.h"
#include "gpu/loaders/cuda/cuda_library.h"

void* OpenCudaLibrary() { return OpenSystemLibrary("nvcuda.dll"); }
