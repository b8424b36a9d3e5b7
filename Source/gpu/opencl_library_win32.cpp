#include <windows.h>

#include "gpu/opencl_library.h"

void* OpenOpenCLLibrary() {
  // System folder only: a stray OpenCL.dll beside the host must not be picked up.
  return LoadLibraryExW(L"OpenCL.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* OpenCLSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
