#include <dlfcn.h>

#include "loader_library.h"

LoaderLibrary::LoaderLibrary(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}

LoaderLibrary::~LoaderLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

void* LoaderLibrary::Symbol(const char* name) const { return dlsym(handle_, name); }
