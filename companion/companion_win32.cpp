#include <windows.h>

#include <vector>

#include "companion/companion.h"

namespace {

constexpr UINT_PTR kTimeoutTimer = 1;

std::wstring Wide(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring out(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), length);
  out.resize(out.size() - 1);
  return out;
}

std::string Utf8(const wchar_t* wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string out(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), length, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_TIMER:
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

// A dialog template in memory: header, no menu, the default class, then the caption.
std::vector<WORD> DialogTemplate(const std::wstring& caption) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
  header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME;
  header->cx = 200;
  header->cy = 80;
  words.push_back(0);  // menu
  words.push_back(0);  // class
  for (wchar_t c : caption) words.push_back(static_cast<WORD>(c));
  words.push_back(0);
  return words;
}

}  // namespace

bool ReadInputByte(char& byte) {
  DWORD read = 0;
  return ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read == 1;
}

bool WriteOutput(const std::string& bytes, bool toErrorOutput) {
  DWORD written = 0;
  const HANDLE out = GetStdHandle(toErrorOutput ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  return WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

void SleepMs(unsigned milliseconds) { Sleep(milliseconds); }

std::string CommandLine(int, char**) { return Utf8(GetCommandLineW()); }

std::string ProgramPath() {
  wchar_t path[4096] = {};
  GetModuleFileNameW(nullptr, path, 4096);
  return Utf8(path);
}

std::string EnvironmentVariable(const char* name) {
  const std::wstring wideName = Wide(name);
  const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::vector<wchar_t> value(size, L'\0');
  GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
  return Utf8(value.data());
}

bool ShowDialog(const std::string& caption, unsigned timeoutMs) {
  std::vector<WORD> dialogTemplate = DialogTemplate(Wide(caption));
  const HWND dialog = CreateDialogIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialogTemplate.data()), nullptr,
      &DialogProc, 0);
  if (dialog == nullptr) return true;  // nothing to wait for
  SetTimer(dialog, kTimeoutTimer, timeoutMs, nullptr);
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}
