// The suite's companion as this plug-in ships it (Orbisk.exe beside the module): the settings
// pop-up. It reads the plug-in's request, shows the page until the user closes it and answers
// with a "json:" line holding what it showed. ORBISK_AUTOCLOSE_MS=N closes it after N ms as Close
// does, for unattended runs.
#include <cstdlib>

#include "companion/popup_window.h"
#include "companion/settings_page.h"
#include "companion/system.h"

int main() {
  const std::string request = ReadRequest();
  const SettingsPage page = MakeSettingsPage(ProgramPath(), FindGpuPaths());
  const std::string autoClose = EnvironmentVariable("ORBISK_AUTOCLOSE_MS");
  const unsigned long autoCloseMs = std::strtoul(autoClose.c_str(), nullptr, 10);
  const bool guideOpened =
      ShowSettingsWindow(page, OwnerOf(request), static_cast<unsigned>(autoCloseMs));
  Say(AnswerLine(page, request, guideOpened));
  return 0;
}
