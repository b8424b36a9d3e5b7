// The filter in real hosts nobody here wrote: ffmpeg and melt render frames of a generated test
// pattern through tessgrain.so, and each frame must equal, byte for byte, tessgrain-render's render
// of the same frame (the effect, loaded and driven as After Effects drives it) cropped to the
// frame.
#include <string>
#include <vector>

#include "host_frames.h"

namespace {

using namespace host_frames;

class Frei0rHosts : public HostFrames {
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

  // tessgrain-render on the pattern, every frame.
  std::string Expected(const Setting& s) { return HostFrames::Expected(s, "in.raw", frames_); }

  int frames_ = 0;
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
    // Under load melt now and then ends so short a clip without writing a frame, or hangs: a hang
    // fails the run, and an empty file is rendered once more (the filter's fault would fail both).
    for (int attempt = 0; attempt < 2; ++attempt) {
      r = Host("timeout 300 '" TG_MELT "' -silent in.nut -filter frei0r.tessgrain Scale=" +
               Number(s.scale) + " Interpolation=" + Number(s.interpolation) +
               " 'Edge Blur=" + Number(s.edge_blur) + "' 'Pixel Shape=" + Number(s.shape) +
               "' 'Anchor X=" + Number(s.anchor_x) + "' 'Anchor Y=" + Number(s.anchor_y) +
               "' -consumer avformat:out.nut vcodec=rawvideo pix_fmt=rgba an=1 real_time=-3");
      if (r.exit_code != 0 || !Slurp(dir_ / "out.nut").empty()) break;
    }
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = Shell("'" TG_FFMPEG
              "' -nostdin -loglevel error -y -i out.nut -f rawvideo -pix_fmt rgba out.raw");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // melt leaves out the last frame of such a short clip.
    EXPECT_TRUE(SameFrames(Expected(s), Slurp(dir_ / "out.raw"), frames_ - 1));
  }
}

}  // namespace
