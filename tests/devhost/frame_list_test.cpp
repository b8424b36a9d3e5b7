// Frame lists and patterns in process: a pattern reads back every name it writes or is refused
// when parsed, an existing file is a file whatever its name, and ranges end where they say.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "devhost/render/frame_list.h"

namespace devhost {
namespace {

namespace fs = std::filesystem;

const auto kAnyFile = [](const std::string&) { return true; };

TEST(FramePattern, EveryNameAPatternWritesReadsBackAsItsNumber) {
  const struct {
    const char* pattern;
    long number;
    std::string name;
  } cases[] = {
      {"shot_%04d.png", 7, "shot_0007.png"},
      {"shot_%04d.png", 123456, "shot_123456.png"},
      {"f_%d.raw", 0, "f_0.raw"},
      {"up/f_%d.raw", LONG_MAX, "f_" + std::to_string(LONG_MAX) + ".raw"},
      {"50%%_%02d.exr", 3, "50%_03.exr"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    std::string error;
    const std::optional<FramePattern> p = FramePattern::Parse(c.pattern, &error);
    ASSERT_TRUE(p) << error;
    const std::string written = p->Format(c.number);
    EXPECT_EQ(fs::path(written).filename().string(), c.name);
    EXPECT_EQ(p->Match(c.name), c.number);
  }
}

TEST(FramePattern, PatternsThatCannotReadBackTheirNamesAreRefused) {
  // A width without zeros pads with spaces, which no name read back as a number holds.
  for (const char* text :
       {"f_%3d.png", "f_%d_%d.png", "f_%s.png", "f_%-3d.png", "f_%.png", "f_%", "f_%+d.png"}) {
    SCOPED_TRACE(text);
    std::string error;
    EXPECT_FALSE(FramePattern::Parse(text, &error));
    EXPECT_NE(error.find("a frame pattern holds one %d or %0Nd"), std::string::npos) << error;
  }
  std::string error;
  EXPECT_FALSE(FramePattern::Parse("plain.png", &error));
  EXPECT_EQ(error, "");
}

class FrameListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tg-frames-" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Touch(const std::string& name) {
    const fs::path path = dir_ / name;
    std::ofstream(path) << name;
    return path.string();
  }
  fs::path dir_;
};

TEST_F(FrameListTest, AnExistingFileIsAFileWhateverItsName) {
  for (const char* name : {"50%.png", "f_%d.png", "x_%3d.png"}) {
    SCOPED_TRACE(name);
    const std::string path = Touch(name);
    EXPECT_FALSE(IsSequence({path}));
    std::vector<SourceFrame> frames;
    std::string error;
    ASSERT_TRUE(ListFrames({path}, std::nullopt, kAnyFile, &frames, &error)) << error;
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].path, path);
  }
}

TEST_F(FrameListTest, ARangeAtTheEndOfTheIntegersListsItsFramesAndEnds) {
  std::vector<SourceFrame> frames;
  std::string error;
  ASSERT_TRUE(ListFrames({(dir_ / "f_%d.raw").string()}, FrameRange{LONG_MAX - 1, LONG_MAX},
                         kAnyFile, &frames, &error))
      << error;
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].number, LONG_MAX - 1);
  EXPECT_EQ(frames[1].number, LONG_MAX);
}

}  // namespace
}  // namespace devhost
