#include "test_module.h"

#include <dlfcn.h>

void* OpenTestModule(const mlUtf8String& path) { return dlopen(path.CStr(), RTLD_NOW); }

void* TestModuleSymbol(void* module, const char* name) { return dlsym(module, name); }

void CloseTestModule(void* module) { dlclose(module); }
