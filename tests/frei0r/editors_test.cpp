// The projects the editors write: Kdenlive 22.12.3 and Shotcut 22.12.22 (Debian 12) saved them,
// driven under a virtual X server, with the filter on a clip, settings off their defaults and
// keyframes (projects/; only the media path was edited). melt renders each as saved, with the
// editors' 1920x1080 scaled down to 192x108, whose 108 rows MLT can cut into slices, and every
// frame must equal, byte for byte, tessgrain-render's render of the frame the filter received, at
// the settings of that frame, composited as the project composites it.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host_frames.h"

namespace {

using namespace host_frames;

constexpr int kWidth = 192, kHeight = 108;
constexpr int kFrames = 50;  // the clip: 2 seconds at 25 frames per second
constexpr double kFps = 25;

// The filter in a project: the <filter> element whose service is frei0r.tessgrain.
struct FilterSpan {
  size_t begin = std::string::npos, end = std::string::npos;
};

FilterSpan FindFilter(const std::string& xml) {
  FilterSpan span;
  const size_t service = xml.find(">frei0r.tessgrain<");
  if (service == std::string::npos) return span;
  span.begin = xml.rfind("<filter", service);
  span.end = xml.find("</filter>", service);
  return span;
}

std::string PropertyTag(const std::string& name) { return "<property name=\"" + name + "\">"; }

// A property of the filter as saved; "" when it has none.
std::string FilterProperty(const std::string& xml, const std::string& name) {
  const FilterSpan span = FindFilter(xml);
  if (span.begin == std::string::npos) return "";
  const size_t at = xml.find(PropertyTag(name), span.begin);
  if (at == std::string::npos || at > span.end) return "";
  const size_t from = at + PropertyTag(name).size();
  return xml.substr(from, xml.find("</property>", from) - from);
}

// The project with one of the filter's properties set (added when missing).
std::string WithFilterProperty(std::string xml, const std::string& name, const std::string& value) {
  const FilterSpan span = FindFilter(xml);
  if (span.begin == std::string::npos) return xml;
  const size_t at = xml.find(PropertyTag(name), span.begin);
  if (at != std::string::npos && at < span.end) {
    const size_t from = at + PropertyTag(name).size();
    return xml.replace(from, xml.find("</property>", from) - from, value);
  }
  return xml.insert(span.end, PropertyTag(name) + value + "</property>");
}

// A keyframe's position: a clock time (HH:MM:SS.mmm, as both editors write) or a frame number.
int KeyFrame(const std::string& key) {
  int hours = 0, minutes = 0;
  double seconds = 0;
  if (std::sscanf(key.c_str(), "%d:%d:%lf", &hours, &minutes, &seconds) == 3)
    return static_cast<int>(std::lrint(kFps * (hours * 3600 + minutes * 60 + seconds)));
  return std::atoi(key.c_str());
}

// A property's value at a frame of the filter, as MLT reads an animation: a plain number, or
// keyframes "position=value;..." held before the first and after the last and linear between
// (the interpolation both editors save by default; any other kind fails the test).
double ValueAt(const std::string& text, int frame) {
  if (text.find('=') == std::string::npos) return std::stod(text);
  struct Key {
    int frame;
    double value;
  };
  std::vector<Key> keys;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find(';', from);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(from, end - from);
    const size_t eq = item.find('=');
    const char kind = eq > 0 ? item[eq - 1] : '?';
    EXPECT_TRUE(eq != std::string::npos && std::isdigit(static_cast<unsigned char>(kind)))
        << "keyframe '" << item << "' is not linear";
    keys.push_back({KeyFrame(item.substr(0, eq)), std::stod(item.substr(eq + 1))});
    from = end + 1;
  }
  if (frame <= keys.front().frame) return keys.front().value;
  for (size_t i = 1; i < keys.size(); ++i) {
    if (frame >= keys[i].frame) continue;
    const double progress = static_cast<double>(frame - keys[i - 1].frame) /
                            static_cast<double>(keys[i].frame - keys[i - 1].frame);
    return keys[i - 1].value + (keys[i].value - keys[i - 1].value) * progress;
  }
  return keys.back().value;
}

class EditorProjects : public HostFrames {
 protected:
  void SetUp() override {
    HostFrames::SetUp();
    w_ = kWidth;
    h_ = kHeight;
  }

  // The project as saved, but for its frame size: 1920x1080 scaled down.
  std::string Load(const std::string& name) {
    extension_ = fs::path(name).extension().string();
    std::string xml = Slurp(fs::path(TG_PROJECTS_DIR) / name);
    const std::string full = "width=\"1920\" height=\"1080\"";
    const size_t at = xml.find(full);
    EXPECT_NE(at, std::string::npos) << name << " has no 1920x1080 profile";
    if (at != std::string::npos)
      xml.replace(
          at, full.size(),
          "width=\"" + std::to_string(kWidth) + "\" height=\"" + std::to_string(kHeight) + "\"");
    EXPECT_NE(FindFilter(xml).begin, std::string::npos) << name << " has no tessgrain filter";
    return xml;
  }

