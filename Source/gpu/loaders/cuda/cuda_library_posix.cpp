#include "foundation/module_info.h"
#include "gpu/loaders/cuda/cuda_library.h"

// The driver's run-time name; the unversioned one is only a link-time stub of the toolkit.
void* OpenCudaLibrary() { return OpenSystemLibrary("libcuda.so.1"); }
