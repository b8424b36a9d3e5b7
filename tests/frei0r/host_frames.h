// What the frei0r filter's frames in a host must equal: tessgrain-render's render of the same
// frame with the same settings (the effect, loaded and driven as After Effects drives it), cropped
// to the frame; and the byte-for-byte comparison of a host's frames with them.
#pragma once
#include <cstdio>
#include <string>

#include "../devhost/tool_run.h"

namespace host_frames {

using namespace tool_run;

// Parameter values as a host holds them, in the filter's order.
struct Setting {
  double scale, interpolation, edge_blur, shape, anchor_x, anchor_y;
};

inline std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.17g", v);
  return text;
}

class HostFrames : public ToolTest {
 protected:
  // The host's command line, finding the filter where the build put it.
  ToolRun Host(const std::string& command) {
    return Shell("FREI0R_PATH='" TG_FREI0R_DIR "' " + command);
  }

  // tessgrain-render on `frames` raw frames of the frame size in the file `input`, every frame
  // cropped to the frame.
  std::string Expected(const Setting& s, const std::string& input, int frames) {
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
    r = Run(args + " --quiet <" + input);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const std::string& whole = r.out;
    const size_t ww = static_cast<size_t>(right - left), wh = static_cast<size_t>(bottom - top);
    EXPECT_EQ(whole.size(), ww * wh * 4 * frames);
    if (whole.size() != ww * wh * 4 * frames) return "";

    std::string crop(static_cast<size_t>(w_) * h_ * 4 * frames, '\0');
    for (int f = 0; f < frames; ++f) {
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

  int w_ = 0, h_ = 0;
};

}  // namespace host_frames
