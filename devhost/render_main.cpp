// tessgrain-render: renders image files, frame sequences and raw video frames through the effect,
// driven by devhost the way After Effects (smart pre-render and render) or Premiere Pro (frame
// set-up and render) drives it, on render threads of one host like a host's multi-frame rendering.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "devhost/compare_sheet.h"
#include "devhost/frame_list.h"
#include "devhost/host.h"
#include "devhost/image_io.h"
#include "devhost/module.h"
#include "devhost/raw_frames.h"
#include "devhost/render_console.h"
#include "devhost/render_options.h"
#include "devhost/render_pipeline.h"
#include "devhost/render_platform.h"
#include "engine/core/settings.h"

namespace fs = std::filesystem;
using namespace devhost;

namespace {

// The sample shows what Nearest AA adds: at a whole scale an edge blur of 1 matches Nearest.
constexpr double kSampleScale = 8.0;
constexpr double kSampleEdgeBlur = 3.0;

std::string FormatNumber(double v) {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", v);
  return text;
}

// The loaded module and the host that set it up; render threads are made from this host.
struct Session {
  std::unique_ptr<Module> module;
  std::unique_ptr<Host> host;
};

Session SetUp(const Options& o, bool sample) {
  const bool premiere = o.host == HostApp::PremierePro;
  Session s;
  std::string load_error;
  s.module = Module::Load(o.module, &load_error);
  if (!s.module) Fail(load_error);
  // Registration, as a host scanning its plug-ins does it.
  const char* host_name = premiere ? "Premiere Pro" : "After Effects";
  const Registration reg = Register(s.module->PluginDataEntry(), host_name, o.host_version.c_str());
  if (reg.result != PF_Err_NONE || !reg.called) {
    Fail(std::string("the plug-in refused to register with ") + host_name + " " + o.host_version +
         " (code " + std::to_string(reg.result) + ")");
  }
  s.host = std::make_unique<Host>(s.module->EffectMain(), o.host);
  Host& host = *s.host;
  if (o.api_version) {
    host.api_major = static_cast<A_short>(o.api_version->first);
    host.api_minor = static_cast<A_short>(o.api_version->second);
  }
  PF_Err setup = host.GlobalSetup();
  if (setup == PF_Err_NONE) setup = host.ParamsSetup();
  EffectParams& params = host.params;
  params.scale = o.scale.value_or(sample ? kSampleScale : 4.0);
  params.interpolation = o.interpolation.value_or(sample ? 3 : 1);
  params.edge_blur = o.edge_blur.value_or(sample ? kSampleEdgeBlur : 1.0);
  params.pixel_shape = o.shape.value_or(premiere ? 2 : 1);
  params.gpu = o.gpu != GpuChoice::Off;
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
    Fail("the effect's set-up failed: " + ErrorText(setup));
  }
  if (o.gpu != GpuChoice::Off) {
    if (premiere) Fail("--gpu renders through After Effects' smart render: use --host ae");
    std::string why;
    if (!host.OpenGpu(&why)) {
      Fail(o.gpu == GpuChoice::Cuda ? "--gpu cuda: no CUDA device was found (" + why + ")"
                                    : "--gpu opencl: " + why);
    }
  }
  return s;
}

