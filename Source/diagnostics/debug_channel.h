// The platform's side of the diagnostics: the debugger output stream, wide formatting, and which
// thread and processor the caller runs on.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

/// Sends NUL-terminated text to the debugger output stream, where the platform has one.
void WriteToDebugger(const wchar_t* text);

/// printf-style wide formatting into units units; text that does not fit is cut and the buffer
/// always ends with a NUL.
void FormatWide(wchar_t* buffer, std::size_t units, const wchar_t* format, va_list args);

std::uint32_t CurrentThreadNumber();
std::uint32_t CurrentProcessorNumber();
