// The Windows sides of the foundation code: code-page conversions, module paths past MAX_PATH,
// and where lower-casing comes from.
#include <windows.h>

#include <gtest/gtest.h>

#include "utf8_printers.h"

#include <filesystem>
#include <string>

#include "foundation/case_mapping.h"
#include "foundation/case_mapping_win32.h"
#include "foundation/module_info.h"
#include "foundation/path.h"

namespace {

mlUtf8String Folder(mlUtf8String path) { return mlPath(path).ParentDirectory(); }

std::wstring BesideExecutable(const char* fileName) {
  return (Folder(ModuleFileName(nullptr)) + "\\" + fileName).ToWide();
}

mlUtf8String Lower(mlUtf8String text) {
  text.ToLower();
  return text;
}

TEST(CodePagesWin32, AnsiConversionsUseTheActiveCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "expectations are for code page 1252, not " << GetACP();
  EXPECT_EQ(AnsiToWide("caf\xE9 \x80"), L"caf\x00E9 \x20AC");
  EXPECT_EQ(WideToAnsi(L"caf\x00E9 \x20AC"), "caf\xE9 \x80");
  EXPECT_EQ(WideToAnsi(L"\x4E2D"), "?") << "no 1252 form: the system's default character";
  EXPECT_EQ(mlUtf8String::FromAnsi("caf\xE9").Bytes(), "caf\xC3\xA9");
  EXPECT_EQ(mlUtf8String("caf\xC3\xA9").ToAnsi(), "caf\xE9");
  EXPECT_EQ(mlUtf8Char('\xE9').Bytes(), "\xC3\xA9");
  EXPECT_EQ(mlUtf8Char(mlUtf8String("\xC3\xA9")), '\xE9');
}

TEST(ModulePathsWin32, UnknownModulesHaveNoPath) {
  const ModuleHandle bogus = reinterpret_cast<ModuleHandle>(static_cast<std::uintptr_t>(0x10000));
  EXPECT_TRUE(ModuleFileName(bogus).Empty());
  EXPECT_TRUE(ModuleFileNameAnsi(bogus).empty());
}

TEST(ModulePathsWin32, PathsLongerThanMaxPath) {
  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
  const std::wstring root =
      std::wstring(temp) + L"tessgrain-long-" + std::to_wstring(GetCurrentProcessId());
  std::wstring folder = root;
  while (folder.size() < 320) folder += L"\\" + std::wstring(40, L'd');
  const std::wstring target = folder + L"\\" + mlUtf8String(TG_PROBE_MODULE).ToWide();

  // The long-path prefix lets the file calls pass MAX_PATH.
  std::filesystem::create_directories(L"\\\\?\\" + folder);
  ASSERT_TRUE(
      CopyFileW(BesideExecutable(TG_PROBE_MODULE).c_str(), (L"\\\\?\\" + target).c_str(), FALSE));

  HMODULE module = LoadLibraryW(target.c_str());
  ASSERT_NE(module, nullptr) << "error " << GetLastError();
  const mlUtf8String name = ModuleFileName(module);
  EXPECT_GT(name.Length(), static_cast<std::size_t>(MAX_PATH));
  EXPECT_EQ(Lower(name), Lower(mlUtf8String(target)));
  EXPECT_EQ(ModuleFileNameAnsi(module), name.Bytes());
  EXPECT_EQ(ModuleBaseName(module), mlUtf8String(TG_PROBE_MODULE));

  auto probe = reinterpret_cast<bool (*)(char*, std::size_t)>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "ProbeDynamicLibPath")));
  ASSERT_NE(probe, nullptr);
  char reported[4096] = {};
  ASSERT_TRUE(probe(reported, sizeof reported));
  EXPECT_EQ(mlUtf8String(reported), name);

  FreeLibrary(module);
  std::error_code ignored;
  std::filesystem::remove_all(L"\\\\?\\" + root, ignored);
}

TEST(CaseMappingWin32, FallsBackWhenTheSystemHasNoIcu) {
  const bool systemIcu = LoadIcuToLower(L"icu.dll", true) != nullptr;
  EXPECT_STREQ(LowerCaseSource(), systemIcu ? "icu" : "system");
  // Either way, non-ASCII letters map one to one.
  EXPECT_EQ(Lower("\xC3\x89\xC3\x85\xCE\xA3\xD0\xAF"),
            mlUtf8String("\xC3\xA9\xC3\xA5\xCF\x83\xD1\x8F"));
}

TEST(CaseMappingWin32, TakesUToLowerFromALoadedLibrary) {
  IcuToLower fake = LoadIcuToLower(BesideExecutable(TG_FAKE_ICU_MODULE).c_str(), false);
  ASSERT_NE(fake, nullptr);
  EXPECT_EQ(fake('A'), 'a' + 1000);
  EXPECT_EQ(LoadIcuToLower(BesideExecutable(TG_PROBE_MODULE).c_str(), false), nullptr)
      << "a library without u_tolower";
  EXPECT_EQ(LoadIcuToLower(L"no-such-library.dll", false), nullptr);
}

}  // namespace
