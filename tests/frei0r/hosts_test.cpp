// The filter in real hosts nobody here wrote: ffmpeg and melt render frames of a generated test
// pattern through tessgrain.so, and each frame must equal, byte for byte, tessgrain-render's render
// of the same frame (the effect, loaded and driven as After Effects drives it) cropped to the
// frame.
#include <cstdio>
#include <string>
#include <vector>

#include "../devhost/tool_run.h"

namespace {

using namespace tool_run;

// Parameter values as a host holds them, in the filter's order.
struct Setting {
  double scale, interpolation, edge_blur, shape, anchor_x, anchor_y;
};

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.17g", v);
  return text;
}

class Frei0rHosts : public ToolTest {
 protected:
  // Frames of bars that move from frame to frame, a gradient, and transparent and half
  // transparent areas whose colour the Nearest copies keep and the blends drop.
  void MakePattern(int w, int h, int frames) {
    std::string bytes;
    for (int f = 0; f < frames; ++f) {
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const int bar = ((x + 3 * f) / 4 + y / 5) % 4;
          const uint8_t alpha = x % 11 == 0 ? 0 : y % 7 == 0 ? 128 : 255;
          const uint8_t px[4] = {static_cast<uint8_t>(bar * 80), static_cast<uint8_t>(255 * x / w),
                                 static_cast<uint8_t>(255 * y / h + 9 * f), alpha};
          bytes.append(reinterpret_cast<const char*>(px), 4);
        }
      }
    }
    Spill(dir_ / "in.raw", bytes);
    w_ = w;
    h_ = h;
    frames_ = frames;
  }

  // A host's command line, finding the filter where the build put it.
  ToolRun Host(const std::string& command) {
    return Shell("FREI0R_PATH='" TG_FREI0R_DIR "' " + command);
  }

  // tessgrain-render on the pattern with the same settings: every frame cropped to the frame.
  std::string Expected(const Setting& s) {
    static const char* const kInterp[] = {"nearest", "linear", "nearest-aa"};
    static const char* const kShape[] = {"point", "square", "circle"};
    const std::string size = std::to_string(w_) + "x" + std::to_string(h_);
    const std::string args = "--raw " + size + " --scale " + Number(64 * s.scale) + " --interp " +
                             kInterp[Choice(s.interpolation)] + " --edge-blur " +
                             Number(64 * s.edge_blur) + " --shape " + kShape[Choice(s.shape)] +
                             " --anchor " + Number(s.anchor_x * w_) + "," + Number(s.anchor_y * h_);
    ToolRun r = Run(args + " --print-geometry");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    int left = 0, top = 0, right = 0, bottom = 0;
    EXPECT_EQ(
        std::sscanf(r.out.c_str(), "{\"result_rect\":[%d,%d,%d,%d]", &left, &top, &right, &bottom),
        4)
        << r.out;
    r = Run(args + " --quiet <in.raw");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const std::string& whole = r.out;
    const size_t ww = static_cast<size_t>(right - left), wh = static_cast<size_t>(bottom - top);
    EXPECT_EQ(whole.size(), ww * wh * 4 * frames_);
    if (whole.size() != ww * wh * 4 * frames_) return "";

    std::string crop(static_cast<size_t>(w_) * h_ * 4 * frames_, '\0');
    for (int f = 0; f < frames_; ++f) {
      for (int y = 0; y < h_; ++y) {
        for (int x = 0; x < w_; ++x) {
          const int64_t wx = x - left, wy = y - top;
          if (wx < 0 || wy < 0 || wx >= static_cast<int64_t>(ww) || wy >= static_cast<int64_t>(wh))
            continue;
          const size_t from =
              ((f * wh + static_cast<size_t>(wy)) * ww + static_cast<size_t>(wx)) * 4;
          crop.replace(((static_cast<size_t>(f) * h_ + y) * w_ + x) * 4, 4, whole, from, 4);
        }
      }
    }
    return crop;
  }

  // Frame by frame; a host may end a frame early, never late.
  ::testing::AssertionResult SameFrames(const std::string& want, const std::string& got,
                                        int at_least) const {
    const size_t frame = static_cast<size_t>(w_) * h_ * 4;
    if (got.size() % frame != 0 || got.size() > want.size() ||
        got.size() / frame < static_cast<size_t>(at_least)) {
      return ::testing::AssertionFailure()
             << "the host wrote " << got.size() << " bytes, frames of " << frame;
    }
    for (size_t i = 0; i < got.size(); ++i) {
      if (got[i] == want[i]) continue;
      const size_t pixel = i % frame / 4;
      return ::testing::AssertionFailure()
             << "frame " << i / frame << ", pixel " << pixel % w_ << "," << pixel / w_
             << " channel " << i % 4 << ": " << int(uint8_t(got[i])) << ", the effect's "
             << int(uint8_t(want[i]));
    }
    return ::testing::AssertionSuccess();
  }

  static int Choice(double v) { return v < 0.25 ? 0 : v < 0.75 ? 1 : 2; }

  int w_ = 0, h_ = 0, frames_ = 0;
};

