// Formatted messages for a developer watching the debugger output.
#pragma once

#include "foundation/utf8_string.h"

/// Formats printf-style into at most 1023 UTF-16 units (longer text is cut), writes the text to
/// the debugger output stream and returns it. On POSIX systems there is no such stream and the
/// text is only returned.
mlUtf8String DebugMessage(const wchar_t* format, ...);
