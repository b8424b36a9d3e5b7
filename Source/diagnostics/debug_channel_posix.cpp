// POSIX systems have no debugger output stream: debugger text goes nowhere.
#include "diagnostics/debug_channel.h"

#include <sched.h>
#include <unistd.h>

#include <cwchar>

void WriteToDebugger(const wchar_t*) {}

void FormatWide(wchar_t* buffer, std::size_t units, const wchar_t* format, va_list args) {
  // vswprintf fails on text that does not fit; the buffer then holds as much as fitted.
  std::vswprintf(buffer, units, format, args);
  buffer[units - 1] = 0;
}

std::uint32_t CurrentThreadNumber() { return static_cast<std::uint32_t>(gettid()); }

std::uint32_t CurrentProcessorNumber() {
  const int cpu = sched_getcpu();
  return cpu < 0 ? 0 : static_cast<std::uint32_t>(cpu);
}
