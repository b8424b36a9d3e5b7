#include "foundation/module_info.h"
#include "foundation/operation_result.h"
#include "foundation/path.h"

#include <gtest/gtest.h>

#include "utf8_printers.h"

#include <string>

namespace {

mlUtf8String Normalized(const char* text, unsigned flags, int style = mlPath::Automatic) {
  mlUtf8String path(text);
  mlPath bound(path, flags, style);
  return path;
}

TEST(Path, ParentDirectoryKeepsTheOriginalSeparators) {
  auto parent = [](const char* text) {
    mlUtf8String path(text);
    return mlPath(path).ParentDirectory();
  };
  EXPECT_EQ(parent("D:\\dir\\file.aex"), mlUtf8String("D:\\dir"));
  EXPECT_EQ(parent("D:\\dir\\"), mlUtf8String("D:"));
  EXPECT_EQ(parent("D:/dir\\sub//"), mlUtf8String("D:/dir"));
  EXPECT_EQ(parent("file.aex"), mlUtf8String());
  EXPECT_EQ(parent("/usr/lib/\xC3\xA9t\xC3\xA9/x.so"), mlUtf8String("/usr/lib/\xC3\xA9t\xC3\xA9"));

  mlUtf8String untouched("C:\\a\\b\\");
  EXPECT_EQ(mlPath(untouched).ParentDirectory(), mlUtf8String("C:\\a"));
  EXPECT_EQ(untouched, mlUtf8String("C:\\a\\b\\")) << "the bound text is not changed";
}

TEST(Path, FlagsApplyInTheirFixedOrder) {
  EXPECT_EQ(Normalized("a\\b/c", mlPath::ToSlashes), mlUtf8String("a/b/c"));
  EXPECT_EQ(Normalized("a\\b/c", mlPath::ToSlashesToo), mlUtf8String("a/b/c"));
  EXPECT_EQ(Normalized("a\\b/c", mlPath::ToBackslashes), mlUtf8String("a\\b\\c"));
  // Backslashes win over slashes; removing runs after adding.
  EXPECT_EQ(Normalized("a\\b/c", mlPath::ToSlashes | mlPath::ToBackslashes),
            mlUtf8String("a\\b\\c"));
  EXPECT_EQ(Normalized("a/b", mlPath::AddTrailingSeparator | mlPath::RemoveTrailingSeparators),
            mlUtf8String("a/b"));
  EXPECT_EQ(Normalized("a\\b", mlPath::ToSlashes | mlPath::AddTrailingSeparator),
            mlUtf8String("a/b/"));
  EXPECT_EQ(Normalized("a/\\//", mlPath::RemoveTrailingSeparators), mlUtf8String("a"));
  EXPECT_EQ(Normalized("//", mlPath::RemoveTrailingSeparators), mlUtf8String());
  EXPECT_EQ(Normalized("a/", mlPath::AddTrailingSeparator, mlPath::Backslash),
            mlUtf8String("a/"));
}

TEST(Path, SeparatorStyles) {
  const unsigned add = mlPath::AddTrailingSeparator;
  EXPECT_EQ(Normalized("a/b", add), mlUtf8String("a/b/"));
  EXPECT_EQ(Normalized("a\\b", add), mlUtf8String("a\\b\\"));
  EXPECT_EQ(Normalized("a/b\\c", add), mlUtf8String("a/b\\c\\"));
  EXPECT_EQ(Normalized("", add), mlUtf8String("\\"));
  EXPECT_EQ(Normalized("a", add, mlPath::Backslash), mlUtf8String("a\\"));
  EXPECT_EQ(Normalized("a", add, mlPath::Slash), mlUtf8String("a/"));
  EXPECT_EQ(Normalized("a", add, mlPath::BackslashToo), mlUtf8String("a\\"));
  EXPECT_EQ(Normalized("a\\", add | mlPath::RemoveTrailingSeparators), mlUtf8String("a"));
  EXPECT_EQ(Normalized("a", add, 9), mlUtf8String("a/"));
}

TEST(Path, BaseNameAfterEitherSeparator) {
  EXPECT_EQ(PathBaseName("D:\\x\\y/z.aex"), mlUtf8String("z.aex"));
  EXPECT_EQ(PathBaseName("D:/x/y\\z.aex"), mlUtf8String("z.aex"));
  EXPECT_EQ(PathBaseName("z.aex"), mlUtf8String("z.aex"));
  EXPECT_EQ(PathBaseName("D:\\x\\"), mlUtf8String());
}

TEST(OperationResult, KeepsTheFirst256BytesOfAFailureMessage) {
  const OperationResult success = OperationResult::Success();
  EXPECT_FALSE(success.failed);
  EXPECT_FALSE(success.warning);
  EXPECT_EQ(std::string(success.message, sizeof success.message), std::string(256, '\0'));

  const OperationResult shortOne = OperationResult::Failure("oops");
  EXPECT_TRUE(shortOne.failed);
  EXPECT_FALSE(shortOne.warning);
  EXPECT_EQ(shortOne.Message(), mlUtf8String("oops"));
  EXPECT_EQ(std::string(shortOne.message + 4, 252), std::string(252, '\0'));

  const OperationResult longOne = OperationResult::Failure(mlUtf8String(std::string(300, 'x')));
  EXPECT_EQ(longOne.Message().Bytes(), std::string(256, 'x'));
}

TEST(OperationResult, DynamicLibPathFailureNamesTheError) {
  const OperationResult result = DynamicLibPathFailure(126);
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(result.Message(),
            mlUtf8String("GetDynamicLibPath - GetModuleHandle failed, error = 126"));
  EXPECT_EQ(DynamicLibPathFailure(-5).Message(),
            mlUtf8String("GetDynamicLibPath - GetModuleHandle failed, error = -5"));
}

}  // namespace
