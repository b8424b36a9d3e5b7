#include "foundation/module_info.h"
#include "gpu/opencl_library.h"

void* OpenOpenCLLibrary() { return OpenSystemLibrary("OpenCL.dll"); }
