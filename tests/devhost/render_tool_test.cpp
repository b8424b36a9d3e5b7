// tessgrain-render end to end with image files: the binary is run in a scratch folder and its
// files are read back with OpenImageIO, independently of the tool's own file code.
#include <OpenImageIO/imageio.h>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "image_files.h"
#include "tool_run.h"

namespace {

using namespace tool_run;
using RenderTool = ToolTest;

// What cannot be done is one line and exit status 1, with nothing written; which option says what
// is tested in process.
TEST_F(RenderTool, RefusesBadRequestsWithOneLineAndNoOutput) {
  WriteFile<uint8_t>(Path("tiny.png"), 2, 2, 3, OIIO::TypeDesc::UINT8, std::vector<uint8_t>(12, 9));
  const struct {
    const char* args;
    const char* says;
  } cases[] = {
      {"--bogus", "--bogus"},
      {"tiny.png --raw 2x2 --compare", "--compare"},
      {"missing.png", "missing.png"},
      {"tiny.png --depth 32 -o x.png", "x.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun r = Run(c.args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "out"));
    EXPECT_FALSE(fs::exists(dir_ / "x.png"));
  }
}

TEST_F(RenderTool, OutputBeyondTheHostsLimitIsAnErrorNotACrash) {
  // 600 x 600 at scale 64 asks for a world of about 38400 x 38400 pixels.
  WriteFile<uint8_t>(Path("wide.png"), 600, 600, 3, OIIO::TypeDesc::UINT8,
                     std::vector<uint8_t>(600 * 600 * 3, 50));
  const ToolRun r = Run("wide.png --scale 64 -o big.png");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(Lines(r.err), 1u) << r.err;
  EXPECT_NE(r.err.find("render failed"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "big.png"));
}

TEST_F(RenderTool, DefaultRunRendersTheSampleIntoOut) {
  const ToolRun r = Run("");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("out/sprite_x8.png"), std::string::npos) << r.out;

  const auto src = ReadFile<uint8_t>(TG_SAMPLE, OIIO::TypeDesc::UINT8);
  const auto dst = ReadFile<uint8_t>(Path("out/sprite_x8.png"), OIIO::TypeDesc::UINT8);
  ASSERT_EQ(src.spec.nchannels, 4);
  // Point shape: the layer grows by half a source pixel on each side before the x8.
  ASSERT_EQ(dst.spec.width, (src.spec.width + 1) * 8);
  ASSERT_EQ(dst.spec.height, (src.spec.height + 1) * 8);
  ASSERT_EQ(dst.spec.nchannels, 4);
  // With the anchor on a pixel corner, source pixel (i, j) covers output pixels 8i+4 .. 8i+11;
  // their middle is untouched by the edge blur, so it holds the source pixel as it is.
  int opaque = 0;
  for (int j = 0; j < src.spec.height; ++j) {
    for (int i = 0; i < src.spec.width; ++i) {
      const uint8_t* s = src.At(i, j);
      const uint8_t* d = dst.At(8 * i + 8, 8 * j + 8);
      ASSERT_EQ(d[3], s[3]) << i << "," << j;
      if (s[3] == 0) continue;
      ++opaque;
      for (int c = 0; c < 3; ++c) ASSERT_EQ(d[c], s[c]) << i << "," << j << " channel " << c;
    }
  }
  EXPECT_GT(opaque, 100);  // the sample is not blank
  EXPECT_EQ(dst.At(0, 0)[3], 0);

  // Nearest AA shows: edges between source pixels hold colours that no source pixel has (at a
  // whole scale with an edge blur of 1 there would be none), and the line says what was rendered.
  std::set<uint32_t> colours;
  for (size_t i = 0; i < src.data.size(); i += 4)
    colours.insert(uint32_t(src.data[i]) << 16 | src.data[i + 1] << 8 | src.data[i + 2]);
  int blended = 0;
  for (size_t i = 0; i < dst.data.size(); i += 4) {
    blended += dst.data[i + 3] == 255 &&
               !colours.count(uint32_t(dst.data[i]) << 16 | dst.data[i + 1] << 8 | dst.data[i + 2]);
  }
  EXPECT_GT(blended, 100);
  EXPECT_NE(r.out.find("nearest-aa (edge blur 3)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("out/sprite_x8_compare.png"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(dir_ / "out/sprite_x8_compare.png"));
}

TEST_F(RenderTool, SixteenBitSamplesMapToTheHostRangeAndBack) {
  // Every 16-bit value once per channel; alpha 0 at (0, 0) with colour behind it, and partial
  // alpha elsewhere, so that any premultiplication shows.
  const int w = 256, h = 256;
  std::vector<uint16_t> in(size_t(w) * h * 4);
  for (uint32_t v = 0; v < 65536; ++v) {
    uint16_t* p = &in[size_t(v) * 4];
    p[0] = uint16_t(v);
    p[1] = uint16_t(65535 - v);
    p[2] = uint16_t(v * 7919u);
    p[3] = uint16_t(v * 31337u);
  }
  WriteFile(Path("deep.png"), w, h, 4, OIIO::TypeDesc::UINT16, in);

  const ToolRun r = Run("deep.png --scale 1 --interp nearest --shape square -o back.png");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto out = ReadFile<uint16_t>(Path("back.png"), OIIO::TypeDesc::UINT16);
  ASSERT_EQ(out.spec.width, w);
  ASSERT_EQ(out.spec.height, h);
  ASSERT_EQ(out.spec.nchannels, 4);
  EXPECT_EQ(out.spec.format, OIIO::TypeDesc::UINT16);

  const auto through_host = [](uint16_t v) {
    const double host = std::round(v * 32768.0 / 65535.0);
    return uint16_t(std::round(host * 65535.0 / 32768.0));
  };
  int exact = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    ASSERT_EQ(out.data[i], through_host(in[i])) << "sample " << i << " was " << in[i];
    exact += out.data[i] == in[i];
  }
  EXPECT_EQ(out.data[1], 65535);  // behind alpha 0
  EXPECT_EQ(out.At(255, 255)[0], 65535);
  // The host keeps half the levels: about half the samples come back as they were.
  EXPECT_GT(exact, int(in.size()) / 3);
  EXPECT_LT(exact, int(in.size()));
}

TEST_F(RenderTool, BothHostsEnlargeIntoBlocksAtEveryDepth) {
  // 3 x 2 pixels of distinct colours; scale 2, square pixels, nearest: each becomes a 2 x 2 block.
  // The anchor sits on a pixel corner, or the odd width would shift the grid by half a pixel.
  const std::vector<float> px = {0.1f, 0.2f, 0.3f, 1.0f,  0.9f, 0.0f, 0.5f, 0.5f,
                                 0.0f, 1.0f, 0.0f, 0.25f, 1.0f, 1.0f, 1.0f, 1.0f,
                                 0.4f, 0.6f, 0.8f, 0.0f,  0.2f, 0.0f, 0.7f, 0.75f};
  WriteFile(Path("tiny.exr"), 3, 2, 4, OIIO::TypeDesc::FLOAT, px);
  for (const char* host : {"ae", "premiere"}) {
    for (const char* depth : {"8", "32"}) {
      SCOPED_TRACE(std::string(host) + " depth " + depth);
      const std::string out = std::string("o_") + host + depth + ".tif";
      const ToolRun r = Run(
          std::string("tiny.exr --scale 2 --interp nearest --shape square --anchor 0,0 --host ") +
          host + " --depth " + depth + " -o " + out);
      ASSERT_EQ(r.exit_code, 0) << r.err;
      const auto img = ReadFile<float>(Path(out), OIIO::TypeDesc::FLOAT);
      ASSERT_EQ(img.spec.width, 6);
      ASSERT_EQ(img.spec.height, 4);
      // 8-bit: the file's floats are quantised to the nearest of 256 levels on reading.
      const float tolerance = depth[0] == '8' ? 0.501f / 255 : 0.0f;
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
          for (int c = 0; c < 4; ++c) {
            ASSERT_NEAR(img.At(x, y)[c], px[size_t((y / 2) * 3 + x / 2) * 4 + c], tolerance)
                << x << "," << y << " channel " << c;
          }
        }
      }
    }
  }
}

