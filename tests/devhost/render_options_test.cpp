// tessgrain-render's command line in process: what each option takes, what it refuses and why, the
// checks between options and the mode they pick, all before anything is loaded or read.
#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "devhost/render/options.h"

namespace devhost {
namespace {

// The words of a command line, split at spaces.
Options Parse(const std::string& line) {
  std::vector<std::string> words{"tessgrain-render"};
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  return ParseArguments(static_cast<int>(argv.size()), argv.data());
}

// The one line a refused command line gives, or "" when it is accepted.
std::string Refusal(const std::string& line) {
  try {
    Parse(line);
  } catch (const UserError& e) {
    return e.message;
  }
  return "";
}

// The largest frame number, and one more, as text (long is 32 bits on Windows).
const std::string kMost = std::to_string(LONG_MAX);
const std::string kBeyond = std::to_string(static_cast<unsigned long>(LONG_MAX) + 1);

TEST(RenderOptions, RefusalsNameTheOptionAndWhatItTakes) {
  const struct {
    std::string args;
    const char* says;
  } cases[] = {
      {"--bogus", "unknown option '--bogus' (see --help)"},
      {"in.png --scale", "--scale needs a value"},
      {"--scale 65", "--scale must lie between 1 and 64, not 65"},
      {"--scale 0.5", "--scale must lie between 1 and 64, not 0.5"},
      {"--scale=nan", "--scale needs a number, not 'nan'"},
      {"--interp cubic", "--interp takes one of nearest, linear, nearest-aa, not 'cubic'"},
      {"--quiet=1", "--quiet takes no value"},
      {"--anchor 3", "--anchor takes X,Y"},
      {"--downsample 3/2", "--downsample takes N/D with 1 <= N <= D <= 64"},
      {"--jobs 0", "--jobs takes a number from 1 to 256"},
      {"--api-version 13.40000", "--api-version takes two numbers from 0 to 32767"},
      {"--raw 0x5", "--raw takes WxH with sides of 1 to 32768 pixels"},
      {"--raw 32769x2", "--raw takes WxH with sides of 1 to 32768 pixels"},
      {"--pix-fmt yuv420p", "--pix-fmt takes one of rgba, rgba64le, rgbaf32le, not 'yuv420p'"},
      {"--background 12345", "--background takes RRGGBB in hex"},
      // Frame numbers: from 0, at most ten million of them, and no arithmetic that overflows.
      {"--frames 5-2", "--frames takes A-B with 0 <= A <= B"},
      {"--frames -1-" + kMost, "--frames takes A-B with 0 <= A <= B"},
      {"--frames 0-" + kMost, "--frames takes at most 10000000 frames"},
      {"--frames 1-" + kBeyond, "--frames needs a whole number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(Refusal(c.args).rfind(c.says, 0), 0u) << Refusal(c.args);
  }
}

TEST(RenderOptions, ValuesAreTakenAsWritten) {
  const Options o = Parse("a.png b.png --scale=2.5 --anchor 3,-4.5 --downsample 1/2 --frames " +
                          std::to_string(LONG_MAX - 1) + "-" + kMost +
                          " -j 3 --background white --host premiere -o x/");
  EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.png", "b.png"}));
  EXPECT_EQ(o.scale, 2.5);
  ASSERT_TRUE(o.anchor);
  EXPECT_EQ(o.anchor->second, -4.5);
  EXPECT_EQ(o.downsample.den, 2u);
  ASSERT_TRUE(o.frames);
  EXPECT_EQ(o.frames->first, LONG_MAX - 1);
  EXPECT_EQ(o.frames->last, LONG_MAX);
  EXPECT_EQ(o.jobs, 3);
  EXPECT_EQ(o.host, HostApp::PremierePro);
  EXPECT_EQ(o.output, "x/");
}

TEST(RenderOptions, OptionsThatDoNotGoTogetherAreRefusedBeforeAnythingRuns) {
  const struct {
    const char* args;
    const char* says;
  } cases[] = {
      {"a.png --host premiere --print-geometry", "--print-geometry shows the After Effects"},
      {"a.png --host premiere --depth 16", "Premiere Pro renders 8-bit and float frames only"},
      {"a.png --pix-fmt rgba", "--pix-fmt goes with --raw WxH"},
      {"--raw 2x2 --depth 8", "with --raw the depth follows --pix-fmt"},
      {"--raw 2x2 --compare", "--compare takes an image file, not raw frames"},
      {"a.png b.png --compare", "--compare takes one image"},
      {"a.png --frames 1-2", "--frames selects frames of a folder or a pattern"},
      {"a.png b.png --print-geometry", "--print-geometry takes one image"},
      {"a.png -o -", "-o - (standard output) takes raw frames: use --raw WxH"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    std::string refusal;
    try {
      CheckOptions(Parse(c.args));
    } catch (const UserError& e) {
      refusal = e.message;
    }
    EXPECT_EQ(refusal.rfind(c.says, 0), 0u) << refusal;
  }
}

TEST(RenderOptions, TheOptionsPickTheMode) {
  const struct {
    const char* args;
    Mode mode;
  } cases[] = {
      {"", Mode::Sample},
      {"-o big.png", Mode::Sample},
      {"a.png", Mode::Single},
      {"a.png --compare", Mode::Compare},
      {"a.png --print-geometry", Mode::Geometry},
      {"--raw 2x2 --print-geometry", Mode::Geometry},
      {"--raw 2x2", Mode::RawStream},
      {"--raw 2x2 clip.raw -o up.raw", Mode::RawStream},
      {"a.png b.png", Mode::Sequence},
      {"shot_%04d.png --frames 1-9", Mode::Sequence},
      {"--raw 2x2 f_%d.raw", Mode::Sequence},
      {"a.png --help", Mode::Help},
      {"--dialog", Mode::Dialog},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(CheckOptions(Parse(c.args)), c.mode);
  }
}

}  // namespace
}  // namespace devhost
