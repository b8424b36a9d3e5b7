#include "foundation/module_info.h"
#include "foundation/path.h"

#include <gtest/gtest.h>

#include "test_module.h"
#include "utf8_printers.h"

namespace {

mlUtf8String Folder(mlUtf8String path) { return mlPath(path).ParentDirectory(); }

// The probe module is built beside the test executable.
mlUtf8String ProbePath() {
  return Folder(ModuleFileName(nullptr)) + mlPath::NativeSeparator() + TG_PROBE_MODULE;
}

TEST(ModulePaths, NameTheTestExecutable) {
  const mlUtf8String exe = ModuleFileName(nullptr);
  EXPECT_EQ(ModuleBaseName(nullptr), mlUtf8String(TG_TEST_EXECUTABLE));
  EXPECT_FALSE(Folder(exe).Empty()) << exe.CStr();
  EXPECT_EQ(ModuleFileNameAnsi(nullptr), exe.Bytes()) << "an ASCII path reads the same";

  // Linked statically, this code lives in the executable itself.
  mlUtf8String own("unchanged");
  const OperationResult result = GetDynamicLibPath(own);
  EXPECT_FALSE(result.failed) << result.message;
  EXPECT_EQ(own, exe);
}

TEST(ModulePaths, FindTheLibraryTheCodeRunsIn) {
  const mlUtf8String probePath = ProbePath();
  void* module = OpenTestModule(probePath);
  ASSERT_NE(module, nullptr) << probePath.CStr();
  auto probe = reinterpret_cast<bool (*)(char*, std::size_t)>(
      TestModuleSymbol(module, "ProbeDynamicLibPath"));
  ASSERT_NE(probe, nullptr);

  char reported[4096] = {};
  ASSERT_TRUE(probe(reported, sizeof reported));
  EXPECT_EQ(PathBaseName(reported), mlUtf8String(TG_PROBE_MODULE));
  EXPECT_EQ(Folder(reported), Folder(ModuleFileName(nullptr)));
  EXPECT_EQ(ModuleFileName(module), mlUtf8String(reported));
  EXPECT_EQ(ModuleBaseName(module), mlUtf8String(TG_PROBE_MODULE));
  CloseTestModule(module);
}

TEST(ModulePaths, AnExecutableWithoutVersionResourceIsVersionZero) {
  EXPECT_EQ(GetHostAppVersion(), mlVersion{});
}

}  // namespace
