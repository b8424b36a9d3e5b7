// tessgrain-render's command line: the options, their checks and the help text.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "devhost/render/frame_list.h"
#include "devhost/host/host.h"
#include "devhost/render/raw_frames.h"

namespace devhost {

extern const char kUsage[];

// Anything the user asked for that cannot be done: one line on stderr and a non-zero exit.
struct UserError {
  std::string message;
};
[[noreturn]] void Fail(std::string message);

struct Options {
  std::vector<std::string> inputs;  // empty: the bundled sample (or standard input with --raw)
  std::string output;               // empty: named after the input under out/
  std::optional<double> scale;
  std::optional<int> interpolation;  // 1-based, as the popup stores it
  std::optional<double> edge_blur;
  std::optional<int> shape;  // 1-based
  std::optional<std::pair<double, double>> anchor;
  PF_RationalScale downsample{1, 1};
  HostApp host = HostApp::AfterEffects;
  std::optional<Depth> depth;
  PF_Field field = PF_Field_FRAME;
  std::optional<std::pair<long, long>> api_version;
  std::string host_version = "25.0";
  std::string module;  // the module beside this tool unless --module names one
  GpuChoice gpu = GpuChoice::Off;
  std::optional<int> jobs;
  std::optional<FrameRange> frames;
  std::optional<std::pair<int, int>> raw;  // width, height
  std::optional<PixFmt> pix_fmt;
  std::optional<std::array<double, 3>> background;
  bool quiet = false;
  bool skip_existing = false;
  bool compare = false;
  bool print_geometry = false;
  bool dialog = false;
  bool help = false;
};

// The options as given; a UserError for anything an option cannot take.
Options ParseArguments(int argc, char** argv);

// What a run does, decided by the options (and whether the inputs make a sequence).
enum class Mode { Help, Dialog, Geometry, RawStream, Sequence, Sample, Single, Compare };
// Refuses, as a UserError, options that do not go together, and says which mode they ask for.
Mode CheckOptions(const Options& o);

// Files found from this tool's own location: the installed layout (bin/ beside lib/ and share/)
// first, then the build tree's, so a copied or installed tool needs no build path.
std::string ModuleBesideTool();
std::string SampleBesideTool();

}  // namespace devhost
