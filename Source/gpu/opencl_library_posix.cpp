#include <dlfcn.h>

#include "gpu/opencl_library.h"

void* OpenOpenCLLibrary() {
  // The ICD loader's run-time name; the unversioned one exists only with the development files.
  void* library = dlopen("libOpenCL.so.1", RTLD_NOW | RTLD_LOCAL);
  return library != nullptr ? library : dlopen("libOpenCL.so", RTLD_NOW | RTLD_LOCAL);
}

void* OpenCLSymbol(void* library, const char* name) { return dlsym(library, name); }
