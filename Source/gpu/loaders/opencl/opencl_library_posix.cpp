#include "foundation/module_info.h"
#include "gpu/loaders/opencl/opencl_library.h"

void* OpenOpenCLLibrary() {
  // The ICD loader's run-time name; the unversioned one exists only with the development files.
  void* library = OpenSystemLibrary("libOpenCL.so.1");
  return library != nullptr ? library : OpenSystemLibrary("libOpenCL.so");
}
