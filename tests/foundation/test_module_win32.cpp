#include "test_module.h"

#include <windows.h>

void* OpenTestModule(const mlUtf8String& path) { return LoadLibraryW(path.ToWide().c_str()); }

void* TestModuleSymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseTestModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
