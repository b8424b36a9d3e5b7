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
#include "devhost/host/host_window.h"
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

// The first visible dialog-class window owned by the owner; null after 10 s.
HWND WaitForOwned(HWND owner) {
  for (int attempt = 0; attempt < 500; ++attempt) {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w != nullptr;
         w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
      if (GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w)) return w;
    }
    Sleep(20);
  }
  return nullptr;
}

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
  wchar_t text[1024] = {};
  GetWindowTextW(child, text, 1024);
  *reinterpret_cast<std::wstring*>(texts) += std::wstring(text) + L"\n";
  return TRUE;
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

TEST_F(RealPopup, GuideLinkWithoutAnInstalledGuideSaysWhereItBelongs) {
  // A copy in a folder of its own, where no guide lies.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "tessgrain-popup-without-guide";
  std::filesystem::create_directories(folder);
  const std::filesystem::path popup = folder / "Orbisk.exe";
  std::filesystem::remove(popup);
  std::filesystem::copy_file(Utf8ToWide(kPopup), popup);
  AutoClose("60000");
  std::wstring shown;
  std::thread clicker([&] {
    const HWND window = WatchForPopup().window;
    if (window == nullptr) return;
    const HWND link = FindWindowExW(window, nullptr, L"Static", L"Open the user guide");
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), STN_CLICKED),
                 reinterpret_cast<LPARAM>(link));
    if (const HWND box = WaitForOwned(window)) {
      EnumChildWindows(box, &CollectText, reinterpret_cast<LPARAM>(&shown));
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  });
  JsonDocument answer;
  const OperationResult result = RunPopup(kCompanionCaption, WideToUtf8(popup.wstring()),
                                          BuildHostSettingsJson(0, 10, 3), answer);
  clicker.join();
  const std::wstring guide = (folder / "user-guide.html").wstring();
  EXPECT_NE(shown.find(L"The user guide is not installed"), std::wstring::npos)
      << WideToUtf8(shown);
  EXPECT_NE(shown.find(guide), std::wstring::npos) << WideToUtf8(shown);
  ASSERT_FALSE(result.failed) << result.Message().CStr();
  EXPECT_EQ(Utf8ToWide(answer.Get()["guide"]["path"].GetString()), guide);
  EXPECT_FALSE(answer.Get()["guide"]["opened"].GetBool());
  std::filesystem::remove_all(folder);
}

}  // namespace
