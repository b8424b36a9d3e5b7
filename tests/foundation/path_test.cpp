#include "foundation/module_info.h"
#include "foundation/operation_result.h"
#include "foundation/path.h"

#include <gtest/gtest.h>

#include "utf8_printers.h"

#include <string>

namespace {

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

TEST(Path, FlagsApplyInTheirFixedOrderWithTheStylesSeparator) {
  const unsigned add = mlPath::AddTrailingSeparator, remove = mlPath::RemoveTrailingSeparators;
  const struct {
    const char* text;
    unsigned flags;
    int style;
    const char* normalized;
  } cases[] = {
      {"a\\b/c", mlPath::ToSlashes, mlPath::Automatic, "a/b/c"},
      {"a\\b/c", mlPath::ToSlashesToo, mlPath::Automatic, "a/b/c"},
      {"a\\b/c", mlPath::ToBackslashes, mlPath::Automatic, "a\\b\\c"},
      // Backslashes win over slashes; removing runs after adding.
      {"a\\b/c", mlPath::ToSlashes | mlPath::ToBackslashes, mlPath::Automatic, "a\\b\\c"},
      {"a/b", add | remove, mlPath::Automatic, "a/b"},
      {"a\\b", mlPath::ToSlashes | add, mlPath::Automatic, "a/b/"},
      {"a/\\//", remove, mlPath::Automatic, "a"},
      {"//", remove, mlPath::Automatic, ""},
      {"a/", add, mlPath::Backslash, "a/"},
      // Automatic: '/' only where the text holds '/' and no '\\'.
      {"a/b", add, mlPath::Automatic, "a/b/"},
      {"a/b\\c", add, mlPath::Automatic, "a/b\\c\\"},
      {"", add, mlPath::Automatic, "\\"},
      {"a", add, mlPath::Backslash, "a\\"},
      {"a", add, mlPath::Slash, "a/"},
      {"a", add, mlPath::BackslashToo, "a\\"},
      {"a", add, 9, "a/"},
  };
  for (const auto& c : cases) {
    mlUtf8String text(c.text);
    mlPath bound(text, c.flags, c.style);
    EXPECT_EQ(text, mlUtf8String(c.normalized)) << c.text << " with " << c.flags;
  }
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

}  // namespace
