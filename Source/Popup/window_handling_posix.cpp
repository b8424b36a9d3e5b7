// No host windows to find, subclass or restore on these systems: every search finds none.
#include "Popup/window_handling.h"

SpawnContext::~SpawnContext() = default;

bool FindWindows(WindowQuery& query) {
  query.result = nullptr;
  return false;
}

WindowHandle FindHostMainWindow() { return nullptr; }

WindowHandle FindCompanionDialog(SpawnContext& context) {
  return context.companionDialog = nullptr;
}

void PumpPopupMessages(SpawnParams&) {}

void KeepCompanionInFront(SpawnParams&) {}

WindowHandle DetachFromHost(SpawnParams& params) {
  return params.context ? params.context->hostMainWindow : nullptr;
}

void RestoreHostWindow(WindowHandle) {}

void CloseCompanionProcess(SpawnContext& context) { context.companionProcess = kNoSpawnHandle; }