// Every interpolation and shape, whole and fractional scales, anchors at the centre, on a corner,
// off-centre and outside the frame: one ffmpeg process runs an instance of each at once.
const Setting kSettings[] = {
    {4 / 64.0, 0.0, 1 / 64.0, 0.0, 0.5, 0.5},    {3.5 / 64.0, 0.5, 1 / 64.0, 0.5, 0.3, 0.7},
    {6 / 64.0, 1.0, 2.5 / 64.0, 0.0, 0.0, 1.0},  {2.25 / 64.0, 1.0, 1 / 64.0, 1.0, -0.2, 0.4},
    {64 / 64.0, 1.0, 3 / 64.0, 0.5, 0.61, 0.38}, {5 / 64.0, 0.0, 1 / 64.0, 0.5, 1.5, -0.25},
};

// ffmpeg hands frei0r filters its frame buffers as they are, rows padded to its alignment (64
// bytes where the processor has AVX-512), while frei0r has no row pitch: widths must fill whole
// aligned rows, so the width is a multiple of 16 here and only the height is odd.
TEST_F(Frei0rHosts, FfmpegRendersTheEffectsFramesWithAnInstanceOfEachSettingAtOnce) {
  MakePattern(48, 31, 4);
  const size_t n = std::size(kSettings);
  std::string graph = "[0:v]split=" + std::to_string(n);
  for (size_t i = 0; i < n; ++i) graph += "[i" + std::to_string(i) + "]";
  std::string outputs;
  for (size_t i = 0; i < n; ++i) {
    const Setting& s = kSettings[i];
    graph += ";[i" + std::to_string(i) + "]frei0r=tessgrain:" + Number(s.scale) + "|" +
             Number(s.interpolation) + "|" + Number(s.edge_blur) + "|" + Number(s.shape) + "|" +
             Number(s.anchor_x) + "|" + Number(s.anchor_y) + "[o" + std::to_string(i) + "]";
    outputs += " -map '[o" + std::to_string(i) + "]' -f rawvideo -pix_fmt rgba out" +
               std::to_string(i) + ".raw";
  }
  const ToolRun r = Host("'" TG_FFMPEG
                         "' -nostdin -hide_banner -loglevel error -threads 4 -filter_threads 4"
                         " -f rawvideo -pix_fmt rgba -s 48x31 -r 25 -i in.raw -filter_complex '" +
                         graph + "'" + outputs);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (size_t i = 0; i < n; ++i) {
    SCOPED_TRACE("setting " + std::to_string(i));
    EXPECT_TRUE(SameFrames(Expected(kSettings[i]),
                           Slurp(dir_ / ("out" + std::to_string(i) + ".raw")), frames_));
  }
}

// melt, the engine of Kdenlive and Shotcut, with the parameters by name as those editors set
// them, rendering frames on three worker threads, each with an instance of its own.
TEST_F(Frei0rHosts, MeltRendersTheEffectsFramesOnParallelWorkers) {
  MakePattern(47, 27, 6);
  ToolRun r = Host("'" TG_FFMPEG
                   "' -nostdin -loglevel error -f rawvideo -pix_fmt rgba -s 47x27 -r 25 -i in.raw"
                   " -c:v rawvideo -pix_fmt rgba in.nut");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const Setting& s : {kSettings[1], kSettings[2], kSettings[5]}) {
    r = Host("'" TG_MELT "' -silent in.nut -filter frei0r.tessgrain Scale=" + Number(s.scale) +
             " Interpolation=" + Number(s.interpolation) + " 'Edge Blur=" + Number(s.edge_blur) +
             "' 'Pixel Shape=" + Number(s.shape) + "' 'Anchor X=" + Number(s.anchor_x) +
             "' 'Anchor Y=" + Number(s.anchor_y) +
             "' -consumer avformat:out.nut vcodec=rawvideo pix_fmt=rgba an=1 real_time=-3");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = Shell("'" TG_FFMPEG
              "' -nostdin -loglevel error -y -i out.nut -f rawvideo -pix_fmt rgba out.raw");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // melt leaves out the last frame of such a short clip.
    EXPECT_TRUE(SameFrames(Expected(s), Slurp(dir_ / "out.raw"), frames_ - 1));
  }
}

}  // namespace
