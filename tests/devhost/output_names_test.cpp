// Output naming in process: default names, where -o sends the outputs, partial names and
// in-place writes, and the rule that no output is an input or another output, however spelt.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "devhost/render/options.h"
#include "devhost/render/output_names.h"

namespace devhost {
namespace {

namespace fs = std::filesystem;

class OutputNames : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        ("tg-names-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_ / "in");
    previous_ = fs::current_path();
    fs::current_path(dir_);
    for (const char* name : {"in/a.png", "in/b.png"}) std::ofstream(name) << name;
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  fs::path dir_, previous_;
};

// The one line a refusal gives, or "".
template <class F>
std::string Refusal(F f) {
  try {
    f();
  } catch (const UserError& e) {
    return e.message;
  }
  return "";
}

TEST_F(OutputNames, NoOutputIsAnInputOrAnotherOutputHoweverSpelt) {
  struct Case {
    std::vector<std::string> inputs, outputs;
    const char* says;
  };
  std::vector<Case> cases = {
      {{"in/a.png"}, {"in/a_x4.png"}, ""},
      {{"in/a.png", "in/b.png"}, {"up/a.png", "up/b.png"}, ""},
      {{"in/a.png"}, {"in/a.png"}, "in/a.png would overwrite the input in/a.png"},
      {{"in/a.png"}, {"./in/../in/a.png"}, "./in/../in/a.png would overwrite the input in/a.png"},
      {{"in/a.png"}, {(fs::current_path() / "in/a.png").string()}, "would overwrite the input"},
      // A folder into itself: b.png's output is the input a.png.
      {{"in/b.png", "in/a.png"}, {"in/a.png", "in/a_x4.png"}, "would overwrite the input in/a.png"},
      // The partial file an output is written under first.
      {{"in/.c.partial.png"}, {"in/c.png"}, "in/c.png would overwrite the input in/.c.partial.png"},
      {{"in/a.png", "in/b.png"},
       {"up/x.png", "up/./x.png"},
       "two frames would be written to up/./x.png (also named up/x.png)"},
      {{"in/a.png", "other/a.png"}, {"up/a.png", "up/a.png"}, "would be written to up/a.png\n"},
  };
#ifndef _WIN32
  fs::create_symlink("in", "linked");
  fs::create_hard_link("in/b.png", "second_name.png");
  cases.push_back(
      {{"linked/a.png"}, {"in/a.png"}, "in/a.png would overwrite the input linked/a.png"});
  cases.push_back(
      {{"in/b.png"}, {"second_name.png"}, "second_name.png would overwrite the input in/b.png"});
#endif
  for (const auto& c : cases) {
    SCOPED_TRACE(c.outputs.back());
    const std::string refusal = Refusal([&] { RefuseOverwrites(c.inputs, c.outputs); });
    if (*c.says == '\0') {
      EXPECT_EQ(refusal, "");
    } else {
      EXPECT_NE((refusal + "\n").find(c.says), std::string::npos) << refusal;
    }
  }
}

TEST_F(OutputNames, DefaultNamesAndPlacesFollowTheInputAndMinusO) {
  EXPECT_EQ(DefaultName("shots/a.png", "_x4", false), "a_x4.png");
  EXPECT_EQ(DefaultName("a.png", "_x2.5_compare", true), "a_x2.5_compare.exr");
  EXPECT_EQ(DefaultName("a.tif", "_x4", true), "a_x4.tif");
  EXPECT_EQ(DefaultName("noext", "_x4", false), "noext_x4.exr");
  const struct {
    const char* output;
    const char* folder;
    const char* file;
    bool make;
  } places[] = {
      {"", "out", "", true},         {"new/", "new/", "", true},
      {"in", "in", "", false},       {"in/x.png", "", "in/x.png", false},
      {"x.png", "", "x.png", false},
  };
  for (const auto& p : places) {
    SCOPED_TRACE(p.output);
    const OutputPlace place = PlaceOutput(p.output);
    EXPECT_EQ(place.folder, p.folder);
    EXPECT_EQ(place.file, p.file);
    EXPECT_EQ(place.make_folder, p.make);
  }
  EXPECT_EQ(Refusal([] { PlaceOutput("missing/x.png"); }),
            "the folder missing does not exist (for -o missing/x.png); make it first, or end -o "
            "with / to have it made");
  EXPECT_EQ(fs::path(PartialName("up/shot_0001.png")), fs::path("up/.shot_0001.partial.png"));
  EXPECT_EQ(PartialName("clip.raw"), ".clip.partial.raw");
}

TEST_F(OutputNames, AWriteInPlaceLeavesTheFinalNameOrNothing) {
  std::string error;
  EXPECT_FALSE(WriteInPlace(
      "in/new.png",
      [](const std::string& path, std::string* why) {
        std::ofstream(path) << "half";
        *why = "cannot write " + path + ": disk full";
        return false;
      },
      &error));
  EXPECT_EQ(error, "cannot write in/new.png: disk full");  // the name the user knows
  EXPECT_FALSE(fs::exists("in/new.png"));
  EXPECT_FALSE(fs::exists("in/.new.partial.png"));

  // A folder where the file should go: the rename fails, named, and the partial file goes.
  fs::create_directories("in/taken.png/inside");
  const auto write = [](const std::string& path, std::string*) {
    std::ofstream(path) << "whole";
    return true;
  };
  EXPECT_FALSE(WriteInPlace("in/taken.png", write, &error));
  EXPECT_EQ(error.rfind("cannot write in/taken.png: ", 0), 0u) << error;
  EXPECT_FALSE(fs::exists("in/.taken.partial.png"));

  ASSERT_TRUE(WriteInPlace("in/a.png", write, &error)) << error;
  std::ifstream in("in/a.png");
  std::string text;
  in >> text;
  EXPECT_EQ(text, "whole");
  EXPECT_FALSE(fs::exists("in/.a.partial.png"));
}

}  // namespace
}  // namespace devhost
