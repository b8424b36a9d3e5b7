#include "devhost/render/options.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <string_view>

#include "devhost/render/console.h"
#include "foundation/module_info.h"

namespace devhost {

const char kUsage[] =
    R"(Usage: tessgrain-render [options] [INPUT...]

Enlarges images through the effect, loaded and driven the way a video host drives it, and writes
the results as RGBA. Without INPUT it renders the bundled sample x8 with Nearest AA and its
comparison sheet into out/.

INPUT is an image file (any format OpenImageIO reads: PNG, TIFF, EXR, DPX, ...), several files,
a folder (its images in name order) or a frame pattern such as shot_%04d.png (every frame that
exists, or those of --frames). Frames render on every core, each on a render thread of one host.

Output
  -o PATH              one image: the file, or a folder to write it into under its default name.
                       Several: a pattern (up_%04d.png; frame numbers carry over) or a folder.
                       Default: out/<input name>_x<scale><input extension> (.exr when float
                       samples meet an extension that cannot hold them). A PATH ending in / is a
                       folder, made if missing; any other folder must exist
  --skip-existing      leave frames whose output file exists (resumes an interrupted run; files
                       are written under a hidden .partial name first and renamed when complete)
  --background COLOUR  composite over COLOUR (RRGGBB in hex, black or white) and write RGB; for
                       formats without alpha (JPEG), where the transparent border turns black
  --compare            one image: a sheet of it rendered with each interpolation (rows) and each
                       pixel shape (columns), labelled; default out/<input name>_compare.<ext>
  --jobs N             frames rendered at once (default: the number of cores)
  --frames A-B         only the frames numbered A to B (with a pattern: exactly those)
  --quiet              no progress line and no summary; problems are still reported

Raw frames (between two video tools through pipes)
  --raw WxH            INPUT (a file, or standard input when none or -) is a stream of raw
                       frames of W x H pixels; the frames are written to standard output (or
                       -o FILE) in the same order and format. With several inputs, a folder or a
                       pattern, each file (a folder's *.raw files) is one raw frame
  --pix-fmt FMT        rgba | rgba64le | rgbaf32le (default rgba): 8-bit, 16-bit or float samples

Effect settings
  --scale F            enlargement, 1 to 64 (default 4; 8 for the sample)
  --interp MODE        nearest | linear | nearest-aa (default nearest; nearest-aa for the sample)
  --edge-blur F        edge blur of nearest-aa, 0 to 64 (default 1; 3 for the sample), in output
                       pixels: the width of the soft band along each source pixel edge
  --shape SHAPE        point | square | circle (default point for ae, square for premiere).
                       point treats each source pixel as a point in the middle of its square, so
                       the output reaches half a source pixel further on every side: 32x32 at x4
                       gives 132x132 with a transparent border of 2 pixels. square and circle
                       cover the layer exactly: 128x128 (circle samples as square does)
  --anchor X,Y         layer anchor point in full-resolution pixels (default: the layer's centre)
  --downsample N/D     render at a reduced resolution, e.g. 1/2 (default 1/1)
  --gpu FRAMEWORK      off | opencl | cuda (default off). Ticks GPU Acceleration and offers the
                       effect the first device of that framework; frames it accepts are rendered
                       there, one at a time. Fails when the framework has no device here

Host
  --host HOST          ae (smart render) | premiere (frame set-up and render) (default ae)
  --depth BITS         8 | 16 | 32 (default: the file's; 32 for float files). premiere: 8 or 32
  --field FIELD        none | upper | lower (default none)
  --api-version M.N    effect API version the host reports (default 13.29 for ae, 13.5 for
                       premiere); with the host executable's version it decides whether the
                       plug-in suits the host (13.31: update advised; 13.33: too old, red frames)
  --host-version V     host version string passed at registration (default 25.0)
  --module PATH        the plug-in module to load (default: the one installed or built beside
                       this tool)

Other
  --print-geometry     run only the pre-render (ae) and print its result as one line of JSON
                       (with --raw, of a frame of that size: the output size to expect)
  --dialog             send the dialog command instead of rendering: the effect runs the settings
                       pop-up through the companion program beside the module (Orbisk.exe);
                       prints the request the companion received and the answer it gave
  --help               show this text

On a terminal a progress line shows frames done, frames per second and the time left; one line
sums the run up at the end. The exit status is 1 when anything failed: a frame that cannot be read,
rendered or written is named, and the other frames are still rendered.
16-bit samples are mapped from 0..65535 to the host's 0..32768 and back; float output needs an
.exr, .tif or .tiff file. Colour and alpha are passed through unpremultiplied.
)";

void Fail(std::string message) { throw UserError{std::move(message)}; }

namespace {

constexpr long kMostFrames = 10000000;

double ParseNumber(std::string_view option, std::string_view text) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) {
    Fail(std::string(option) + " needs a number, not '" + std::string(text) + "'");
  }
  return v;
}

long ParseInteger(std::string_view option, std::string_view text) {
  long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) {
    Fail(std::string(option) + " needs a whole number, not '" + std::string(text) + "'");
  }
  return v;
}

template <class T>
T ParseChoice(std::string_view option, std::string_view text,
              std::initializer_list<std::pair<std::string_view, T>> choices) {
  std::string names;
  for (const auto& [name, value] : choices) {
    if (text == name) return value;
    names += names.empty() ? "" : ", ";
    names += name;
  }
  Fail(std::string(option) + " takes one of " + names + ", not '" + std::string(text) + "'");
}

// "X,Y", "N/D", "WxH" or "A-B": two parts around one separator.
std::pair<std::string_view, std::string_view> SplitPair(std::string_view option,
                                                        std::string_view text, char sep,
                                                        const char* form) {
  const size_t at = text.find(sep, 1);
  if (at == std::string_view::npos) Fail(std::string(option) + " takes " + form);
  return {text.substr(0, at), text.substr(at + 1)};
}

std::array<double, 3> ParseColour(std::string_view option, std::string_view text) {
  if (text == "black") return {0, 0, 0};
  if (text == "white") return {1, 1, 1};
  if (text.starts_with("#")) text.remove_prefix(1);
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.size() != 6 || ec != std::errc() || end != text.data() + text.size()) {
    Fail(std::string(option) + " takes RRGGBB in hex (e.g. 1e1e1e), black or white, not '" +
         std::string(text) + "'");
  }
  return {((value >> 16) & 255) / 255.0, ((value >> 8) & 255) / 255.0, (value & 255) / 255.0};
}

}  // namespace

