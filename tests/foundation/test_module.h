// Loading a module at run time in the tests, the platform's way.
#pragma once

#include "foundation/utf8_string.h"

void* OpenTestModule(const mlUtf8String& path);
void* TestModuleSymbol(void* module, const char* name);
void CloseTestModule(void* module);
