#include <windows.h>

#include <atomic>
#include <thread>

#include "popup_test_support.h"

namespace popup_test {

const char* const kCreateProcessCall = "CreateProcessW";
const std::uint32_t kFileNotFound = ERROR_FILE_NOT_FOUND;

const char* const kProgramSuffix = ".exe";

bool WaitForProcessEnd(std::uint32_t processId, int milliseconds) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (process == nullptr) return true;  // gone already
  const bool ended =
      WaitForSingleObject(process, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

bool InConsoleElseRerun() {
  if (SetConsoleOutputCP(GetConsoleOutputCP())) return true;
  // Under Wine a process started from a Unix shell has no console it can use, and leaving it to
  // make a new one loses the test's own output: the test runs again in a process of its own.
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(test->test_suite_name()) + "." + test->name();
  const fs::path log = ModuleFolder() / "popup-test-files" / (name + ".console.txt");
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE file = CreateFileW(log.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                  &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot create " << log.string();
    return false;
  }
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring command =
      L"\"" + std::wstring(program) + L"\" --gtest_filter=" + mlUtf8String(name).ToWide();
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(program, command.data(), nullptr, nullptr, TRUE,
                                      CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &process);
  CloseHandle(file);
  if (!started) {
    ADD_FAILURE() << "cannot run the test again with a console: error " << GetLastError();
    return false;
  }
  DWORD exitCode = 1;
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exitCode);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const std::string output = ReadBytes(log);
  // The new console's host process may still hold the file for a moment.
  std::error_code ignored;
  fs::remove(log, ignored);
  EXPECT_EQ(exitCode, 0u) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
  return false;
}

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
  if (processId == search.processId && std::string(className) == "#32770" &&
      IsWindowVisible(window)) {
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
