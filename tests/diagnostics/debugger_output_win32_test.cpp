// Catches what reaches the debugger output stream the way a debug monitor does: through the
// shared DBWIN buffer that OutputDebugString fills when no debugger is attached.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diagnostics/debug_message.h"
#include "diagnostics/logger.h"

namespace {

class DebugMonitor : public ::testing::Test {
 protected:
  void SetUp() override {
    mapping_ =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
    bufferReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    dataReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    ASSERT_TRUE(mapping_ && bufferReady_ && dataReady_);
    view_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 4096));
    ASSERT_NE(view_, nullptr);
  }

  void TearDown() override {
    if (view_) UnmapViewOfFile(view_);
    for (HANDLE handle : {dataReady_, bufferReady_, mapping_}) {
      if (handle) CloseHandle(handle);
    }
  }

  // Runs the writer and returns the text it sent, or "<nothing>" when none came in time. The buffer
  // is shared by every process of the session (other tests run beside this one), so only this
  // process's messages count.
  template <typename Writer>
  std::string Capture(Writer write, DWORD waitMilliseconds = 2000) {
    SetEvent(bufferReady_);
    write();
    const ULONGLONG deadline = GetTickCount64() + waitMilliseconds;
    for (;;) {
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return "<nothing>";
      if (WaitForSingleObject(dataReady_, static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0) {
        return "<nothing>";
      }
      // The buffer holds the writer's process id, then the text in the ANSI code page.
      DWORD writer = 0;
      std::memcpy(&writer, view_, sizeof writer);
      if (writer == GetCurrentProcessId()) return std::string(view_ + sizeof(DWORD));
      SetEvent(bufferReady_);
    }
  }

  HANDLE mapping_ = nullptr;
  HANDLE bufferReady_ = nullptr;
  HANDLE dataReady_ = nullptr;
  const char* view_ = nullptr;
};

TEST_F(DebugMonitor, DebugMessageReachesTheDebuggerStream) {
  const std::string text = Capture([] { DebugMessage(L"AEGP_GetLayerID() failed. Error %i", 42); });
  if (text == "<nothing>") GTEST_SKIP() << "this system has no DBWIN monitor protocol";
  EXPECT_EQ(text, "AEGP_GetLayerID() failed. Error 42");
}

TEST_F(DebugMonitor, LoggerDebuggerSinkSendsTheWholeLine) {
  Logger logger;
  LoggerSettings settings;
  settings.threshold = LogLevel::TRACE;
  settings.debuggerOutput = true;
  logger.Configure(settings);
  const std::string text =
      Capture([&logger] { logger.Log("hello", LogLevel::WARN, "C:\\src\\Unit.cpp", "Fn"); });
  if (text == "<nothing>") GTEST_SKIP() << "this system has no DBWIN monitor protocol";
  const std::string tail = "|Unit           | Fn|hello\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_NE(text.find("|WARN|"), std::string::npos);

  // With the default settings nothing is sent.
  Logger quiet;
  EXPECT_EQ(Capture([&quiet] { quiet.Log("x", LogLevel::ERR, "a.cpp", "Fn"); }, 200), "<nothing>");
}

}  // namespace
