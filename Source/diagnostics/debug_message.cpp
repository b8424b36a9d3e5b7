#include "diagnostics/debug_message.h"

#include <cstdarg>

#include "diagnostics/debug_channel.h"

mlUtf8String DebugMessage(const wchar_t* format, ...) {
  wchar_t buffer[1024] = {};
  va_list args;
  va_start(args, format);
  FormatWide(buffer, 1024, format, args);
  va_end(args);
  buffer[1023] = 0;
  WriteToDebugger(buffer);
  return mlUtf8String(buffer);
}
