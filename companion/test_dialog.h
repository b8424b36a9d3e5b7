// The test companion's dialog, one file per platform.
#pragma once

#include <string>

/// A visible dialog with the caption, open until it is closed or the time has passed. False when
/// this system has no dialogs.
bool ShowDialog(const std::string& caption, unsigned timeoutMs);