// --gpu opencl renders on the machine's OpenCL device (PoCL here) the frame the CPU renders.
TEST_F(RenderTool, GpuFramesEqualCpuFramesAndMissingFrameworksAreRefused) {
  std::vector<float> px(9 * 7 * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<float>((i * 37) % 11) / 10.0f;
  WriteFile(Path("in.exr"), 9, 7, 4, OIIO::TypeDesc::FLOAT, px);
  ToolRun r = Run("in.exr --scale 4 --interp linear -o cpu.exr");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Run("in.exr --scale 4 --interp linear --gpu opencl -o gpu.exr");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find(", on "), std::string::npos) << "says where it rendered: " << r.out;
  const auto cpu = ReadFile<float>(Path("cpu.exr"), OIIO::TypeDesc::FLOAT);
  const auto gpu = ReadFile<float>(Path("gpu.exr"), OIIO::TypeDesc::FLOAT);
  ASSERT_EQ(cpu.data.size(), gpu.data.size());
  ASSERT_FALSE(cpu.data.empty());
  for (size_t i = 0; i < cpu.data.size(); ++i) ASSERT_NEAR(gpu.data[i], cpu.data[i], 2e-5) << i;

  r = Run("in.exr --gpu off -o off.exr");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.find(", on "), std::string::npos) << r.out;
  r = Run("in.exr --gpu metal");
  EXPECT_NE(r.exit_code, 0);
  EXPECT_EQ(r.err, "tessgrain-render: --gpu takes one of off, opencl, cuda, not 'metal'\n");
  // No CUDA device on these machines (a build without CUDA has none either).
  r = Run("in.exr --gpu cuda -o cuda.exr");
  if (r.exit_code == 0) GTEST_SKIP() << "a CUDA device rendered here: " << r.out;
  EXPECT_EQ(r.err.rfind("tessgrain-render: --gpu cuda: no CUDA device was found", 0), 0u) << r.err;
  EXPECT_EQ(Lines(r.err), 1u) << r.err;
  EXPECT_FALSE(fs::exists(Path("cuda.exr")));
}

