// The PiPL resource of Tessgrain.aex, read back the way a host reads it: its bytes against the
// documented layout, and its flags against what global set-up writes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devhost/host.h"
#include "tests/support/loaded_module.h"

namespace {

// Builds the expected resource independently of the resource script.
class PiPLBuilder {
 public:
  explicit PiPLBuilder(int count) {
    Word(1);
    Long(0);
    Long(count);
  }
  void Property(const char key[5], std::vector<uint8_t> data) {
    Key("8BIM");
    Key(key);
    Long(0);
    while (data.size() % 4) data.push_back(0);
    Long(static_cast<int32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
  }
  static std::vector<uint8_t> Pascal(const std::string& s) {
    std::vector<uint8_t> d{static_cast<uint8_t>(s.size())};
    d.insert(d.end(), s.begin(), s.end());
    return d;
  }
  static std::vector<uint8_t> Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
  }
  std::vector<uint8_t> bytes;

 private:
  void Word(uint16_t v) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(v >> 8));
  }
  void Long(int32_t v) {
    const auto b = Le32(static_cast<uint32_t>(v));
    bytes.insert(bytes.end(), b.begin(), b.end());
  }
  // A four-character code as its little-endian 32-bit value.
  void Key(const char* k) {
    for (int i = 3; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(k[i]));
  }
};

TEST(PiPL, ResourceBytesFollowTheDocumentedLayout) {
  PiPLBuilder b(13);
  b.Property("kind", PiPLBuilder::Le32(0x65464B54));
  b.Property("name", PiPLBuilder::Pascal("Orbisk Tessgrain"));
  b.Property("catg", PiPLBuilder::Pascal("Mirelune"));
  std::vector<uint8_t> entry{'E', 'f', 'f', 'e', 'c', 't', 'M', 'a', 'i', 'n', 0, 0};
  b.Property("8664", entry);
  b.Property("ePVR", {2, 0, 0, 0});
  b.Property("eSVR", {13, 0, 29, 0});
  b.Property("eVER", PiPLBuilder::Le32(0x00088024));
  b.Property("eINF", {0, 0});
  b.Property("eGLO", PiPLBuilder::Le32(0x060006A0));
  b.Property("eGL2", PiPLBuilder::Le32(0x0A001400));
  b.Property("eMNA", PiPLBuilder::Pascal("ML_Tessgrain"));
  b.Property("aeFL", PiPLBuilder::Le32(0));
  const std::vector<uint8_t>& actual = LoadedModule().PiPL();
  ASSERT_GT(actual.size(), b.bytes.size());
  // Everything up to the support address, whose host part is ours to choose.
  EXPECT_TRUE(std::equal(b.bytes.begin(), b.bytes.end(), actual.begin()));

  devhost::PiPLInfo info;
  std::string error;
  ASSERT_TRUE(devhost::ParsePiPL(actual, &info, &error)) << error;
  EXPECT_EQ(info.property_count, 13);
  EXPECT_EQ(info.support_url.rfind("https://", 0), 0u);
  EXPECT_NE(info.support_url.find("/Orbisk/Support_After_Effects_Tessgrain"), std::string::npos);
}

TEST(PiPL, AgreesWithGlobalSetUpAndRegistration) {
  devhost::PiPLInfo info;
  std::string error;
  ASSERT_TRUE(devhost::ParsePiPL(LoadedModule().PiPL(), &info, &error)) << error;
  devhost::Host host(Effect(), devhost::HostApp::AfterEffects);
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(info.out_flags, host.out_data.out_flags);
  EXPECT_EQ(info.out_flags2, host.out_data.out_flags2);
  EXPECT_EQ(info.version, host.out_data.my_version);

  const devhost::Registration r = devhost::Register(LoadedModule().PluginDataEntry(), "After Effects", "25.0");
  EXPECT_EQ(info.name, r.name);
  EXPECT_EQ(info.match_name, r.match_name);
  EXPECT_EQ(info.category, r.category);
  EXPECT_EQ(info.entry_point, r.entry_point);
  EXPECT_EQ(info.kind, r.kind);
  EXPECT_EQ(info.api_major, r.api_major);
  EXPECT_EQ(info.api_minor, r.api_minor);
}

}  // namespace

#include <windows.h>

namespace {

TEST(VersionResource, FileAndProductVersionAre1_1_0_36) {
  std::wstring path;
  for (const char* c = TESSGRAIN_MODULE_PATH; *c; ++c) path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
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
