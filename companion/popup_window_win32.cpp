// The settings pop-up: a modeless dialog of the system's dialog class (the plug-in keeps it in
// front of the host by that class), laid out in dialog units so that it follows the system font.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "companion/dialog_win32.h"
#include "companion/popup_window.h"
#include "foundation/utf8_string.h"

namespace {

constexpr UINT_PTR kAutoCloseTimer = 1;
constexpr int kGuideLink = 200;
constexpr int kFirstText = 300;

// Dialog units.
constexpr short kWidth = 280;
constexpr short kMargin = 10;
constexpr short kLine = 10;
constexpr short kIndent = 12;
constexpr short kMostGpuLines = 14;

class Font {
 public:
  Font() = default;
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  ~Font() {
    if (font_ != nullptr) DeleteObject(font_);
  }
  // The dialog's font, made bold and scaled by percent, with an underline on request.
  void Derive(HWND dialog, int percent, bool bold, bool underline) {
    LOGFONTW face{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(face),
               &face);
    face.lfHeight = face.lfHeight * percent / 100;
    if (bold) face.lfWeight = FW_BOLD;
    face.lfUnderline = underline ? TRUE : FALSE;
    font_ = CreateFontIndirectW(&face);
  }
  HFONT get() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

// A line of the page: text at a place, in dialog units.
struct Row {
  std::string text;
  short x, y, height;
  enum Kind { Title, Heading, Plain, Path, Wrapped, Link } kind;
};

struct Popup {
  Popup(const SettingsPage& page, HWND owner, unsigned autoCloseMs)
      : page(page), owner(owner), autoCloseMs(autoCloseMs) {}
  const SettingsPage& page;
  HWND owner;
  unsigned autoCloseMs;
  std::vector<Row> rows;
  short height = 0;  // the dialog's, in dialog units
  bool guideOpened = false;
  HWND link = nullptr;
  Font title, heading, underlined;
};

void Lay(Popup& popup) {
  short y = kMargin;
  auto add = [&](std::string text, short x, short height, Row::Kind kind) {
    popup.rows.push_back({std::move(text), x, y, height, kind});
    y = static_cast<short>(y + height);
  };
  const SettingsPage& page = popup.page;
  add(page.name, kMargin, 16, Row::Title);
  add("Version " + page.version, kMargin, kLine + 6, Row::Plain);
  add("Installed in", kMargin, kLine, Row::Heading);
  add(page.folder, kMargin + kIndent, kLine + 6, Row::Path);
  add("GPU paths for the effect", kMargin, kLine, Row::Heading);
  std::vector<std::string> lines = GpuLines(page.gpu);
  if (lines.size() > kMostGpuLines) {
    const std::size_t more = lines.size() - (kMostGpuLines - 1);
    lines.resize(kMostGpuLines - 1);
    lines.push_back("    and " + std::to_string(more) + " more");
  }
  for (const std::string& line : lines) {
    const bool device = line.rfind("    ", 0) == 0;
    add(device ? line.substr(4) : line, device ? kMargin + 2 * kIndent : kMargin + kIndent, kLine,
        Row::Plain);
  }
  y = static_cast<short>(y + 4);
  add(GpuSummary(page.gpu), kMargin + kIndent, 2 * kLine, Row::Wrapped);
  // The link sits on the button row.
  popup.height = static_cast<short>(y + 8 + 14 + kMargin);
  popup.rows.push_back({"Open the user guide", kMargin,
                        static_cast<short>(popup.height - kMargin - 11), kLine, Row::Link});
}

RECT Units(HWND dialog, int x, int y, int width, int height) {
  RECT r{x, y, x + width, y + height};
  MapDialogRect(dialog, &r);
  return r;
}

HWND Control(HWND dialog, const wchar_t* type, const std::wstring& text, DWORD style, RECT r,
             int id, HFONT font) {
  const HWND control = CreateWindowExW(0, type, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left,
                                       r.top, r.right - r.left, r.bottom - r.top, dialog,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void Build(HWND dialog, Popup& popup) {
  popup.title.Derive(dialog, 150, true, false);
  popup.heading.Derive(dialog, 100, true, false);
  popup.underlined.Derive(dialog, 100, false, true);
  const auto plain = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  int id = kFirstText;
  for (const Row& row : popup.rows) {
    const RECT r = Units(dialog, row.x, row.y, kWidth - kMargin - row.x, row.height);
    const std::wstring text = Utf8ToWide(row.text);
    switch (row.kind) {
      case Row::Title:
        Control(dialog, L"STATIC", text, SS_NOPREFIX, r, id++, popup.title.get());
        break;
      case Row::Heading:
        Control(dialog, L"STATIC", text, SS_NOPREFIX, r, id++, popup.heading.get());
        break;
      case Row::Plain:
        Control(dialog, L"STATIC", text, SS_NOPREFIX | SS_ENDELLIPSIS, r, id++, plain);
        break;
      case Row::Path:
        Control(dialog, L"STATIC", text, SS_NOPREFIX | SS_PATHELLIPSIS, r, id++, plain);
        break;
      case Row::Wrapped:
        Control(dialog, L"STATIC", text, SS_NOPREFIX, r, id++, plain);
        break;
      case Row::Link: {
        const RECT fit = Units(dialog, row.x, row.y, 90, row.height);
        popup.link = Control(dialog, L"STATIC", text, SS_NOPREFIX | SS_NOTIFY, fit, kGuideLink,
                             popup.underlined.get());
        break;
      }
    }
  }
  const short buttonTop = static_cast<short>(popup.height - kMargin - 14);
  Control(dialog, L"STATIC", L"", SS_ETCHEDHORZ,
          Units(dialog, kMargin, buttonTop - 8, kWidth - 2 * kMargin, 1), id++, plain);
  const HWND close = Control(dialog, L"BUTTON", L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON,
                             Units(dialog, kWidth - kMargin - 50, buttonTop, 50, 14), IDOK, plain);
  SetFocus(close);
}

// Centred on the owner, or on the screen without one, and kept on the owner's screen.
void Place(HWND dialog, HWND owner) {
  RECT self{};
  GetWindowRect(dialog, &self);
  const bool onOwner = owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(onOwner ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT work = monitor.rcWork;
  RECT around = work;
  if (onOwner) GetWindowRect(owner, &around);
  const LONG width = self.right - self.left;
  const LONG height = self.bottom - self.top;
  LONG x = (around.left + around.right - width) / 2;
  LONG y = (around.top + around.bottom - height) / 2;
  x = std::max(work.left, std::min(x, work.right - width));
  y = std::max(work.top, std::min(y, work.bottom - height));
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OpenGuide(HWND dialog, Popup& popup) {
  const std::wstring guide = Utf8ToWide(popup.page.guide);
  if (GetFileAttributesW(guide.c_str()) == INVALID_FILE_ATTRIBUTES) {
    MessageBoxW(dialog, (L"The user guide is not installed:\n" + guide).c_str(),
                Utf8ToWide(popup.page.name).c_str(), MB_OK | MB_ICONINFORMATION);
    return;
  }
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(dialog, L"open", guide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  popup.guideOpened = popup.guideOpened || result > 32;
}

INT_PTR CALLBACK PopupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* popup = reinterpret_cast<Popup*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      popup = reinterpret_cast<Popup*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      Build(dialog, *popup);
      Place(dialog, popup->owner);
      if (popup->autoCloseMs > 0) SetTimer(dialog, kAutoCloseTimer, popup->autoCloseMs, nullptr);
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wParam) == kGuideLink && HIWORD(wParam) == STN_CLICKED) {
        OpenGuide(dialog, *popup);
      } else if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(dialog);
      }
      return TRUE;
    case WM_TIMER:  // the automatic close, as Close
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (popup == nullptr || reinterpret_cast<HWND>(lParam) != popup->link) return FALSE;
      SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 90, 190));
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_SETCURSOR:
      if (popup == nullptr || reinterpret_cast<HWND>(wParam) != popup->link) return FALSE;
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool ShowSettingsWindow(const SettingsPage& page, std::uint64_t owner, unsigned autoCloseMs) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // The guide opens through the shell, whose handlers may be COM objects.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const auto ownerWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner));
  Popup popup(page, IsWindow(ownerWindow) ? ownerWindow : nullptr, autoCloseMs);
  Lay(popup);
  std::vector<WORD> dialogTemplate =
      DialogTemplate(Utf8ToWide(page.name), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                     kWidth, popup.height, L"MS Shell Dlg", 8);
  RunModelessDialog(dialogTemplate, popup.owner, &PopupProc, reinterpret_cast<LPARAM>(&popup));
  if (SUCCEEDED(com)) CoUninitialize();
  return popup.guideOpened;
}