TEST_F(RenderTool, PrintGeometryShowsThePreRenderResult) {
  WriteFile<uint8_t>(Path("square.png"), 100, 100, 4, OIIO::TypeDesc::UINT8,
                     std::vector<uint8_t>(100 * 100 * 4, 200));
  ToolRun r = Run("square.png --anchor 50,50 --scale 2 --shape point --print-geometry");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"result_rect\":[-51,-51,151,151],\"max_result_rect\":[-51,-51,151,151],"
            "\"anchor_x\":0,\"anchor_y\":0,\"flags\":1}\n");

  r = Run("square.png --anchor 50,50 --scale 2 --shape square --print-geometry --gpu opencl");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"result_rect\":[-50,-50,150,150],\"max_result_rect\":[-50,-50,150,150],"
            "\"anchor_x\":0,\"anchor_y\":0,\"flags\":3}\n");

  // Half resolution: the layer is 50 x 50 and the anchor 25, 25 in downsampled pixels.
  r = Run("square.png --anchor 50,50 --scale 2 --shape square --downsample 1/2 --print-geometry");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("\"result_rect\":[-25,-25,75,75]"), std::string::npos) << r.out;

  // A fractional anchor leaves a fractional phase: -6.2 .. 21.3 becomes -7 .. 22, phase 0.8.
  WriteFile<uint8_t>(Path("ten.png"), 10, 10, 3, OIIO::TypeDesc::UINT8,
                     std::vector<uint8_t>(300, 1));
  r = Run("ten.png --anchor 3.3,3.3 --scale 2.5 --print-geometry");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("\"result_rect\":[-7,-7,22,22]"), std::string::npos) << r.out;
  const size_t at = r.out.find("\"anchor_x\":");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NEAR(std::strtod(r.out.c_str() + at + 11, nullptr), 0.8, 1e-5);
}

