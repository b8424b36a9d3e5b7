// The few system calls of the companion locator that differ between platforms.
#pragma once

#include <string>

#include "Popup/window_handling.h"
#include "foundation/utf8_string.h"

/// Whether the file exists, asked with the path as UTF-16.
bool WideFileExists(const mlUtf8String& path);
/// An error message box owned by the window (none: no owner).
void ShowErrorBox(WindowHandle owner, const std::string& caption, const std::string& text);
