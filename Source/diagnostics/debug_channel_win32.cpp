#include "diagnostics/debug_channel.h"

#include <windows.h>

#include <cwchar>

void WriteToDebugger(const wchar_t* text) { OutputDebugStringW(text); }

void FormatWide(wchar_t* buffer, std::size_t units, const wchar_t* format, va_list args) {
  // _TRUNCATE cuts long text instead of calling the invalid-parameter handler.
  _vsnwprintf_s(buffer, units, _TRUNCATE, format, args);
  buffer[units - 1] = 0;
}

std::uint32_t CurrentThreadNumber() { return GetCurrentThreadId(); }

std::uint32_t CurrentProcessorNumber() { return GetCurrentProcessorNumber(); }