TEST_F(RenderTool, DialogRunsThePopupRoundTripWithTheCompanion) {
  const ToolRun r = Run("--dialog --host premiere");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("received: {\"popup\":\"HostSettings\",\"host\":0,\"plugin\":10,\"tab\":3,"
                        "\"owner\":0}\n",
                        0),
            0u)
      << r.out;
  // The shipped companion beside the module: without windows it says what its page shows, then
  // answers.
  EXPECT_NE(r.out.find("\nsent: Orbisk Tessgrain "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nsent: json:{\"closed\":true,\"plugin\":{\"name\":\"Orbisk Tessgrain\""),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(fs::exists(dir_ / "out"));  // nothing rendered
}

TEST_F(RenderTool, ImageSequencesLeaveOtherFilesAndNameAFrameThatCannotBeRead) {
  fs::create_directories("shots");
  for (int n = 1; n <= 6; ++n) {
    WriteFile(Path("shots/shot_0" + std::to_string(n) + ".png"), 5, 4, 4, OIIO::TypeDesc::UINT8,
              Pixels(5, 4, n));
  }
  Spill("shots/shot_04.png", "not a picture");
  Spill("shots/readme.txt", "frames of the shot");
  const ToolRun r = Run("shots -o up/ --scale 2 --shape square --anchor 0,0 --jobs 3");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("cannot read shots/shot_04.png"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos) << "no progress line off a terminal";
  EXPECT_NE(r.out.find("5 frames written to up/, 1 failed"), std::string::npos) << r.out;
  std::set<std::string> written;
  for (const auto& e : fs::directory_iterator("up")) written.insert(e.path().filename().string());
  EXPECT_EQ(written, (std::set<std::string>{"shot_01_x2.png", "shot_02_x2.png", "shot_03_x2.png",
                                            "shot_05_x2.png", "shot_06_x2.png"}));
  const auto in = ReadFile<uint8_t>(Path("shots/shot_05.png"), OIIO::TypeDesc::UINT8);
  const auto out = ReadFile<uint8_t>(Path("up/shot_05_x2.png"), OIIO::TypeDesc::UINT8);
  ASSERT_EQ(out.spec.width, 10);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 10; ++x)
      ASSERT_EQ(std::memcmp(out.At(x, y), in.At(x / 2, y / 2), 4), 0) << x << "," << y;
  }
}

// Raw frames through the pipe are the pixels of the same frames as image files, at 8 and 16 bits
// (16-bit raw samples take the files' range too).
TEST_F(RenderTool, RawFramesRenderAsTheirImageFiles) {
  const std::vector<uint8_t> px8 = Pixels(5, 4, 3);
  std::vector<uint16_t> px16(px8.size());
  for (size_t i = 0; i < px16.size(); ++i) px16[i] = uint16_t(px8[i] * 257 + i);
  WriteFile(Path("f8.png"), 5, 4, 4, OIIO::TypeDesc::UINT8, px8);
  WriteFile(Path("f16.png"), 5, 4, 4, OIIO::TypeDesc::UINT16, px16);
  Spill("f8.raw", std::string(px8.begin(), px8.end()));
  Spill("f16.raw", std::string(reinterpret_cast<const char*>(px16.data()), px16.size() * 2));
  const std::string settings = " --scale 3 --interp nearest-aa --edge-blur 2";
  ToolRun r = Run("f8.png -o o8.png" + settings);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Run("--raw 5x4" + settings + " <f8.raw");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto o8 = ReadFile<uint8_t>(Path("o8.png"), OIIO::TypeDesc::UINT8);
  EXPECT_TRUE(r.out == std::string(o8.data.begin(), o8.data.end()));

  r = Run("f16.png -o o16.png" + settings);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Run("--raw 5x4 --pix-fmt rgba64le" + settings + " f16.raw -o o16.raw");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto o16 = ReadFile<uint16_t>(Path("o16.png"), OIIO::TypeDesc::UINT16);
  EXPECT_TRUE(Slurp("o16.raw") ==
              std::string(reinterpret_cast<const char*>(o16.data.data()), o16.data.size() * 2));
}

