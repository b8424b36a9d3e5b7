#include "companion/dialog_win32.h"

std::vector<WORD> DialogTemplate(const std::wstring& caption, DWORD style, short width,
                                 short height, const wchar_t* font, WORD points) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
  header->style = style | (font != nullptr ? DS_SETFONT : 0);
  header->cx = width;
  header->cy = height;
  words.push_back(0);  // menu
  words.push_back(0);  // class
  for (const wchar_t c : caption) words.push_back(static_cast<WORD>(c));
  words.push_back(0);
  if (font != nullptr) {
    words.push_back(points);
    for (const wchar_t* c = font; *c != L'\0'; ++c) words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
  }
  return words;
}

bool RunModelessDialog(std::vector<WORD>& dialogTemplate, HWND owner, DLGPROC procedure,
                       LPARAM parameter) {
  const HWND dialog = CreateDialogIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialogTemplate.data()), owner,
      procedure, parameter);
  if (dialog == nullptr) return false;
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  MSG message;
  while (IsWindow(dialog) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}
