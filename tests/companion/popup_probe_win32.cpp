// Runs the pop-up at the path given through the plug-in's own client, as the settings button
// does, and prints what became of its answer: for the test that closes the window from the
// keyboard, which a program outside Wine drives. Exit status 0 when the answer parsed.
#include <cstdio>

#include "Popup/PopupClient.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: popup_probe POPUP.exe\n");
    return 2;
  }
  JsonDocument answer;
  const OperationResult result =
      RunPopup(kCompanionCaption, argv[1], BuildHostSettingsJson(0, 10, 3), answer);
  if (result.failed) {
    std::printf("failed: %s\n", result.Message().CStr());
    return 1;
  }
  std::printf("parsed: %s\n", answer.Text().CStr());
  return 0;
}
