// tessgrain-render: renders an image file through the effect, driven by devhost the way After
// Effects (smart pre-render and render) or Premiere Pro (frame set-up and render) drives it.
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "devhost/host.h"
#include "devhost/module.h"
#include "devhost/image_io.h"
#include "engine/scale_data.h"
#include "foundation/utf8_string.h"

namespace {

constexpr char kUsage[] =
    R"(Usage: tessgrain-render [options] [INPUT]

Enlarges INPUT (any image file OpenImageIO reads) through the effect and writes the result as
RGBA. Without INPUT it renders the bundled sample x8 with Nearest AA into out/.

  -o PATH              output file (default: out/<input stem>_x<scale><input extension>;
                       .exr when float samples meet an extension that cannot hold them)
  --scale F            enlargement, 1 to 64 (default 4; 8 for the sample)
  --interp MODE        nearest | linear | nearest-aa (default nearest; nearest-aa for the sample)
  --edge-blur F        edge blur of nearest-aa, 0 to 64 (default 1)
  --shape SHAPE        point | square | circle (default point for ae, square for premiere)
  --anchor X,Y         layer anchor point in full-resolution pixels
                       (default: the layer's centre)
  --downsample N/D     render at a reduced resolution, e.g. 1/2 (default 1/1)
  --host HOST          ae (smart render) | premiere (frame set-up and render) (default ae)
  --depth BITS         8 | 16 | 32 (default: the file's; 32 for float files). premiere: 8 or 32
  --field FIELD        none | upper | lower (default none)
  --api-version M.N    effect API version the host reports (default 13.29 for ae, 13.5 for
                       premiere); with the host executable's version it decides whether the
                       plug-in suits the host (13.31: update advised; 13.33: too old, red frames)
  --host-version V     host version string passed at registration (default 25.0)
  --module PATH        the plug-in module to load (default: the one built beside this tool)
  --gpu FRAMEWORK      off | opencl | cuda (default off). Ticks GPU Acceleration and offers
                       the effect the first device of that framework; frames it accepts are
                       rendered there. Fails when the framework has no device here
  --print-geometry     run only the pre-render (ae) and print its result as one line of JSON
  --dialog             send the dialog command instead of rendering: the effect runs the settings
                       pop-up through the companion program beside the module (Orbisk.exe);
                       prints the request the companion received and the answer it gave
  --help               show this text

16-bit files are mapped from 0..65535 to the host's 0..32768 and back; float output needs an
.exr, .tif or .tiff file. Colour and alpha are passed through unpremultiplied.
)";

// Anything the user asked for that cannot be done: one line on stderr and a non-zero exit.
struct UserError {
  std::string message;
};

[[noreturn]] void Fail(std::string message) { throw UserError{std::move(message)}; }

struct Options {
  std::string input;   // empty: the bundled sample
  std::string output;  // empty: named after the input under out/
  std::optional<double> scale;
  std::optional<int> interpolation;  // 1-based, as the popup stores it
  double edge_blur = 1.0;
  std::optional<int> shape;          // 1-based
  std::optional<std::pair<double, double>> anchor;
  PF_RationalScale downsample{1, 1};
  devhost::HostApp host = devhost::HostApp::AfterEffects;
  std::optional<devhost::Depth> depth;
  PF_Field field = PF_Field_FRAME;
  std::optional<std::pair<long, long>> api_version;
  std::string host_version = "25.0";
  std::string module = TESSGRAIN_MODULE_PATH;
  devhost::GpuChoice gpu = devhost::GpuChoice::Off;
  bool print_geometry = false;
  bool dialog = false;
  bool help = false;
};

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

// "X,Y" or "N/D": two parts around one separator.
std::pair<std::string_view, std::string_view> SplitPair(std::string_view option,
                                                        std::string_view text, char sep,
                                                        const char* form) {
  const size_t at = text.find(sep);
  if (at == std::string_view::npos) Fail(std::string(option) + " takes " + form);
  return {text.substr(0, at), text.substr(at + 1)};
}

Options ParseArguments(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.size() < 2 || arg[0] != '-') {
      if (!o.input.empty()) Fail("only one input file, got '" + o.input + "' and '" + std::string(arg) + "'");
      o.input = arg;
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
      o.interpolation = ParseChoice<int>(name, value(), {{"nearest", 1}, {"linear", 2}, {"nearest-aa", 3}});
    } else if (name == "--edge-blur") {
      o.edge_blur = ParseNumber(name, value());
      if (o.edge_blur < 0.0 || o.edge_blur > 64.0) Fail("--edge-blur must lie between 0 and 64");
    } else if (name == "--shape") {
      o.shape = ParseChoice<int>(name, value(), {{"point", 1}, {"square", 2}, {"circle", 3}});
    } else if (name == "--anchor") {
      const auto [x, y] = SplitPair(name, value(), ',', "X,Y");
      o.anchor = {ParseNumber(name, x), ParseNumber(name, y)};
    } else if (name == "--downsample") {
      const auto [n, d] = SplitPair(name, value(), '/', "N/D, e.g. 1/2");
      const long num = ParseInteger(name, n);
      const long den = ParseInteger(name, d);
      if (num < 1 || den < 1 || num > den || den > 64) Fail("--downsample takes N/D with 1 <= N <= D <= 64");
      o.downsample = {static_cast<A_long>(num), static_cast<A_u_long>(den)};
    } else if (name == "--host") {
      o.host = ParseChoice(name, value(), {std::pair{std::string_view("ae"), devhost::HostApp::AfterEffects},
                                           std::pair{std::string_view("premiere"), devhost::HostApp::PremierePro}});
    } else if (name == "--depth") {
      o.depth = ParseChoice(name, value(), {std::pair{std::string_view("8"), devhost::Depth::U8},
                                            std::pair{std::string_view("16"), devhost::Depth::U16},
                                            std::pair{std::string_view("32"), devhost::Depth::F32}});
    } else if (name == "--field") {
      o.field = ParseChoice(name, value(), {std::pair{std::string_view("none"), PF_Field_FRAME},
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
      o.gpu = ParseChoice(name, value(), {std::pair{std::string_view("off"), devhost::GpuChoice::Off},
                                          std::pair{std::string_view("opencl"), devhost::GpuChoice::OpenCL},
                                          std::pair{std::string_view("cuda"), devhost::GpuChoice::Cuda}});
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
  return o;
}

std::string FormatScale(double scale) {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", scale);
  return text;
}

std::string DefaultOutput(const std::string& input, double scale, devhost::Depth depth) {
  const std::filesystem::path in(input);
  std::string ext = in.extension().string();
  if (ext.empty() || (depth == devhost::Depth::F32 && !devhost::HoldsFloat(input))) ext = ".exr";
  return (std::filesystem::path("out") / (in.stem().string() + "_x" + FormatScale(scale) + ext)).string();
}

std::string ErrorName(PF_Err err) {
  switch (err) {
    case PF_Err_OUT_OF_MEMORY: return "out of memory (the output may be too large)";
    case A_Err_MISSING_SUITE: return "a host suite is missing";
    case PF_Err_INTERNAL_STRUCT_DAMAGED: return "internal structure damaged";
    case PF_Err_UNRECOGNIZED_PARAM_TYPE: return "unrecognised pixel format";
    case PF_Err_BAD_CALLBACK_PARAM: return "bad callback parameter";
    default: return "host error";
  }
}

// Notices and messages are for the user even when the render succeeds (an interlaced frame
// renders red and says why).
std::string Utf8(const std::u16string& text) {
  return WideToUtf8(std::wstring(text.begin(), text.end()));
}

// Each report stays on one line of stderr.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

void ReportHostMessages(devhost::Host& host) {
  for (const devhost::Notice& n : host.notices) {
    std::fprintf(stderr, "tessgrain-render: notice: %s: %s\n", OneLine(Utf8(n.title)).c_str(),
                 OneLine(Utf8(n.text)).c_str());
  }
  for (const std::string& msg : host.shown_messages) {
    std::fprintf(stderr, "tessgrain-render: effect message: %s\n", OneLine(msg).c_str());
  }
  host.shown_messages.clear();
  host.notices.clear();
}

void PrintGeometry(devhost::Host& host, const devhost::Image& layer) {
  devhost::PreRenderResult r = host.SmartPreRender(layer);
  ReportHostMessages(host);
  const PF_PreRenderOutput& out = r.output;
  if (r.err != PF_Err_NONE || out.pre_render_data == nullptr) {
    Fail("pre-render failed: " + ErrorName(r.err) + " (code " + std::to_string(r.err) + ")");
  }
  // A real host frees the record after the render; this run ends at the pre-render.
  struct Release {
    const PF_PreRenderOutput& out;
    ~Release() {
      if (out.delete_pre_render_data_func) out.delete_pre_render_data_func(out.pre_render_data);
    }
  } release{out};
  const ScaleParams& p = static_cast<const ScaleInfo*>(out.pre_render_data)->params;
  std::printf(
      "{\"result_rect\":[%d,%d,%d,%d],\"max_result_rect\":[%d,%d,%d,%d],"
      "\"anchor_x\":%.9g,\"anchor_y\":%.9g,\"flags\":%d}\n",
      out.result_rect.left, out.result_rect.top, out.result_rect.right, out.result_rect.bottom,
      out.max_result_rect.left, out.max_result_rect.top, out.max_result_rect.right,
      out.max_result_rect.bottom, static_cast<double>(p.anchor_x), static_cast<double>(p.anchor_y),
      static_cast<int>(out.flags));
}

// The dialog command: the companion keeps a transcript of the exchange, since the effect keeps
// the answer to itself.
int RunDialog(const Options& o) {
  std::string load_error;
  const std::unique_ptr<devhost::Module> module = devhost::Module::Load(o.module, &load_error);
  if (!module) Fail(load_error);
  devhost::Host host(module->EffectMain(), o.host);
  const PF_Err setup = host.GlobalSetup();
  if (setup != PF_Err_NONE) {
    ReportHostMessages(host);
    Fail("the effect's set-up failed: " + ErrorName(setup) + " (code " + std::to_string(setup) + ")");
  }
  const std::filesystem::path transcript =
      std::filesystem::temp_directory_path() /
      ("tessgrain-dialog-" + std::to_string(static_cast<long>(getpid())) + ".txt");
  std::filesystem::remove(transcript);
  setenv("ORBISK_TRANSCRIPT", transcript.c_str(), 1);
  const PF_Err err = host.DoDialog();
  unsetenv("ORBISK_TRANSCRIPT");
  std::ifstream file(transcript, std::ios::binary);
  const std::string exchange((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::filesystem::remove(transcript);
  if (err != PF_Err_NONE) Fail("the dialog command failed: " + ErrorName(err) + " (code " + std::to_string(err) + ")");
  if (exchange.empty()) Fail("the companion did not run: it belongs beside the effect module, named Orbisk.exe");
  std::fputs(exchange.c_str(), stdout);
  std::printf("tessgrain-render: dialog command done\n");
  return 0;
}

int Run(int argc, char** argv) {
  Options o = ParseArguments(argc, argv);
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (o.dialog) return RunDialog(o);
  const bool sample = o.input.empty();
  const bool premiere = o.host == devhost::HostApp::PremierePro;
  if (premiere && o.print_geometry) Fail("--print-geometry shows the After Effects pre-render: use --host ae");
  if (premiere && o.depth == devhost::Depth::U16) {
    Fail("Premiere Pro renders 8-bit and float frames only: use --depth 8 or --depth 32");
  }

  const std::string input = sample ? std::string(TESSGRAIN_SAMPLE) : o.input;
  devhost::Image layer;
  std::string error;
  if (!devhost::ReadImageFile(input, o.depth, &layer, &error)) Fail(error);
  if (premiere && layer.depth == devhost::Depth::U16) {
    Fail(input + " holds 16-bit samples, which Premiere Pro does not render: use --depth 8 or --depth 32");
  }

  std::string load_error;
  const std::unique_ptr<devhost::Module> module = devhost::Module::Load(o.module, &load_error);
  if (!module) Fail(load_error);
  // Registration, as a host scanning its plug-ins does it.
  const char* host_name = premiere ? "Premiere Pro" : "After Effects";
  const devhost::Registration reg =
      devhost::Register(module->PluginDataEntry(), host_name, o.host_version.c_str());
  if (reg.result != PF_Err_NONE || !reg.called) {
    Fail(std::string("the plug-in refused to register with ") + host_name + " " + o.host_version +
         " (code " + std::to_string(reg.result) + ")");
  }

  devhost::Host host(module->EffectMain(), o.host);
  if (o.api_version) {
    host.api_major = static_cast<A_short>(o.api_version->first);
    host.api_minor = static_cast<A_short>(o.api_version->second);
  }
  PF_Err setup = host.GlobalSetup();
  if (setup == PF_Err_NONE) setup = host.ParamsSetup();
  devhost::EffectParams& params = host.params;
  params.scale = o.scale.value_or(sample ? 8.0 : 4.0);
  params.interpolation = o.interpolation.value_or(sample ? 3 : 1);
  params.edge_blur = o.edge_blur;
  params.pixel_shape = o.shape.value_or(premiere ? 2 : 1);
  params.gpu = o.gpu != devhost::GpuChoice::Off;
  host.gpu = o.gpu;
  if (o.anchor) {
    host.anchor_x = o.anchor->first;
    host.anchor_y = o.anchor->second;
  }
  host.downsample_x = host.downsample_y = o.downsample;
  host.field = o.field;
  if (setup == PF_Err_NONE && !premiere) setup = host.UpdateParamsUI();
  if (setup != PF_Err_NONE) {
    ReportHostMessages(host);
    Fail("the effect's set-up failed: " + ErrorName(setup) + " (code " + std::to_string(setup) + ")");
  }

  if (o.print_geometry) {
    PrintGeometry(host, layer);
    return 0;
  }

  const std::string output = o.output.empty() ? DefaultOutput(input, params.scale, layer.depth) : o.output;
  // Refused before rendering, which may take a while at a large scale.
  if (layer.depth == devhost::Depth::F32 && !devhost::HoldsFloat(output)) {
    Fail("float output needs an .exr, .tif or .tiff file, not " + output);
  }

  if (o.gpu != devhost::GpuChoice::Off) {
    if (premiere) Fail("--gpu renders through After Effects' smart render: use --host ae");
    std::string why;
    if (!host.OpenGpu(&why)) Fail("--gpu " + std::string(o.gpu == devhost::GpuChoice::Cuda ? "cuda" : "opencl") + ": " + why);
  }
  devhost::RenderResult r = premiere ? host.RenderLegacy(layer) : host.RenderSmart(layer);
  ReportHostMessages(host);
  if (!r.host_error.empty()) Fail("render failed: " + r.host_error);
  if (r.err != PF_Err_NONE || r.image.bytes.empty()) {
    Fail("render failed: " + ErrorName(r.err) + " (code " + std::to_string(r.err) + ")");
  }
  if (o.output.empty()) std::filesystem::create_directories(std::filesystem::path(output).parent_path());
  if (!devhost::WriteImageFile(output, r.image, &error)) Fail(error);
  std::printf("tessgrain-render: wrote %s (%dx%d%s)\n", output.c_str(), r.image.width, r.image.height,
              r.on_gpu ? (", on " + host.Gpu().device->Name()).c_str() : "");
  return 0;
}

// A resource the effect left unbalanced does not spoil the frame, but it is a fault to know of.
void WarnImbalance(const std::string& message) {
  std::fprintf(stderr, "tessgrain-render: warning: %s\n", message.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  devhost::SetImbalanceHandler(&WarnImbalance);
  try {
    return Run(argc, argv);
  } catch (const UserError& e) {
    std::fprintf(stderr, "tessgrain-render: %s\n", e.message.c_str());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "tessgrain-render: out of memory\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessgrain-render: %s\n", e.what());
  }
  return 1;
}
