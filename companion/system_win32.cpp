#include <windows.h>

#include <vector>

#include "companion/system.h"
#include "foundation/utf8_string.h"

bool ReadInputByte(char& byte) {
  DWORD read = 0;
  return ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read == 1;
}

bool WriteOutput(const std::string& bytes, bool toErrorOutput) {
  DWORD written = 0;
  const HANDLE out = GetStdHandle(toErrorOutput ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  return WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

void SleepMs(unsigned milliseconds) { Sleep(milliseconds); }

std::string CommandLine(int, char**) { return WideToUtf8(GetCommandLineW()); }

std::string ProgramPath() {
  wchar_t path[4096] = {};
  GetModuleFileNameW(nullptr, path, 4096);
  return WideToUtf8(path);
}

std::string EnvironmentVariable(const char* name) {
  const std::wstring wideName = Utf8ToWide(name);
  const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::vector<wchar_t> value(size, L'\0');
  GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
  return WideToUtf8(value.data());
}
