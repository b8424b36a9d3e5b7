#include <windows.h>

#include "companion/dialog_win32.h"
#include "companion/test_dialog.h"
#include "foundation/utf8_string.h"

namespace {

constexpr UINT_PTR kTimeoutTimer = 1;

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetTimer(dialog, kTimeoutTimer, static_cast<UINT>(lParam), nullptr);
      return TRUE;
    case WM_TIMER:
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool ShowDialog(const std::string& caption, unsigned timeoutMs) {
  std::vector<WORD> dialogTemplate =
      DialogTemplate(Utf8ToWide(caption),
                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME, 200, 80);
  // A dialog that cannot be made leaves nothing to wait for.
  RunModelessDialog(dialogTemplate, nullptr, &DialogProc, static_cast<LPARAM>(timeoutMs));
  return true;
}
