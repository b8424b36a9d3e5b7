#include "foundation/module_info.h"
#include "gpu/cuda_library.h"

void* OpenCudaLibrary() { return OpenSystemLibrary("nvcuda.dll"); }
