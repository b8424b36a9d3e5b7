#include <windows.h>

#include "loader_library.h"

LoaderLibrary::LoaderLibrary(const char* path) : handle_(LoadLibraryA(path)) {}

LoaderLibrary::~LoaderLibrary() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
}

void* LoaderLibrary::Symbol(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}
