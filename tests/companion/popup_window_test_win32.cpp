// The shipped pop-up run through the plug-in's own client, as the settings button runs it: a
// window of the class the client keeps in front, owned by the host's window and centred on it (on
// the screen without one), closed by its timer as by Close, with an answer the client parses.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "Popup/PopupClient.h"
#include "devhost/host_window.h"
#include "foundation/utf8_string.h"
#include "plugin_description.h"

namespace {

// The built pop-up; a Windows path under Wine, whose Z: drive is the build machine's root.
const std::string kPopup = TG_POPUP;

void AutoClose(const char* milliseconds) {
  SetEnvironmentVariableW(L"ORBISK_AUTOCLOSE_MS",
                          milliseconds ? Utf8ToWide(milliseconds).c_str() : nullptr);
}

OperationResult RunThePopup(JsonDocument& answer) {
  return RunPopup(kCompanionCaption, kPopup, BuildHostSettingsJson(0, 10, 3), answer);
}

// The pop-up's window while it shows, seen from another thread; null after 20 s.
struct Seen {
  HWND window = nullptr;
  HWND owner = nullptr;
  RECT rect{};
  bool visible = false;
};

Seen WatchForPopup() {
  Seen seen;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < end) {
    const HWND window = FindWindowW(L"#32770", Utf8ToWide(TG_DISPLAY_NAME).c_str());
    if (window != nullptr && IsWindowVisible(window)) {
      seen.window = window;
      seen.visible = true;
      seen.owner = GetWindow(window, GW_OWNER);
      GetWindowRect(window, &seen.rect);
      return seen;
    }
    Sleep(20);
  }
  return seen;
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class RealPopup : public ::testing::Test {
 protected:
  void TearDown() override { AutoClose(nullptr); }
};

TEST_F(RealPopup, ClosingByItsTimerAnswersWithWhatItShowed) {
  AutoClose("300");
  JsonDocument answer;
  const OperationResult result = RunThePopup(answer);
  ASSERT_FALSE(result.failed) << result.Message().CStr();
  const auto& json = answer.Get();
  EXPECT_TRUE(json["closed"].GetBool());
  EXPECT_STREQ(json["plugin"]["name"].GetString(), TG_DISPLAY_NAME);
  // The same folder, whichever separators: the system names it with backslashes.
  EXPECT_EQ(std::filesystem::path(Utf8ToWide(json["plugin"]["folder"].GetString())),
            std::filesystem::path(Utf8ToWide(kPopup)).parent_path());
  EXPECT_FALSE(json["guide"]["opened"].GetBool());
  // Wine's opencl.dll hands on the machine's OpenCL platforms.
  EXPECT_TRUE(json["gpu"]["opencl"]["library"].GetBool());
  EXPECT_EQ(json["request"]["plugin"].GetInt(), 10);
  EXPECT_EQ(json["request"]["owner"].GetUint64(), 0u);
}

TEST_F(RealPopup, OwnedByTheHostsWindowAndCentredOnIt) {
  devhost::HostWindow host(L"Tessgrain pop-up owner");
  // Off the screen's centre, so that centring on the screen would show.
  SetWindowPos(host.Main(), nullptr, 40, 60, 900, 640, SWP_NOZORDER);
  RECT hostRect{};
  GetWindowRect(host.Main(), &hostRect);
  AutoClose("60000");
  Seen seen;
  std::thread watcher([&] {
    seen = WatchForPopup();
    if (seen.window != nullptr) PostMessageW(seen.window, WM_COMMAND, IDCANCEL, 0);
  });
  JsonDocument answer;
  const OperationResult result = RunThePopup(answer);
  watcher.join();
  ASSERT_TRUE(seen.visible);
  EXPECT_EQ(seen.owner, host.Main());
  const POINT popup = Centre(seen.rect);
  const POINT owner = Centre(hostRect);
  EXPECT_LE(std::abs(popup.x - owner.x), 1);
  EXPECT_LE(std::abs(popup.y - owner.y), 1);
  ASSERT_FALSE(result.failed) << result.Message().CStr();
  EXPECT_EQ(answer.Get()["request"]["owner"].GetUint64(),
            reinterpret_cast<std::uintptr_t>(host.Main()));
}

TEST_F(RealPopup, WithoutAHostWindowCentredOnTheScreen) {
  AutoClose("60000");
  Seen seen;
  std::thread watcher([&] {
    seen = WatchForPopup();
    if (seen.window != nullptr) PostMessageW(seen.window, WM_CLOSE, 0, 0);
  });
  JsonDocument answer;
  const OperationResult result = RunThePopup(answer);
  watcher.join();
  ASSERT_TRUE(seen.visible);
  EXPECT_EQ(seen.owner, nullptr);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const POINT popup = Centre(seen.rect);
  EXPECT_LE(std::abs(popup.x - Centre(work).x), 1);
  EXPECT_LE(std::abs(popup.y - Centre(work).y), 1);
  EXPECT_FALSE(result.failed) << result.Message().CStr();
}

}  // namespace
