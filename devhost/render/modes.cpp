#include "devhost/render/modes.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "devhost/render/compare_sheet.h"
#include "devhost/render/console.h"
#include "devhost/render/frame_list.h"
#include "devhost/render/image_io.h"
#include "devhost/render/output_names.h"
#include "devhost/render/platform.h"
#include "devhost/render/raw_frames.h"
#include "devhost/render/worker_pool.h"
#include "engine/core/settings.h"

namespace fs = std::filesystem;

namespace devhost {

namespace {

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

// ---- Runs ------------------------------------------------------------------------------------

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

const Receiver kNoReceiver = [](const Frame&, const Image&) { return true; };

// Settings every run shares; frames with files are read and written as image files, or as raw
// frames with --raw.
RunSettings BaseSettings(const Options& o) {
  RunSettings r;
  r.on_main_host = o.gpu != GpuChoice::Off;
  r.jobs = o.jobs.value_or(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  if (r.on_main_host && r.jobs > 1 && o.jobs) {
    Console::Get().Message("note: --gpu renders one frame at a time, on the one device");
  }
  r.skip_existing = o.skip_existing;
  r.premiere = o.host == HostApp::PremierePro;
  r.stopped = [] { return InterruptStatus() != 0; };
  if (o.raw) {
    const RawLayout layout{o.raw->first, o.raw->second, o.pix_fmt.value_or(PixFmt::Rgba)};
    r.read = [layout](const std::string& path, Image* layer, std::string* error) {
      return ReadRawFile(path, layout, layer, error);
    };
    r.write = [](const std::string& path, const Image& image, const std::function<bool(int)>&,
                 std::string* error) {
      return WriteInPlace(
          path,
          [&](const std::string& to, std::string* why) { return WriteRawFile(to, image, why); },
          error);
    };
  } else {
    r.read = [depth = o.depth](const std::string& path, Image* layer, std::string* error) {
      return ReadImageFile(path, depth, layer, error);
    };
    r.write = [background = o.background](const std::string& path, const Image& image,
                                          const std::function<bool(int)>& rows_written,
                                          std::string* error) {
      WriteSettings settings{background, rows_written};
      return WriteInPlace(
          path,
          [&](const std::string& to, std::string* why) {
            return WriteImageFile(to, image, settings, why);
          },
          error);
    };
  }
  return r;
}

}  // namespace

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

// With --skip-existing, an output that exists is left as it is, and that is a success.
bool Skipped(const Options& o, const std::string& output) {
  std::error_code ec;
  if (!o.skip_existing || !fs::exists(output, ec)) return false;
  if (!o.quiet) Console::Get().Message("skipped " + output + " (already written)");
  return true;
}

void CheckFloatOutput(bool float_samples, const std::string& output) {
  // Refused before rendering, which may take a while at a large scale.
  if (float_samples && !HoldsFloat(output)) {
    Fail("float output needs an .exr, .tif or .tiff file, not " + output);
  }
}

// The one output of a single input: the file -o names, or a name after the input with `tag` in
// the folder it names; checked against the overwrite rules before anything renders. Null when
// --skip-existing finds it written.
std::optional<OutputPlace> SingleOutput(const Options& o, const std::string& input,
                                        const std::string& tag, const Image& layer) {
  OutputPlace place = PlaceOutput(o.output);
  const bool float_samples = layer.depth == Depth::F32;
  if (!place.folder.empty())
    place.file = Join(place.folder, DefaultName(input, tag, float_samples));
  CheckFloatOutput(float_samples, place.file);
  RefuseOverwrites({input}, {place.file});
  if (Skipped(o, place.file)) return std::nullopt;
  WarnAboutAlpha(o, place.file);
  return place;
}

int RunOne(const Options& o, Session& s, const std::string& input, Image layer) {
  const std::optional<OutputPlace> place =
      SingleOutput(o, input, "_x" + FormatNumber(s.host->params.scale), layer);
  if (!place) return 0;
  const std::string& output = place->file;
  if (place->make_folder) fs::create_directories(place->folder);
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
  const std::optional<OutputPlace> place =
      SingleOutput(o, input, "_x" + FormatNumber(base.scale) + "_compare", layer);
  if (!place) return 0;
  const std::string& output = place->file;

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
  const RunStats stats =
      RenderFrames(*s.host, feed, settings, [&](const Frame&, const Image& image) {
        cells.push_back(image);
        return true;
      });
  if (stats.failed > 0 || cells.size() != 9) return 1;
  const Image sheet = ComposeSheet(columns, rows, cells);
  if (place->make_folder) fs::create_directories(place->folder);
  std::string error;
  if (!WriteInPlace(
          output,
          [&](const std::string& path, std::string* why) {
            return WriteImageFile(path, sheet, WriteSettings{o.background, {}}, why);
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
    place = PlaceOutput(o.output);
    if (place.folder.empty()) {
      Fail("several frames need an output pattern such as up_%04d.png or a folder, not " +
           o.output);
    }
  }
  const bool float_samples = o.depth == Depth::F32;
  const std::string scale = "_x" + FormatNumber(s.host->params.scale);
  std::vector<Frame> frames;
  std::vector<std::string> inputs, outputs;
  for (size_t i = 0; i < sources.size(); ++i) {
    Frame f;
    f.name = f.input = sources[i].path;
    f.output = pattern ? pattern->Format(sources[i].number.value_or(static_cast<long>(i + 1)))
                       : Join(place.folder, DefaultName(f.input, scale, float_samples));
    inputs.push_back(f.input);
    outputs.push_back(f.output);
    frames.push_back(std::move(f));
  }
  // All of them before the first frame renders: a folder into itself would otherwise read back
  // what it has just written.
  RefuseOverwrites(inputs, outputs);
  if (!o.raw) CheckFloatOutput(float_samples, frames[0].output);
  if (!o.raw) WarnAboutAlpha(o, frames[0].output);
  if (place.make_folder) fs::create_directories(place.folder);

  RunSettings settings = BaseSettings(o);
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
  std::error_code ec;
  if (!to_stdout) {
    if (fs::is_directory(o.output, ec)) {
      Fail("-o " + o.output +
           " is a folder: --raw writes one stream, to a file or standard output");
    }
    CheckFolder(fs::path(o.output).parent_path().string(), o.output);
    RefuseOverwrites(from_stdin ? std::vector<std::string>{} : o.inputs, {o.output});
    if (Skipped(o, o.output)) return 0;
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
      from_stdin ? nullptr : std::fopen(o.inputs[0].c_str(), "rb"), &std::fclose);
  if (from_stdin) {
    UseBinaryMode(stdin);
  } else if (!file) {
    Fail("cannot read " + o.inputs[0] + ": it cannot be opened");
  }
  RawStreamOutput out(to_stdout ? "" : o.output);
  std::string error;
  if (!out.Open(&error)) Fail(error);
  RawStreamFeed feed(from_stdin ? stdin : file.get(), from_stdin ? "standard input" : o.inputs[0],
                     layout);
  RunStats stats =
      RenderFrames(*s.host, feed, BaseSettings(o), [&](const Frame& frame, const Image& image) {
        if (out.Write(image, &error)) return true;
        Console::Get().Message("cannot write " + frame.name + " to " + out.Name() + ": " + error);
        return false;
      });
  // A stream with a frame missing, or cut short, is never given its name.
  if (stats.failed == 0 && InterruptStatus() == 0 && !out.Finish(&error)) {
    Console::Get().Message(error);
    stats.failed += stats.written;
    stats.written = 0;
  }
  if (!o.quiet) {
    Console::Get().Message(SummaryText(stats, s.host->params, " to " + out.Name()) + " (" +
                           PixFmtName(layout.fmt) + ")");
  }
  return stats.failed > 0 ? 1 : 0;
}

}  // namespace devhost
