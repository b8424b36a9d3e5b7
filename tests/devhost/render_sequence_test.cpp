// Sequences and pipes of tessgrain-render with raw frames, which every build of the tool reads and
// writes (the Windows one, run here under Wine, has no image files): the same files whatever the
// number of render threads, frame numbers that carry over, gaps, ranges and folders, and frames
// through a pipe in their order.
#include <set>
#include <utility>
#include <vector>

#include "tool_run.h"

using namespace tool_run;

namespace {

constexpr int kWidth = 7, kHeight = 5;
const std::string kRaw = "--raw 7x5 --scale 3 --interp nearest-aa --edge-blur 1.5 ";

// Frame n has a pattern of its own, with partial alpha, so that a mixed-up frame shows.
std::string RawFrame(int n) {
  std::string bytes(kWidth * kHeight * 4, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + n * 13) % 251);
  return bytes;
}

std::string Name(const char* pattern, int n) {
  char name[64];
  std::snprintf(name, sizeof(name), pattern, n);
  return name;
}

std::set<std::string> FilesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

using Sequence = ToolTest;

TEST_F(Sequence, AnyNumberOfJobsGivesTheFilesOfSingleFrameRuns) {
  fs::create_directories("in");
  fs::create_directories("single");
  fs::create_directories("j1");
  for (int n = 1; n <= 40; ++n) Spill(Name("in/f_%03d.raw", n), RawFrame(n));
  for (int n = 1; n <= 40; ++n) {
    const ToolRun r = Run(kRaw + Name("in/f_%03d.raw", n) + " -o " + Name("single/f_%03d.raw", n));
    ASSERT_EQ(r.exit_code, 0) << r.err;
  }
  // A pattern into a pattern with one job; a folder into a folder with more jobs than frames
  // in flight at once.
  ToolRun r = Run(kRaw + "--jobs 1 in/f_%03d.raw -o j1/o_%04d.raw");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("40 frames written"), std::string::npos) << r.out;
  r = Run(kRaw + "--jobs 8 in -o j8/");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(FilesIn("j1").size(), 40u);
  EXPECT_EQ(FilesIn("j8").size(), 40u);  // nothing partial left behind
  std::set<std::string> distinct;
  for (int n = 1; n <= 40; ++n) {
    SCOPED_TRACE(n);
    const std::string single = Slurp(Name("single/f_%03d.raw", n));
    ASSERT_FALSE(single.empty());
    EXPECT_EQ(Slurp(Name("j1/o_%04d.raw", n)), single);
    EXPECT_EQ(Slurp(Name("j8/f_%03d_x3.raw", n)), single);
    distinct.insert(single);
  }
  EXPECT_EQ(distinct.size(), 40u);
}

TEST_F(Sequence, PatternsWithGapsRangesAndFoldersWithOtherFiles) {
  fs::create_directories("seq");
  for (int n : {1, 2, 3, 5, 8, 10}) Spill(Name("seq/s_%02d.raw", n), RawFrame(n));
  Spill("seq/s_7.raw", RawFrame(7));  // a frame of the folder, not of the pattern s_%02d
  Spill("seq/notes.txt", "not a frame");
  Spill("seq/.hidden.raw", RawFrame(99));

  // Without a range the pattern takes the frames that exist.
  ToolRun r = Run(kRaw + "seq/s_%02d.raw -o all/");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(FilesIn("all"), (std::set<std::string>{"s_01_x3.raw", "s_02_x3.raw", "s_03_x3.raw",
                                                   "s_05_x3.raw", "s_08_x3.raw", "s_10_x3.raw"}));

  // With one it takes exactly the range: the missing frame 4 fails by name, the rest are written
  // under their own numbers.
  fs::create_directories("range");
  r = Run(kRaw + "seq/s_%02d.raw --frames 2-5 -o range/r_%d.raw");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("s_04.raw"), std::string::npos) << r.err;
  EXPECT_EQ(FilesIn("range"), (std::set<std::string>{"r_2.raw", "r_3.raw", "r_5.raw"}));
  EXPECT_EQ(Slurp("range/r_5.raw"), Slurp("all/s_05_x3.raw"));

  // A folder: its frames, hidden files and others left out; a range keeps the numbers in it.
  r = Run(kRaw + "seq --frames 3-7 -o folder/");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(FilesIn("folder"), (std::set<std::string>{"s_03_x3.raw", "s_05_x3.raw", "s_7_x3.raw"}));
}