  // The clip the editors were given (the projects name it clip.mkv, beside the project): ffmpeg's
  // test pattern at a tenth of the size, enlarged to 1920x1080 with hard edges, lossless.
  void MakeClip(const fs::path& folder) {
    fs::create_directories(folder);
    const ToolRun r = Shell("'" TG_FFMPEG
                            "' -nostdin -loglevel error -y -f lavfi -i testsrc2=s=192x108:r=25:d=2"
                            " -vf scale=1920:1080:flags=neighbor -c:v ffv1 -pix_fmt bgra '" +
                            (folder / "clip.mkv").string() + "'");
    ASSERT_EQ(r.exit_code, 0) << r.err;
  }

  // melt renders the project, written into `folder` beside its clip, to raw RGBA frames.
  std::string Render(const fs::path& folder, const std::string& xml, const std::string& env = "") {
    const fs::path project = folder / ("project" + extension_), out = folder / "out.nut";
    Spill(project, xml);
    // Kdenlive composites its tracks with MLT's Qt module, which needs an X display. A stuck
    // melt fails the test rather than hanging it.
    const std::string display = std::getenv("DISPLAY") ? "" : "xvfb-run -a ";
    ToolRun r =
        Host(env + "timeout 300 " + display + "'" TG_MELT "' -silent '" + project.string() +
             "' out=" + std::to_string(kFrames - 1) + " -consumer 'avformat:" + out.string() +
             "' vcodec=rawvideo pix_fmt=rgba an=1 real_time=-2");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    r = Shell("'" TG_FFMPEG "' -nostdin -loglevel error -y -i '" + out.string() +
              "' -f rawvideo -pix_fmt rgba out.raw");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return Slurp(dir_ / "out.raw");
  }

  // The project with the filter off, in a folder whose clip.mkv holds `frames` when given.
  std::string RenderWithoutFilter(const std::string& xml, const std::string& folder,
                                  const std::string& frames = "") {
    const fs::path where = dir_ / folder;
    if (frames.empty()) {
      MakeClip(where);
    } else {
      fs::create_directories(where);
      Spill(where / "frames.raw", frames);
      const ToolRun r =
          Shell("'" TG_FFMPEG "' -nostdin -loglevel error -y -f rawvideo -pix_fmt rgba -s " +
                std::to_string(kWidth) + "x" + std::to_string(kHeight) + " -r 25 -i '" +
                (where / "frames.raw").string() + "' -c:v ffv1 -pix_fmt bgra '" +
                (where / "clip.mkv").string() + "'");
      EXPECT_EQ(r.exit_code, 0) << r.err;
    }
    return Render(where, WithFilterProperty(xml, "disable", "1"), "");
  }

  // What the project must show: the frames the filter receives (the project rendered with the
  // filter off), each enlarged by tessgrain-render with the settings of its frame, composited by
  // the project itself (rendered again with the filter off, those frames in place of the clip).
  std::string Want(const std::string& xml) {
    const std::string input = RenderWithoutFilter(xml, "input");
    const size_t frame = static_cast<size_t>(kWidth) * kHeight * 4;
    EXPECT_EQ(input.size(), frame * kFrames);
    if (input.size() != frame * kFrames) return "";
    std::string effect;
    for (int f = 0; f < kFrames; ++f) {
      const Setting s = {ValueAt(FilterProperty(xml, "Scale"), f),
                         ValueAt(FilterProperty(xml, "Interpolation"), f),
                         ValueAt(FilterProperty(xml, "Edge Blur"), f),
                         ValueAt(FilterProperty(xml, "Pixel Shape"), f),
                         ValueAt(FilterProperty(xml, "Anchor X"), f),
                         ValueAt(FilterProperty(xml, "Anchor Y"), f)};
      Spill(dir_ / "frame.raw", input.substr(f * frame, frame));
      effect += Expected(s, "frame.raw", 1);
    }
    return RenderWithoutFilter(xml, "effect", effect);
  }

  // The project as saved; then with threads at 0, which MLT reads as one slice per processor
  // (four here, on any machine): each slice is then enlarged about its own centre, in strips,
  // and the check must see it.
  void Check(const std::string& name) {
    const std::string xml = Load(name);
    EXPECT_EQ(FilterProperty(xml, "threads"), "1");
    const std::string want = Want(xml);
    ASSERT_FALSE(want.empty());
    MakeClip(dir_ / "saved");
    EXPECT_TRUE(SameFrames(want, Render(dir_ / "saved", xml), kFrames));
    EXPECT_FALSE(SameFrames(
        want,
        Render(dir_ / "saved", WithFilterProperty(xml, "threads", "0"), "MLT_SLICES_COUNT=4 "),
        kFrames))
        << "the check does not see the strips";
  }

  std::string extension_;
};

TEST_F(EditorProjects, KdenlivesProjectRendersTheEffectsFramesAndStripsWithThreadsAtZero) {
  Check("kdenlive-22.12.3.kdenlive");
}

TEST_F(EditorProjects, ShotcutsProjectRendersTheEffectsFramesAndStripsWithThreadsAtZero) {
  Check("shotcut-22.12.22.mlt");
}

}  // namespace