// The README's command lines: video tool, tessgrain-render, video tool.
TEST_F(RenderTool, VideoPassesThroughBetweenTwoVideoTools) {
  if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "ffmpeg is not installed";
  const std::string source = "ffmpeg -v error -f lavfi -i testsrc=size=48x28:rate=10 -frames:v 6";
  ToolRun r = Shell(
      source + " -f rawvideo -pix_fmt rgba - | \"" TG_RENDER_TOOL
               "\" --raw 48x28 --scale 4 --shape square"
               " | ffmpeg -v error -f rawvideo -pix_fmt rgba -s 192x112 -r 10 -i - video_%d.png");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Shell(source + " frame_%d.png");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Run("frame_%d.png -o files/ --scale 4 --shape square");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (int n = 1; n <= 6; ++n) {
    SCOPED_TRACE(n);
    const auto video =
        ReadFile<uint8_t>(Path("video_" + std::to_string(n) + ".png"), OIIO::TypeDesc::UINT8);
    const auto file = ReadFile<uint8_t>(Path("files/frame_" + std::to_string(n) + "_x4.png"),
                                        OIIO::TypeDesc::UINT8);
    ASSERT_EQ(video.spec.width, 192);
    ASSERT_EQ(video.spec.nchannels, 4);
    EXPECT_TRUE(video.data == file.data);
  }
}

// Each cell of the sheet is the render of its settings, found in the sheet exactly, in a grid:
// interpolations down, pixel shapes across.
TEST_F(RenderTool, ComparisonSheetCellsAreTheSingleRenders) {
  WriteFile(Path("in.png"), 6, 5, 4, OIIO::TypeDesc::UINT8, Pixels(6, 5, 1));
  const std::string settings = " --scale 3 --edge-blur 1.5";
  ToolRun r = Run("in.png --compare -o sheet.png" + settings);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto sheet = ReadFile<uint8_t>(Path("sheet.png"), OIIO::TypeDesc::UINT8);
  const char* const interps[] = {"nearest", "linear", "nearest-aa"};
  const char* const shapes[] = {"point", "square", "circle"};
  std::vector<std::pair<int, int>> found[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      r = Run(std::string("in.png -o cell.png --interp ") + interps[i] + " --shape " + shapes[j] +
              settings);
      ASSERT_EQ(r.exit_code, 0) << r.err;
      const auto cell = ReadFile<uint8_t>(Path("cell.png"), OIIO::TypeDesc::UINT8);
      for (int y = 0; y + cell.spec.height <= sheet.spec.height; ++y) {
        for (int x = 0; x + cell.spec.width <= sheet.spec.width; ++x) {
          bool same = true;
          for (int v = 0; same && v < cell.spec.height; ++v) {
            same = std::memcmp(sheet.At(x, y + v), cell.At(0, v), size_t(cell.spec.width) * 4) == 0;
          }
          if (same) found[i][j].push_back({x, y});
        }
      }
    }
  }
  // Point renders are larger than the others and differ by row: one place each.
  int ys[3], xs[3];
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(found[i][0].size(), 1u) << interps[i];
    xs[0] = found[i][0][0].first;
    ys[i] = found[i][0][0].second;
  }
  EXPECT_LT(ys[0], ys[1]);
  EXPECT_LT(ys[1], ys[2]);
  // Circle samples as square does: each is found in both columns, at the top of the row (a
  // nearest square render also lies inside the point render's border).
  std::vector<int> square_xs;
  for (const auto& [x, y] : found[0][1]) {
    if (y == ys[0]) square_xs.push_back(x);
  }
  ASSERT_EQ(square_xs.size(), 2u);
  xs[1] = std::min(square_xs[0], square_xs[1]);
  xs[2] = std::max(square_xs[0], square_xs[1]);
  EXPECT_LT(xs[0], xs[1]);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_NE(std::find(found[i][j].begin(), found[i][j].end(), std::make_pair(xs[j], ys[i])),
                found[i][j].end())
          << interps[i] << ", " << shapes[j];
    }
  }
}