TEST_F(Sequence, RawFramesThroughAPipeComeOutInOrderAsTheFilesDo) {
  fs::create_directories("in");
  std::string stream;
  for (int n = 1; n <= 12; ++n) {
    Spill(Name("in/f_%02d.raw", n), RawFrame(n));
    stream += RawFrame(n);
  }
  Spill("stream.raw", stream);
  ToolRun r = Run(kRaw + "in -o files/");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string expected;
  for (int n = 1; n <= 12; ++n) expected += Slurp(Name("files/f_%02d_x3.raw", n));

  r = Run(kRaw + "--jobs 4 <stream.raw");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(r.out == expected) << "the piped frames differ from the frames rendered from files";
  EXPECT_NE(r.err.find("12 frames written"), std::string::npos) << r.err;

  // A short last frame is an error naming it; the whole frames before it still come out.
  Spill("short.raw", stream + std::string(10, '\x7f'));
  r = Run(kRaw + "--jobs 4 <short.raw");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("frame 13 of standard input is short: 10 of 140 bytes"), std::string::npos)
      << r.err;
  EXPECT_TRUE(r.out == expected);
}

// Before any frame renders, an output that is an input is refused however it is spelt: nothing is
// written and every input stays as it was.
TEST_F(Sequence, OutputsNeverReplaceInputs) {
  const std::string clip = RawFrame(1) + RawFrame(2);
  std::vector<std::pair<std::string, std::string>> cases = {
      {"clip.raw -o clip.raw", "clip.raw"},
      {"clip.raw -o inx/../clip.raw", "inx/../clip.raw"},
      // Windows writes the folder part with either separator.
      {"inx -o inx/", "a_x3.raw"},
      {"inx/a_x3.raw inx/a.raw -o inx/a_x%d.raw", "a_x3.raw"},
  };
#ifndef _WIN32
  fs::create_symlink("clip.raw", "link.raw");
  cases.push_back({"link.raw -o clip.raw", "clip.raw"});
#endif
  for (const auto& [args, output] : cases) {
    SCOPED_TRACE(args);
    Spill("clip.raw", clip);
    fs::remove_all("inx");
    fs::create_directories("inx");
    Spill("inx/a.raw", RawFrame(3));
    Spill("inx/a_x3.raw", RawFrame(4));  // unrelated to a.raw, but a.raw's default output name
    const ToolRun r = Run(kRaw + args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find(output + " would overwrite the input "), std::string::npos) << r.err;
    EXPECT_TRUE(Slurp("clip.raw") == clip) << "the clip was replaced";
    EXPECT_TRUE(Slurp("inx/a_x3.raw") == RawFrame(4)) << "inx/a_x3.raw was replaced";
    EXPECT_EQ(FilesIn("inx").size(), 2u);
  }
}

// Only bytes safely written count: a stream that cannot go where it was sent claims no frame, and
// a frame whose file cannot take its final name is named with the reason.
TEST_F(Sequence, NoFrameIsClaimedThatWasNotWritten) {
  Spill("three.raw", RawFrame(1) + RawFrame(2) + RawFrame(3));
  fs::create_directories("somefolder");
  ToolRun r = Run(kRaw + "three.raw -o somefolder");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err.find("written"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("somefolder"), std::string::npos) << r.err;
  EXPECT_TRUE(FilesIn("somefolder").empty());

  fs::create_directories("seq");
  Spill("seq/f_1.raw", RawFrame(1));
  Spill("seq/f_2.raw", RawFrame(2));
  fs::create_directories("up/f_2_x3.raw");
  r = Run(kRaw + "seq -o up/");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("cannot write up/f_2_x3.raw: "), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("1 frame written to up/, 1 failed"), std::string::npos) << r.out;
  EXPECT_EQ(FilesIn("up"), (std::set<std::string>{"f_1_x3.raw", "f_2_x3.raw"}));
}

}  // namespace
