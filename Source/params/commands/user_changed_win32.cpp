#include <windows.h>

#include <shellapi.h>

#include "Popup/maker_site.h"
#include "params/commands/user_changed.h"

void OpenUpdatePage() {
  // The shell's answer is not used: without a browser there is nothing more to do.
  ShellExecuteW(nullptr, nullptr, kUpdatePageUrl, nullptr, nullptr, SW_SHOW);
}
