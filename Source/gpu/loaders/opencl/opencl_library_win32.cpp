#include "foundation/module_info.h"
#include "gpu/loaders/opencl/opencl_library.h"

void* OpenOpenCLLibrary() { return OpenSystemLibrary("OpenCL.dll"); }
