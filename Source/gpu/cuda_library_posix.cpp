#include <dlfcn.h>

#include "gpu/cuda_library.h"

// The driver's run-time name; the unversioned one is only a link-time stub of the toolkit.
void* OpenCudaLibrary() { return dlopen("libcuda.so.1", RTLD_NOW | RTLD_LOCAL); }

void* CudaSymbol(void* library, const char* name) { return dlsym(library, name); }
