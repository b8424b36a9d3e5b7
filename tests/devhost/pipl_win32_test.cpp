// The PiPL resource of Tessgrain.aex, read back the way a host reads it: devhost's reader follows
// the documented layout, so a misplaced byte fails the read or shifts the values after it, and the
// values must be those that registration and global set-up report.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "devhost/host/host.h"
#include "tests/support/loaded_module.h"

namespace {

TEST(PiPL, AgreesWithGlobalSetUpAndRegistration) {
  devhost::PiPLInfo info;
  std::string error;
  ASSERT_TRUE(devhost::ParsePiPL(LoadedModule().PiPL(), &info, &error)) << error;
  EXPECT_EQ(info.property_count, 13);
  EXPECT_EQ(info.pipl_major, 2);
  EXPECT_EQ(info.pipl_minor, 0);
  EXPECT_EQ(info.support_url.rfind("https://", 0), 0u);
  EXPECT_NE(info.support_url.find("/Orbisk/Support_After_Effects_Tessgrain"), std::string::npos);
  devhost::Host host(Effect(), devhost::HostApp::AfterEffects);
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(info.out_flags, host.out_data.out_flags);
  EXPECT_EQ(info.out_flags2, host.out_data.out_flags2);
  EXPECT_EQ(info.version, host.out_data.my_version);

  const devhost::Registration r =
      devhost::Register(LoadedModule().PluginDataEntry(), "After Effects", "25.0");
  EXPECT_EQ(info.name, r.name);
  EXPECT_EQ(info.match_name, r.match_name);
  EXPECT_EQ(info.category, r.category);
  EXPECT_EQ(info.entry_point, r.entry_point);
  EXPECT_EQ(info.kind, r.kind);
  EXPECT_EQ(info.api_major, r.api_major);
  EXPECT_EQ(info.api_minor, r.api_minor);
}

TEST(VersionResource, FileAndProductVersionAre1_1_0_36) {
  std::wstring path;
  for (const char* c = TESSGRAIN_MODULE_PATH; *c; ++c)
    path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, (1u << 16) | 1u);
  EXPECT_EQ(fixed->dwFileVersionLS, (0u << 16) | 36u);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\FileVersion",
                             reinterpret_cast<void**>(&text), &len));
  EXPECT_EQ(std::wstring(text), L"1.1.0 build 36");
}

}  // namespace
