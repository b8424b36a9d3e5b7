// What tessgrain-render needs of the operating system beyond standard C++.
#pragma once
#include <cstdio>
#include <string>

namespace devhost {

bool IsTerminal(std::FILE* stream);
// Raw frames pass through the standard streams unchanged (no newline translation).
void UseBinaryMode(std::FILE* stream);
long ProcessId();
// Sets the variable, or removes it when value is null.
void SetEnvironment(const char* name, const char* value);

}  // namespace devhost
