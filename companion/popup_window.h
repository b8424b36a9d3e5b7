// The settings pop-up's window, one file per platform.
#pragma once

#include <cstdint>

#include "companion/settings_page.h"

/// Shows the page until the user closes it (Close, Enter, Escape or the title bar's button) or,
/// when autoCloseMs is not 0, until that time has passed, which closes it as Close does. owner is
/// the host's window the pop-up belongs to and is centred on (0: none, the screen's centre).
/// Returns whether the user opened the user guide from it.
bool ShowSettingsWindow(const SettingsPage& page, std::uint64_t owner, unsigned autoCloseMs);