Options ParseArguments(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.size() < 2 || arg[0] != '-') {
      o.inputs.emplace_back(arg);
      continue;
    }
    // Both "--scale 4" and "--scale=4" are accepted.
    std::string_view name = arg;
    std::optional<std::string_view> inline_value;
    if (const size_t eq = arg.find('='); eq != std::string_view::npos && arg.starts_with("--")) {
      name = arg.substr(0, eq);
      inline_value = arg.substr(eq + 1);
    }
    const auto flag = [&] {
      if (inline_value) Fail(std::string(name) + " takes no value");
    };
    const auto value = [&]() -> std::string_view {
      if (inline_value) return *inline_value;
      if (i + 1 >= argc) Fail(std::string(name) + " needs a value");
      return argv[++i];
    };

    if (name == "--help" || name == "-h") {
      flag();
      o.help = true;
    } else if (name == "-o" || name == "--output") {
      o.output = value();
      if (o.output.empty()) Fail(std::string(name) + " needs a file name");
    } else if (name == "--scale") {
      const std::string_view text = value();
      const double s = ParseNumber(name, text);
      if (s < 1.0 || s > 64.0) Fail("--scale must lie between 1 and 64, not " + std::string(text));
      o.scale = s;
    } else if (name == "--interp") {
      o.interpolation =
          ParseChoice<int>(name, value(), {{"nearest", 1}, {"linear", 2}, {"nearest-aa", 3}});
    } else if (name == "--edge-blur") {
      o.edge_blur = ParseNumber(name, value());
      if (*o.edge_blur < 0.0 || *o.edge_blur > 64.0) Fail("--edge-blur must lie between 0 and 64");
    } else if (name == "--shape") {
      o.shape = ParseChoice<int>(name, value(), {{"point", 1}, {"square", 2}, {"circle", 3}});
    } else if (name == "--anchor") {
      const auto [x, y] = SplitPair(name, value(), ',', "X,Y");
      o.anchor = {ParseNumber(name, x), ParseNumber(name, y)};
    } else if (name == "--downsample") {
      const auto [n, d] = SplitPair(name, value(), '/', "N/D, e.g. 1/2");
      const long num = ParseInteger(name, n);
      const long den = ParseInteger(name, d);
      if (num < 1 || den < 1 || num > den || den > 64)
        Fail("--downsample takes N/D with 1 <= N <= D <= 64");
      o.downsample = {static_cast<A_long>(num), static_cast<A_u_long>(den)};
    } else if (name == "--host") {
      o.host = ParseChoice(name, value(),
                           {std::pair{std::string_view("ae"), HostApp::AfterEffects},
                            std::pair{std::string_view("premiere"), HostApp::PremierePro}});
    } else if (name == "--depth") {
      o.depth = ParseChoice(name, value(),
                            {std::pair{std::string_view("8"), Depth::U8},
                             std::pair{std::string_view("16"), Depth::U16},
                             std::pair{std::string_view("32"), Depth::F32}});
    } else if (name == "--field") {
      o.field = ParseChoice(name, value(),
                            {std::pair{std::string_view("none"), PF_Field_FRAME},
                             std::pair{std::string_view("upper"), PF_Field_UPPER},
                             std::pair{std::string_view("lower"), PF_Field_LOWER}});
    } else if (name == "--api-version") {
      const auto [major, minor] = SplitPair(name, value(), '.', "MAJOR.MINOR, e.g. 13.29");
      o.api_version = {ParseInteger(name, major), ParseInteger(name, minor)};
      if (o.api_version->first < 0 || o.api_version->first > 32767 || o.api_version->second < 0 ||
          o.api_version->second > 32767) {
        Fail("--api-version takes two numbers from 0 to 32767");
      }
    } else if (name == "--host-version") {
      o.host_version = value();
    } else if (name == "--module") {
      o.module = value();
    } else if (name == "--gpu") {
      o.gpu = ParseChoice(name, value(),
                          {std::pair{std::string_view("off"), GpuChoice::Off},
                           std::pair{std::string_view("opencl"), GpuChoice::OpenCL},
                           std::pair{std::string_view("cuda"), GpuChoice::Cuda}});
    } else if (name == "--jobs" || name == "-j") {
      const long jobs = ParseInteger(name, value());
      if (jobs < 1 || jobs > 256) Fail(std::string(name) + " takes a number from 1 to 256");
      o.jobs = static_cast<int>(jobs);
    } else if (name == "--frames") {
      const auto [first, last] = SplitPair(name, value(), '-', "A-B, e.g. 1-240");
      o.frames = FrameRange{ParseInteger(name, first), ParseInteger(name, last)};
      // Frame numbers are what file names hold: never negative, so B - A cannot overflow.
      if (o.frames->first < 0 || o.frames->last < o.frames->first)
        Fail("--frames takes A-B with 0 <= A <= B");
      if (o.frames->last - o.frames->first >= kMostFrames)
        Fail("--frames takes at most " + std::to_string(kMostFrames) + " frames");
    } else if (name == "--raw") {
      const auto [w, h] = SplitPair(name, value(), 'x', "WxH, e.g. 480x270");
      const long width = ParseInteger(name, w), height = ParseInteger(name, h);
      if (width < 1 || height < 1 || width > 32768 || height > 32768) {
        Fail("--raw takes WxH with sides of 1 to 32768 pixels");
      }
      o.raw = {static_cast<int>(width), static_cast<int>(height)};
    } else if (name == "--pix-fmt") {
      const std::string_view text = value();
      PixFmt fmt;
      if (!ParsePixFmt(text, &fmt))
        Fail("--pix-fmt takes one of rgba, rgba64le, rgbaf32le, not '" + std::string(text) + "'");
      o.pix_fmt = fmt;
    } else if (name == "--background") {
      o.background = ParseColour(name, value());
    } else if (name == "--quiet" || name == "-q") {
      flag();
      o.quiet = true;
    } else if (name == "--skip-existing") {
      flag();
      o.skip_existing = true;
    } else if (name == "--compare") {
      flag();
      o.compare = true;
    } else if (name == "--print-geometry") {
      flag();
      o.print_geometry = true;
    } else if (name == "--dialog") {
      flag();
      o.dialog = true;
    } else {
      Fail("unknown option '" + std::string(arg) + "' (see --help)");
    }
  }
  if (o.module.empty()) o.module = ModuleBesideTool();
  return o;
}

