// The gate's Windows side: resource hiding on a loaded image, the registry walk of the plug-in
// cache reset, and the real module loaded by host programs named AfterFX.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "host/compat_gate.h"
#include "host/module_image.h"
#include "host/plugin_cache.h"
#include "probe_host.h"

namespace {

// ---- Helpers ----------------------------------------------------------------------------------

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring ExecutableDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir = path;
  return dir.substr(0, dir.find_last_of(L"\\/"));
}

std::wstring WindowsPath(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::vector<char> FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HasPiPL(HMODULE module) {
  return FindResourceW(module, MAKEINTRESOURCEW(16000), L"PIPL") != nullptr;
}

// A private folder holding copies of the resource module under the names a test asks for.
class ModuleCopies {
 public:
  ModuleCopies() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    dir_ = std::wstring(temp) + L"tg_host_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir_.c_str(), nullptr);
  }
  ~ModuleCopies() {
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
    RemoveDirectoryW(dir_.c_str());
  }
  std::wstring Copy(const std::wstring& name) {
    const std::wstring path = dir_ + L"\\" + name;
    const std::wstring source = ExecutableDirectory() + L"\\" + TG_RESOURCE_MODULE;
    EXPECT_TRUE(CopyFileW(source.c_str(), path.c_str(), FALSE)) << GetLastError();
    files_.push_back(path);
    return path;
  }

 private:
  std::wstring dir_;
  std::vector<std::wstring> files_;
};

class GateFlags : public ::testing::Test {
 protected:
  void SetUp() override { gateRefused = cacheResetPending = false; }
  void TearDown() override { gateRefused = cacheResetPending = false; }
  ModuleCopies copies_;
};

// ---- Resource hiding --------------------------------------------------------------------------

TEST_F(GateFlags, HidingClearsTheLoadedImageOnly) {
  const std::wstring path = copies_.Copy(L"hide_probe.dll");
  const std::vector<char> before = FileBytes(path);
  HMODULE module = LoadLibraryW(path.c_str());
  ASSERT_NE(module, nullptr);
  ASSERT_TRUE(HasPiPL(module));

  EXPECT_TRUE(HideModuleResources(module));
  EXPECT_FALSE(HasPiPL(module));
  EXPECT_EQ(FileBytes(path), before);
  FreeLibrary(module);

  // A fresh mapping of the same file has its resources again.
  module = LoadLibraryW(path.c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(HasPiPL(module));
  FreeLibrary(module);
}

TEST_F(GateFlags, LaterRefusalsAndAllowedHostsLeaveTheModuleAlone) {
  const std::wstring path = copies_.Copy(L"second_probe.dll");
  HMODULE module = LoadLibraryW(path.c_str());
  ASSERT_NE(module, nullptr);

  EXPECT_TRUE(IsHostCompatible(module, HostApp::AfterEffects, {17, 0}));
  EXPECT_TRUE(IsHostCompatible(module, HostApp::PremierePro, {14, 0}));
  EXPECT_FALSE(gateRefused);

  gateRefused = true;  // an earlier refusal; its cache reset has run
  EXPECT_FALSE(IsHostCompatible(module, HostApp::PremierePro, {13, 0}));
  EXPECT_TRUE(HasPiPL(module));
  EXPECT_FALSE(cacheResetPending);
  FreeLibrary(module);
  EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
}

// ---- Registry ---------------------------------------------------------------------------------

// The tests below rewrite HKEY_CURRENT_USER\SOFTWARE\Adobe, so they run only in a Wine prefix.
class AdobeRegistry : public GateFlags {
 protected:
  void SetUp() override {
    if (!UnderWine()) GTEST_SKIP() << "rewrites HKCU\\SOFTWARE\\Adobe; runs only under Wine";
    GateFlags::SetUp();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Adobe");
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Adobe");
    RegDeleteTreeW(HKEY_CURRENT_USER, kWin7Key);
    GateFlags::TearDown();
  }

  static void Create(const std::wstring& below) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (L"SOFTWARE\\Adobe\\" + below).c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static bool Exists(const std::wstring& below) {
    HKEY key = nullptr;
    const std::wstring path = below.empty() ? L"SOFTWARE\\Adobe" : L"SOFTWARE\\Adobe\\" + below;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }
  static DWORD SubkeyCount(const std::wstring& path) {
    HKEY key = nullptr;
    DWORD count = 0xFFFF;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
      RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr);
      RegCloseKey(key);
    }
    return count;
  }

  static constexpr const wchar_t* kWin7Key = L"Software\\Wine\\AppDefaults\\AfterFX.exe";
};

