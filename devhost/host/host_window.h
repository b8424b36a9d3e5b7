// A host's main window for the Windows tests: a visible top-level window with one child control,
// both counting the messages their own procedures receive.
#pragma once

#include <windows.h>

#include <mutex>

namespace devhost {

class HostWindow {
 public:
  // unicode false makes an ANSI window (class and procedure registered with the A functions).
  explicit HostWindow(const wchar_t* title, bool unicode = true, bool visible = true);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND Main() const { return main_; }
  HWND Child() const { return child_; }
  // How often the window's own procedure received the message (with that wParam, for the second
  // form); safe from any thread.
  int Count(HWND window, UINT message) const;
  int Count(HWND window, UINT message, WPARAM wParam) const;
  void ResetCounts();
  // The procedure this class installed in the window, for checking that it came back.
  static LONG_PTR OwnProcedure(bool unicode);

  // Removes every message waiting for the calling thread.
  static void Pump();

 private:
  static LRESULT CALLBACK ProcW(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK ProcA(HWND, UINT, WPARAM, LPARAM);
  static void Record(HWND window, UINT message, WPARAM wParam);

  HWND main_ = nullptr;
  HWND child_ = nullptr;
  bool unicode_;
};

}  // namespace devhost