Mode CheckOptions(const Options& o) {
  if (o.help) return Mode::Help;
  if (o.dialog) return Mode::Dialog;
  const bool premiere = o.host == HostApp::PremierePro;
  const bool sequence = IsSequence(o.inputs);
  if (premiere && o.print_geometry)
    Fail("--print-geometry shows the After Effects pre-render: use --host ae");
  if (premiere && o.depth == Depth::U16)
    Fail("Premiere Pro renders 8-bit and float frames only: use --depth 8 or --depth 32");
  if (o.pix_fmt && !o.raw) Fail("--pix-fmt goes with --raw WxH");
  if (o.raw && o.depth) Fail("with --raw the depth follows --pix-fmt");
  if (o.raw && o.compare) Fail("--compare takes an image file, not raw frames");
  if (o.compare && sequence) Fail("--compare takes one image");
  if (o.frames && !sequence)
    Fail("--frames selects frames of a folder or a pattern such as shot_%04d.png");
  if (o.edge_blur && o.interpolation.value_or(1) != 3 && !o.compare && !o.inputs.empty()) {
    Console::Get().Message(
        "note: --edge-blur applies to --interp nearest-aa only; it changes nothing here");
  }
  if (sequence) {
    if (o.print_geometry) Fail("--print-geometry takes one image");
    return Mode::Sequence;
  }
  if (!o.raw && o.output == "-") Fail("-o - (standard output) takes raw frames: use --raw WxH");
  if (o.print_geometry) return Mode::Geometry;
  if (o.raw) return Mode::RawStream;
  if (o.compare) return Mode::Compare;
  return o.inputs.empty() ? Mode::Sample : Mode::Single;
}

namespace {

std::string ToolFolder() {
  const std::string tool = ModuleFileName(nullptr).Bytes();
  return tool.substr(0, tool.find_last_of("/\\") + 1);
}

// The file at relative to this tool's folder when it is there (the installed layout), else the
// fallback (the build tree's).
std::string InstalledOr(const std::string& relative, std::string fallback) {
  const std::string installed = ToolFolder() + relative;
  std::error_code error;
  return std::filesystem::exists(reinterpret_cast<const char8_t*>(installed.c_str()), error)
             ? installed
             : fallback;
}

}  // namespace

std::string ModuleBesideTool() {
  return InstalledOr(TESSGRAIN_MODULE_INSTALLED "/" TESSGRAIN_MODULE_FILE,
                     ToolFolder() + TESSGRAIN_MODULE_BUILT "/" TESSGRAIN_MODULE_FILE);
}

std::string SampleBesideTool() { return InstalledOr(TESSGRAIN_SAMPLE_INSTALLED, TESSGRAIN_SAMPLE); }

}  // namespace devhost