TEST_F(AdobeRegistry, ResetDeletesOnlyKeysNamedExactlyAfterThisLibraryInsideCaches) {
  const std::wstring ae = L"After Effects\\24.0\\PluginCache.AEGP\\en_US\\";
  const std::wstring pr = L"Premiere Pro\\24.0\\PluginCache.Win\\";
  // Names that hold ours as a suffix, a prefix or in the middle: beside our entry, where the one
  // sorted right after ours holds a second entry of ours, and in a cache without ours.
  const std::wstring kept[] = {
      ae + L"MyTessgrain.aex\\Data",
      ae + L"Tessgrain.aex.old",
      ae + L"xTessgrain.aexx\\Data",
      pr + L"MyTessgrain.aex",
      pr + L"Tessgrain.aex2",
      pr + L"Old_Tessgrain.aex_1",
      pr + L"Other.prm",
      L"Settings\\Tessgrain.aex\\Data",  // no cache above it
      L"PluginCache_Tessgrain.aex_old\\Sub",
      L"Tessgrain.aex\\PluginCache",
  };
  const std::wstring deleted[] = {
      ae + L"Tessgrain.aex",
      ae + L"Tessgrain.aex.old\\TESSGRAIN.AEX",
      pr + L"Other.prm\\tessgrain.AEX",
  };
  for (const std::wstring& key : kept) Create(key);
  for (const std::wstring& key : deleted) Create(key + L"\\Cached");

  const std::wstring path = copies_.Copy(L"Tessgrain.aex");
  HMODULE module = LoadLibraryW(path.c_str());
  ASSERT_NE(module, nullptr);
  ResetPluginCache(module);
  FreeLibrary(module);

  for (const std::wstring& key : kept) EXPECT_TRUE(Exists(key)) << WideToUtf8(key);
  for (const std::wstring& key : deleted) EXPECT_FALSE(Exists(key)) << WideToUtf8(key);
}

TEST_F(AdobeRegistry, ResetWithoutAdobeKeyCreatesItEmpty) {
  const std::wstring path = copies_.Copy(L"Tessgrain.aex");
  HMODULE module = LoadLibraryW(path.c_str());
  ASSERT_NE(module, nullptr);
  ResetPluginCache(module);
  FreeLibrary(module);
  EXPECT_TRUE(Exists(L""));
  EXPECT_EQ(SubkeyCount(L"SOFTWARE\\Adobe"), 0u);
}

// ---- The module in a host ---------------------------------------------------------------------

const std::wstring kCacheEntry =
    L"After Effects\\16.0\\PluginCache.AEGP\\en_US\\Tessgrain.aex\\Cached";
const std::wstring kOtherEntry = L"After Effects\\16.0\\PluginCache.AEGP\\en_US\\Other.aex";

// Runs the probe host of the given folder on the plug-in module; its exit code.
DWORD RunProbeHost(const std::wstring& folder) {
  const std::wstring exe = ExecutableDirectory() + L"\\" + folder + L"\\AfterFX.exe";
  const std::wstring module = WindowsPath(Utf8ToWide(TG_PLUGIN_MODULE));
  std::wstring command = L"\"" + exe + L"\" \"" + module + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start " << WideToUtf8(exe) << ": error " << GetLastError();
    return kProbeLoadFailed;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = kProbeLoadFailed;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

constexpr DWORD kRefusedOnLoad =
    kProbeResourcesHidden | kProbeStillMapped | kProbeRegistrationRefused;

TEST_F(AdobeRegistry, OldAfterEffectsRefusesTheModuleAndResetsItsCache) {
  Create(kCacheEntry);
  Create(kOtherEntry);
  EXPECT_EQ(RunProbeHost(L"ae16"), kRefusedOnLoad);
  EXPECT_FALSE(Exists(kCacheEntry.substr(0, kCacheEntry.rfind(L'\\'))));
  EXPECT_TRUE(Exists(kOtherEntry));
}

TEST_F(AdobeRegistry, CurrentAfterEffectsRunsTheModule) {
  Create(kCacheEntry);
  EXPECT_EQ(RunProbeHost(L"ae25"), static_cast<DWORD>(kProbeRegistered));
  EXPECT_TRUE(Exists(kCacheEntry));
}

TEST_F(AdobeRegistry, BeforeWindows10EveryHostIsRefused) {
  // Wine reports the version set for an executable name under AppDefaults to that program.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kWin7Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t win7[] = L"win7";
  RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(win7), sizeof(win7));
  RegCloseKey(key);
  Create(kCacheEntry);

  EXPECT_EQ(RunProbeHost(L"ae25"), kRefusedOnLoad | kProbeSystemBeforeWin10);
  EXPECT_FALSE(Exists(kCacheEntry));
}

}  // namespace