void PrintGeometry(Host& host, const Image& layer) {
  PreRenderResult r = host.SmartPreRender(layer);
  ReportHostMessages(host);
  const PF_PreRenderOutput& out = r.output;
  if (r.err != PF_Err_NONE || out.pre_render_data == nullptr)
    Fail("pre-render failed: " + ErrorText(r.err));
  // A real host frees the record after the render; this run ends at the pre-render.
  struct Release {
    const PF_PreRenderOutput& out;
    ~Release() {
      if (out.delete_pre_render_data_func) out.delete_pre_render_data_func(out.pre_render_data);
    }
  } release{out};
  const ScaleInfo& p = *static_cast<const ScaleInfo*>(out.pre_render_data);
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
  const std::unique_ptr<Module> module = Module::Load(o.module, &load_error);
  if (!module) Fail(load_error);
  Host host(module->EffectMain(), o.host);
  const PF_Err setup = host.GlobalSetup();
  if (setup != PF_Err_NONE) {
    ReportHostMessages(host);
    Fail("the effect's set-up failed: " + ErrorText(setup));
  }
  const fs::path transcript =
      fs::temp_directory_path() / ("tessgrain-dialog-" + std::to_string(ProcessId()) + ".txt");
  fs::remove(transcript);
  SetEnvironment("ORBISK_TRANSCRIPT", transcript.string().c_str());
  const PF_Err err = host.DoDialog();
  SetEnvironment("ORBISK_TRANSCRIPT", nullptr);
  std::ifstream file(transcript, std::ios::binary);
  const std::string exchange((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  file.close();
  fs::remove(transcript);
  if (err != PF_Err_NONE) Fail("the dialog command failed: " + ErrorText(err));
  if (exchange.empty())
    Fail("the companion did not run: it belongs beside the effect module, named Orbisk.exe");
  std::fputs(exchange.c_str(), stdout);
  std::printf("tessgrain-render: dialog command done\n");
  return 0;
}

// ---- Naming ----------------------------------------------------------------------------------

bool EndsInSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

// out/<stem>_x<scale><extension>, or _compare for a sheet; float samples need a float format.
std::string DefaultName(const std::string& input, const std::string& tag, bool float_samples) {
  const fs::path in(input);
  std::string ext = in.extension().string();
  if (ext.empty() || (float_samples && !HoldsFloat(input))) ext = ".exr";
  return in.stem().string() + tag + ext;
}

// Where the outputs go: into a folder under default names, or one named file.
struct OutputPlace {
  std::string folder;  // empty: file is the output
  std::string file;
  bool make_folder = false;
};

void CheckFolder(const std::string& folder, const std::string& output) {
  std::error_code ec;
  if (!folder.empty() && !fs::is_directory(folder, ec)) {
    Fail("the folder " + folder + " does not exist (for -o " + output +
         "); make it first, or end -o with / to have it made");
  }
}

OutputPlace PlaceOutput(const Options& o) {
  std::error_code ec;
  if (o.output.empty()) return {"out", "", true};
  if (EndsInSeparator(o.output)) return {o.output, "", true};
  if (fs::is_directory(o.output, ec)) return {o.output, "", false};
  CheckFolder(fs::path(o.output).parent_path().string(), o.output);
  return {"", o.output, false};
}

std::string Join(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / name).string();
}

// ---- What the user is told ------------------------------------------------------------------

std::string SettingsText(const EffectParams& p) {
  static const char* const kInterp[] = {"nearest", "linear", "nearest-aa"};
  static const char* const kShape[] = {"point", "square", "circle"};
  // What the effect renders with: the edge blur at most the scale.
  const RenderSettings s =
      ResolveSettings({p.scale, static_cast<double>(p.interpolation), p.edge_blur,
                       p.gpu ? 1.0 : 0.0, static_cast<double>(p.pixel_shape)});
  std::string text = kInterp[std::clamp<int32_t>(s.type, 0, 2)];
  if (s.type == SCALE_NEAREST_NEIGHBOR_AA) text += " (edge blur " + FormatNumber(s.edge_blur) + ")";
  return text + ", " + kShape[std::clamp(s.pixel_shape, 0, 2)] + " shape";
}

// Output size against input size; the point shape's border is the usual surprise.
std::string GeometryText(const RunStats& s, const EffectParams& p) {
  std::string text = std::to_string(s.out_width) + "x" + std::to_string(s.out_height) + " from " +
                     std::to_string(s.in_width) + "x" + std::to_string(s.in_height) + " at x" +
                     FormatNumber(p.scale) + ", " + SettingsText(p);
  if (p.pixel_shape == 1) {
    text += ": a transparent border of half a source pixel (" + FormatNumber(p.scale / 2) +
            (p.scale == 2 ? " output pixel" : " output pixels") +
            ") on each side; --shape square gives x" + FormatNumber(p.scale) + " exactly";
  }
  return text;
}

void WarnAboutAlpha(const Options& o, const std::string& output) {
  if (!o.background && !HoldsAlpha(output)) {
    Console::Get().Message(
        "warning: " + fs::path(output).extension().string() +
        " files keep no alpha: transparent pixels (the point shape's border among "
        "them) come out black; --background COLOUR composites over a colour instead");
  }
}

std::string SummaryText(const RunStats& s, const EffectParams& p, const std::string& where) {
  std::string text =
      std::to_string(s.written) + (s.written == 1 ? " frame" : " frames") + " written" + where;
  if (s.failed) text += ", " + std::to_string(s.failed) + " failed";
  if (s.skipped) text += ", " + std::to_string(s.skipped) + " skipped (already written)";
  char timing[64];
  std::snprintf(timing, sizeof(timing), "; %.1f s, %.1f frames/s", s.seconds,
                s.seconds > 0 ? s.written / s.seconds : 0.0);
  text += timing;
  if (s.out_width > 0) text += "; each " + GeometryText(s, p);
  return text;
}

// ---- Feeds -----------------------------------------------------------------------------------

class ListFeed : public FrameFeed {
 public:
  explicit ListFeed(std::vector<Frame> frames) : frames_(std::move(frames)) {}
  Result Next(Frame* frame) override {
    if (next_ >= frames_.size()) return kEnd;
    *frame = std::move(frames_[next_++]);
    return kFrame;
  }
  size_t Total() const override { return frames_.size(); }

 private:
  std::vector<Frame> frames_;
  size_t next_ = 0;
};

// Frames read one after another from a stream; a short last frame is an error naming it.
class RawStreamFeed : public FrameFeed {
 public:
  RawStreamFeed(std::FILE* from, std::string source, const RawLayout& layout)
      : from_(from), source_(std::move(source)), layout_(layout) {}
  Result Next(Frame* frame) override {
    const size_t got = ReadFrameBytes(from_, &bytes_, layout_.FrameBytes());
    ++count_;
    if (got == 0 && !std::ferror(from_)) return kEnd;
    if (got < layout_.FrameBytes()) {
      Console::Get().Message("frame " + std::to_string(count_) + " of " + source_ +
                             " is short: " + std::to_string(got) + " of " +
                             std::to_string(layout_.FrameBytes()) + " bytes");
      return kFailed;
    }
    frame->name = "frame " + std::to_string(count_) + " of " + source_;
    frame->layer = FromRaw(layout_, bytes_.data());
    return kFrame;
  }
  size_t Total() const override { return 0; }

 private:
  std::FILE* from_;
  std::string source_;
  RawLayout layout_;
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

// ---- Runs ------------------------------------------------------------------------------------

RunSettings BaseSettings(const Options& o) {
  RunSettings r;
  r.on_main_host = o.gpu != GpuChoice::Off;
  r.jobs = o.jobs.value_or(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  if (r.on_main_host && r.jobs > 1 && o.jobs) {
    Console::Get().Message("note: --gpu renders one frame at a time, on the one device");
  }
  r.skip_existing = o.skip_existing;
  r.premiere = o.host == HostApp::PremierePro;
  r.depth = o.depth;
  r.write.background = o.background;
  return r;
}

const Receiver kNoReceiver = [](const Frame&, const Image&) {};

Image ReadOne(const Options& o, const std::string& input) {
  Image layer;
  std::string error;
  std::error_code ec;
  if (!fs::exists(input, ec) && input.find_first_of("./\\") == std::string::npos) {
    Fail("there is no file named '" + input + "' (for the options, see --help)");
  }
  if (!ReadImageFile(input, o.depth, &layer, &error)) Fail(error);
  if (o.host == HostApp::PremierePro && layer.depth == Depth::U16) {
    Fail(input +
         " holds 16-bit samples, which Premiere Pro does not render: use --depth 8 or --depth 32");
  }
  return layer;
}

void CheckFloatOutput(const Image& layer, const std::string& output) {
  // Refused before rendering, which may take a while at a large scale.
  if (layer.depth == Depth::F32 && !HoldsFloat(output)) {
    Fail("float output needs an .exr, .tif or .tiff file, not " + output);
  }
}

int RunOne(const Options& o, Session& s, const std::string& input, Image layer) {
  const OutputPlace place = PlaceOutput(o);
  const std::string output =
      place.folder.empty()
          ? place.file
          : Join(place.folder, DefaultName(input, "_x" + FormatNumber(s.host->params.scale),
                                           layer.depth == Depth::F32));
  CheckFloatOutput(layer, output);
  std::error_code ec;
  if (fs::equivalent(input, output, ec)) Fail(output + " would overwrite its own input");
  WarnAboutAlpha(o, output);
  if (place.make_folder) fs::create_directories(place.folder);
  RunSettings settings = BaseSettings(o);
  settings.single = true;
  std::vector<Frame> frames(1);
  frames[0].name = input;
  frames[0].layer = std::move(layer);
  frames[0].output = output;
  ListFeed feed(std::move(frames));
  const RunStats stats = RenderFrames(*s.host, feed, settings, kNoReceiver);
  if (stats.written == 0) return 1;
  if (!o.quiet) {
    std::printf("tessgrain-render: wrote %s (%s%s)\n", output.c_str(),
                GeometryText(stats, s.host->params).c_str(),
                stats.on_gpu ? (", on " + s.host->Gpu().device->Name()).c_str() : "");
  }
  return 0;
}

// Each interpolation down, each pixel shape across.
int RunCompare(const Options& o, Session& s, const std::string& input, Image layer) {
  const EffectParams base = s.host->params;
  const std::vector<std::string> columns = {"point", "square", "circle"};
  const std::vector<std::string> rows = {"nearest", "linear",
                                         "nearest aa, edge blur " + FormatNumber(base.edge_blur)};
  const std::string scale = "_x" + FormatNumber(base.scale);
  const OutputPlace place = PlaceOutput(o);
  const bool float_samples = layer.depth == Depth::F32;
  const std::string output =
      place.folder.empty()
          ? place.file
          : Join(place.folder, DefaultName(input, scale + "_compare", float_samples));
  CheckFloatOutput(layer, output);
  WarnAboutAlpha(o, output);

  std::vector<Frame> frames;
  for (int interp = 1; interp <= 3; ++interp) {
    for (int shape = 1; shape <= 3; ++shape) {
      Frame f;
      f.name = input + " (" + rows[interp - 1] + ", " + columns[shape - 1] + ")";
      f.layer = layer;
      f.params = base;
      f.params->interpolation = interp;
      f.params->pixel_shape = shape;
      frames.push_back(std::move(f));
    }
  }
  ListFeed feed(std::move(frames));
  std::vector<Image> cells;
  RunSettings settings = BaseSettings(o);
  const RunStats stats = RenderFrames(
      *s.host, feed, settings, [&](const Frame&, const Image& image) { cells.push_back(image); });
  if (stats.failed > 0 || cells.size() != 9) return 1;
  const Image sheet = ComposeSheet(columns, rows, cells);
  if (place.make_folder) fs::create_directories(place.folder);
  std::string error;
  if (!WriteInPlace(
          output,
          [&](const std::string& path, std::string* why) {
            return WriteImageFile(path, sheet, settings.write, why);
          },
          &error)) {
    Fail(error);
  }
  if (!o.quiet) {
    std::printf(
        "tessgrain-render: wrote %s (comparison sheet, %dx%d: %s at x%s with each interpolation "
        "down "
        "and each pixel shape across)\n",
        output.c_str(), sheet.width, sheet.height, input.c_str(), FormatNumber(base.scale).c_str());
  }
  return 0;
}

int RunSequence(const Options& o, Session& s) {
  std::vector<SourceFrame> sources;
  std::string error;
  const auto is_frame = [&](const std::string& name) {
    return o.raw ? fs::path(name).extension() == ".raw" : IsImageFileName(name);
  };
  if (!ListFrames(o.inputs, o.frames, is_frame, &sources, &error)) Fail(error);

  // Where each frame goes: a pattern keeps the frame numbers; a folder keeps default names.
  std::optional<FramePattern> pattern;
  if (!o.output.empty()) {
    pattern = FramePattern::Parse(o.output, &error);
    if (!error.empty()) Fail(error);
  }
  OutputPlace place;
  if (pattern) {
    CheckFolder(pattern->Folder(), o.output);
  } else {
    place = PlaceOutput(o);
    if (place.folder.empty()) {
      Fail("several frames need an output pattern such as up_%04d.png or a folder, not " +
           o.output);
    }
  }
  const bool float_samples = o.depth == Depth::F32;
  const std::string scale = "_x" + FormatNumber(s.host->params.scale);
  std::vector<Frame> frames;
  std::set<std::string> outputs;
  for (size_t i = 0; i < sources.size(); ++i) {
    Frame f;
    f.name = f.input = sources[i].path;
    f.output = pattern ? pattern->Format(sources[i].number.value_or(static_cast<long>(i + 1)))
                       : Join(place.folder, DefaultName(f.input, scale, float_samples));
    if (!outputs.insert(f.output).second) Fail("two frames would be written to " + f.output);
    std::error_code ec;
    if (fs::equivalent(f.input, f.output, ec)) Fail(f.output + " would overwrite its own input");
    frames.push_back(std::move(f));
  }
  if (float_samples && !o.raw && !HoldsFloat(frames[0].output)) {
    Fail("float output needs an .exr, .tif or .tiff file, not " + frames[0].output);
  }
  if (!o.raw) WarnAboutAlpha(o, frames[0].output);
  if (place.make_folder) fs::create_directories(place.folder);

  RunSettings settings = BaseSettings(o);
  if (o.raw)
    settings.raw = RawLayout{o.raw->first, o.raw->second, o.pix_fmt.value_or(PixFmt::Rgba)};
  ListFeed feed(std::move(frames));
  const RunStats stats = RenderFrames(*s.host, feed, settings, kNoReceiver);
  if (!o.quiet) {
    const std::string where = pattern ? " as " + o.output : " to " + place.folder;
    std::printf("tessgrain-render: %s\n", SummaryText(stats, s.host->params, where).c_str());
  }
  return stats.failed > 0 ? 1 : 0;
}

// Raw frames from a stream to a stream, in order.
int RunRawStream(const Options& o, Session& s) {
  const RawLayout layout{o.raw->first, o.raw->second, o.pix_fmt.value_or(PixFmt::Rgba)};
  const bool from_stdin = o.inputs.empty() || o.inputs[0] == "-";
  const bool to_stdout = o.output.empty() || o.output == "-";
  // Frames typed at or printed to a terminal are never what was meant.
  if (from_stdin && IsTerminal(stdin))
    Fail("--raw reads frames from standard input: pipe them in, or name a file");
  if (to_stdout && IsTerminal(stdout))
    Fail("--raw writes frames to standard output: pipe them on, or use -o FILE");
  std::FILE* in = stdin;
  if (from_stdin) {
    UseBinaryMode(stdin);
  } else if ((in = std::fopen(o.inputs[0].c_str(), "rb")) == nullptr) {
    Fail("cannot read " + o.inputs[0] + ": it cannot be opened");
  }
  std::FILE* out = stdout;
  std::string partial;
  if (to_stdout) {
    UseBinaryMode(stdout);
  } else {
    CheckFolder(fs::path(o.output).parent_path().string(), o.output);
    partial = PartialName(o.output);
    if ((out = std::fopen(partial.c_str(), "wb")) == nullptr) Fail("cannot write " + o.output);
  }
  const std::string source = from_stdin ? "standard input" : o.inputs[0];
  const std::string target = to_stdout ? "standard output" : o.output;
  RawStreamFeed feed(in, source, layout);
  bool write_failed = false;
  const RunStats stats =
      RenderFrames(*s.host, feed, BaseSettings(o), [&](const Frame& frame, const Image& image) {
        if (write_failed) return;
        if (!WriteRaw(out, image)) {
          write_failed = true;
          Console::Get().Message("cannot write " + frame.name + " to " + target);
        }
      });
  if (std::fflush(out) != 0) write_failed = true;
  if (!from_stdin) std::fclose(in);
  if (!to_stdout) {
    write_failed = std::fclose(out) != 0 || write_failed;
    std::error_code ec;
    if (!write_failed) fs::rename(partial, o.output, ec);
    if (write_failed || ec) {
      fs::remove(partial, ec);
      write_failed = true;
    }
  }
  if (!o.quiet) {
    Console::Get().Message(SummaryText(stats, s.host->params, " to " + target) + " (" +
                           PixFmtName(layout.fmt) + ")");
  }
  return stats.failed > 0 || write_failed ? 1 : 0;
}

int Run(int argc, char** argv) {
  const Options o = ParseArguments(argc, argv);
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (o.dialog) return RunDialog(o);
  Console::Get().ShowProgress(!o.quiet && IsTerminal(stderr));
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

  const bool sample = o.inputs.empty() && !o.raw;
  if (o.raw && !sequence) {
    Session s = SetUp(o, false);
    if (o.print_geometry) {
      PrintGeometry(*s.host,
                    Image(o.raw->first, o.raw->second, DepthOf(o.pix_fmt.value_or(PixFmt::Rgba))));
      return 0;
    }
    return RunRawStream(o, s);
  }
  if (sequence) {
    if (o.print_geometry) Fail("--print-geometry takes one image");
    Session s = SetUp(o, false);
    return RunSequence(o, s);
  }
  if (o.output == "-") Fail("-o - (standard output) takes raw frames: use --raw WxH");
  const std::string input = sample ? SampleBesideTool() : o.inputs[0];
  Image layer = ReadOne(o, input);
  Session s = SetUp(o, sample);
  if (o.print_geometry) {
    PrintGeometry(*s.host, layer);
    return 0;
  }
  if (o.compare) return RunCompare(o, s, input, std::move(layer));
  // The sample comes with its sheet, unless the output was named.
  const int status = RunOne(o, s, input, sample && o.output.empty() ? layer : std::move(layer));
  if (status == 0 && sample && o.output.empty()) return RunCompare(o, s, input, std::move(layer));
  return status;
}

// A resource the effect left unbalanced does not spoil the frame, but it is a fault to know of.
void WarnImbalance(const std::string& message) { Console::Get().Message("warning: " + message); }

}  // namespace

int main(int argc, char** argv) {
  SetImbalanceHandler(&WarnImbalance);
  try {
    return Run(argc, argv);
  } catch (const UserError& e) {
    Console::Get().Message(e.message);
  } catch (const std::bad_alloc&) {
    Console::Get().Message("out of memory");
  } catch (const std::exception& e) {
    Console::Get().Message(e.what());
  }
  return 1;
}
