#include <windows.h>

#include <atomic>
#include <thread>

#include "popup_test_support.h"

namespace popup_test {

const char* const kCreateProcessCall = "CreateProcessW";
const std::uint32_t kFileNotFound = ERROR_FILE_NOT_FOUND;

void SetEnvironment(const char* name, const std::string& value) {
  const std::wstring wideName(name, name + std::char_traits<char>::length(name));
  const std::wstring wideValue = mlUtf8String(value).ToWide();
  SetEnvironmentVariableW(wideName.c_str(), value.empty() ? nullptr : wideValue.c_str());
}

namespace {

struct BoxSearch {
  DWORD processId;
  HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<BoxSearch*>(parameter);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  char className[64] = {};
  GetClassNameA(window, className, sizeof(className));
  if (processId == search.processId && std::string(className) == "#32770" && IsWindowVisible(window)) {
    search.box = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM parameter) {
  char className[64] = {};
  GetClassNameA(child, className, sizeof(className));
  char text[1024] = {};
  GetWindowTextA(child, text, sizeof(text));
  if (_stricmp(className, "Static") == 0 && text[0] != 0) {
    *reinterpret_cast<std::string*>(parameter) += text;
  }
  return TRUE;
}

}  // namespace

std::string ErrorBoxDuring(const std::function<void()>& action) {
  std::string shown;
  std::atomic<bool> done{false};
  // The box is modal on this thread: another thread reads it and presses its button.
  std::thread closer([&] {
    for (int attempt = 0; attempt < 400 && !done; ++attempt) {
      BoxSearch search{GetCurrentProcessId()};
      EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
      if (search.box != nullptr) {
        char caption[256] = {};
        GetWindowTextA(search.box, caption, sizeof(caption));
        std::string text;
        EnumChildWindows(search.box, &CollectStatic, reinterpret_cast<LPARAM>(&text));
        shown = std::string(caption) + ": " + text;
        PostMessageW(search.box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(25);
    }
  });
  action();
  done = true;
  closer.join();
  return shown;
}

}  // namespace popup_test
