#include <windows.h>

#include "gpu/cuda_library.h"

void* OpenCudaLibrary() {
  // System folder only: a planted nvcuda.dll beside the host or in its working folder must not
  // be picked up.
  return LoadLibraryExW(L"nvcuda.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* CudaSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
