// The platform conversions through the Windows code-page calls. No strict-validation flag is
// passed: whatever Windows substitutes for unconvertible input is accepted.
#include "foundation/utf8_string.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

std::wstring MultiByteToWide(UINT codePage, const char* text) {
  if (text == nullptr) return {};
  const int length = static_cast<int>(std::strlen(text));
  const int size = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
  if (size <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(size) + 1, 0);
  if (MultiByteToWideChar(codePage, 0, text, length, buffer.data(), size) == 0) return {};
  return std::wstring(buffer.data());
}

std::string WideToMultiByte(UINT codePage, const wchar_t* text) {
  if (text == nullptr) return {};
  const int length = static_cast<int>(std::wcslen(text));
  const int size = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(size) + 1, 0);
  if (WideCharToMultiByte(codePage, 0, text, length, buffer.data(), size, nullptr, nullptr) == 0) {
    return {};
  }
  return std::string(buffer.data());
}

}  // namespace

std::wstring AnsiToWide(const char* ansi) { return MultiByteToWide(CP_ACP, ansi); }

std::string WideToAnsi(const wchar_t* wide) { return WideToMultiByte(CP_ACP, wide); }

std::string WideToUtf8(const wchar_t* wide) { return WideToMultiByte(CP_UTF8, wide); }

std::wstring Utf8ToWide(const char* utf8) { return MultiByteToWide(CP_UTF8, utf8); }