TEST_F(RenderTool, FirstUseSurprisesAreExplained) {
  WriteFile(Path("s.png"), 32, 32, 4, OIIO::TypeDesc::UINT8, Pixels(32, 32, 2));
  // The point shape's border, in the line that names the file.
  ToolRun r = Run("s.png -o p.png");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("132x132 from 32x32 at x4"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("border of half a source pixel"), std::string::npos) << r.out;
  r = Run("s.png --host premiere -o q.png");
  EXPECT_NE(r.out.find("128x128 from 32x32 at x4, nearest, square shape)"), std::string::npos)
      << r.out;

  // Words the tool cannot act on say what to do instead.
  r = Run("help");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("there is no file named 'help' (for the options, see --help)"),
            std::string::npos)
      << r.err;
  r = Run("s.png --edge-blur 2 -o e.png");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.err.find("--edge-blur applies to --interp nearest-aa only"), std::string::npos)
      << r.err;

  // No alpha in the format: a warning, or the border composited over the background asked for.
  r = Run("s.png -o j.jpg");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.err.find("warning: .jpg files keep no alpha"), std::string::npos) << r.err;
  r = Run("s.png -o bg.png --background 102030");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
  const auto bg = ReadFile<uint8_t>(Path("bg.png"), OIIO::TypeDesc::UINT8);
  ASSERT_EQ(bg.spec.nchannels, 3);
  EXPECT_EQ(bg.At(0, 0)[0], 0x10);
  EXPECT_EQ(bg.At(0, 0)[1], 0x20);
  EXPECT_EQ(bg.At(0, 0)[2], 0x30);
}

TEST_F(RenderTool, RunScriptWorksInTheCallersFolderAndShowsAFailedBuild) {
  fs::copy_file(TG_SAMPLE, "mine.png");
  const std::string run = "TESSGRAIN_BUILD=" TG_BUILD_DIR " " TG_SOURCE_DIR "/scripts/run ";
  ToolRun r = Shell(run + "mine.png --scale 2 -o up.png");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(fs::exists("up.png"));
  EXPECT_FALSE(fs::exists(TG_SOURCE_DIR "/up.png"));

  // A build folder whose build fails the way a compiler error does.
  fs::create_directories("broken");
  Spill("broken/CMakeCache.txt", "");
  Spill("broken/build.ninja",
        "rule cc\n  command = echo 'lib.cpp:3:1: error: expected declaration' && false\n"
        "build tessgrain-render: cc\n");
  r = Shell("TESSGRAIN_BUILD=broken " TG_SOURCE_DIR "/scripts/run");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("run: building tessgrain-render"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("lib.cpp:3:1: error: expected declaration"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("run: the build failed"), std::string::npos) << r.err;
}

TEST_F(RenderTool, BrokenImageFilesAreRefusedWithAMessage) {
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(TG_SOURCE_DIR "/tests/devhost/bad_images")) {
    const std::string path = e.path().string();
    SCOPED_TRACE(path);
    ++files;
    const ToolRun r = Run("'" + path + "' -o out.png");
    EXPECT_EQ(r.exit_code, 1);  // not a signal
    EXPECT_NE(r.err.find("tessgrain-render: cannot read " + path + ": "), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists("out.png"));
  }
  EXPECT_GE(files, 8u);
}

// A single output follows the rules of a sequence: never over its input, and --skip-existing on
// one that is written is a success that says so.
TEST_F(RenderTool, SingleOutputsNeverReplaceTheirInputAndSkipWhatIsWritten) {
  WriteFile(Path("victim.png"), 4, 3, 4, OIIO::TypeDesc::UINT8, Pixels(4, 3, 1));
  const std::string before = Slurp("victim.png");
  ToolRun r = Run("victim.png --compare -o victim.png");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("victim.png would overwrite the input victim.png"), std::string::npos)
      << r.err;
  EXPECT_TRUE(Slurp("victim.png") == before) << "the input was replaced";

  Spill("v.raw", std::string(4 * 3 * 4, '\x40'));
  for (const std::string args :
       {"victim.png -o up.png", "victim.png --compare -o up.png", "--raw 4x3 v.raw -o up.raw"}) {
    SCOPED_TRACE(args);
    r = Run(args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string output = args.substr(args.rfind(' ') + 1);
    const std::string written = Slurp(output);
    r = Run(args + " --skip-existing");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE((r.out + r.err).find("skipped " + output + " (already written)"), std::string::npos)
        << r.out << r.err;
    EXPECT_TRUE(Slurp(output) == written);
  }
}

}  // namespace
