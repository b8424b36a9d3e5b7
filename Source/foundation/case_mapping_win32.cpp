// Lower-casing through u_tolower of the system's icu.dll (Windows 10 1903 and later), loaded at
// the first use because older systems and Wine have none. Without it, and always under the
// loader lock, the system's own per-character mapping takes over.
#include "foundation/case_mapping.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "foundation/case_mapping_win32.h"
#include "foundation/loader_lock.h"

namespace {

// The thread inside a LoaderLockScope, 0 for none. The loader runs one notification at a time.
std::atomic<DWORD> gLoaderLockThread{0};

IcuToLower SystemIcuToLower() {
  // Loaded from System32 only, never from the host's folder, and kept for the process's life.
  static const IcuToLower function = LoadIcuToLower(L"icu.dll", true);
  return function;
}

// LCMapStringEx on the UTF-16 form of c; anything but exactly one code point back keeps c.
char32_t SystemLowerCodePoint(char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return c;
  wchar_t in[2];
  int inLength = 1;
  if (c < 0x10000) {
    in[0] = static_cast<wchar_t>(c);
  } else {
    in[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    in[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    inLength = 2;
  }
  wchar_t out[4] = {};
  const int outLength = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, in, inLength, out, 4,
                                      nullptr, nullptr, 0);
  if (outLength == 1 && (out[0] < 0xD800 || out[0] > 0xDFFF)) return out[0];
  if (outLength == 2 && out[0] >= 0xD800 && out[0] <= 0xDBFF && out[1] >= 0xDC00 &&
      out[1] <= 0xDFFF) {
    return ((static_cast<char32_t>(out[0]) - 0xD800) << 10) +
           (static_cast<char32_t>(out[1]) - 0xDC00) + 0x10000;
  }
  return c;
}

}  // namespace

IcuToLower LoadIcuToLower(const wchar_t* library, bool systemOnly) {
  HMODULE module = LoadLibraryExW(library, nullptr, systemOnly ? LOAD_LIBRARY_SEARCH_SYSTEM32 : 0);
  if (module == nullptr) return nullptr;
  auto function = reinterpret_cast<IcuToLower>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "u_tolower")));
  if (function == nullptr) FreeLibrary(module);
  return function;
}

LoaderLockScope::LoaderLockScope() : previous_(gLoaderLockThread.exchange(GetCurrentThreadId())) {}

LoaderLockScope::~LoaderLockScope() { gLoaderLockThread = previous_; }

bool UnderLoaderLock() { return gLoaderLockThread.load() == GetCurrentThreadId(); }

char32_t LowerCodePoint(char32_t c) {
  // Not even a look at icu.dll: its first use would load it.
  if (UnderLoaderLock()) return SystemLowerCodePoint(c);
  if (IcuToLower icu = SystemIcuToLower()) {
    return static_cast<char32_t>(icu(static_cast<std::int32_t>(c)));
  }
  return SystemLowerCodePoint(c);
}

const char* LowerCaseSource() { return SystemIcuToLower() != nullptr ? "icu" : "system"; }
