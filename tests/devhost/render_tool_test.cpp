// tessgrain-render end to end: the binary is run in a scratch folder and its files are read back
// with OpenImageIO, independently of the tool's own file code.
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
  int exit_code = -1;
  std::string out, err;
};

class RenderTool : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tg-render-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the tool with its working directory in the scratch folder.
  ToolRun Run(const std::string& args) {
    const std::string cmd = "cd '" + dir_.string() + "' && '" TG_RENDER_TOOL "' " + args +
                            " >stdout.txt 2>stderr.txt";
    const int status = std::system(cmd.c_str());
    ToolRun r;
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(dir_ / "stdout.txt");
    r.err = Slurp(dir_ / "stderr.txt");
    fs::remove(dir_ / "stdout.txt");
    fs::remove(dir_ / "stderr.txt");
    return r;
  }

  static std::string Slurp(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

// Writes interleaved samples of the given type; alpha, when present, as stored (unassociated).
template <class T>
void WriteFile(const std::string& path, int w, int h, int channels, OIIO::TypeDesc type,
               const std::vector<T>& data) {
  auto out = OIIO::ImageOutput::create(path);
  ASSERT_TRUE(out) << OIIO::geterror();
  OIIO::ImageSpec spec(w, h, channels, type);
  spec.attribute("oiio:UnassociatedAlpha", 1);
  ASSERT_TRUE(out->open(path, spec)) << out->geterror();
  ASSERT_TRUE(out->write_image(type, data.data())) << out->geterror();
  ASSERT_TRUE(out->close());
}

template <class T>
struct FileImage {
  OIIO::ImageSpec spec;
  std::vector<T> data;
  const T* At(int x, int y) const { return data.data() + (size_t(y) * spec.width + x) * spec.nchannels; }
};

template <class T>
FileImage<T> ReadFile(const std::string& path, OIIO::TypeDesc type) {
  FileImage<T> img;
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  auto in = OIIO::ImageInput::open(path, &config);
  EXPECT_TRUE(in) << OIIO::geterror();
  if (!in) return img;
  img.spec = in->spec();
  img.data.resize(size_t(img.spec.width) * img.spec.height * img.spec.nchannels);
  EXPECT_TRUE(in->read_image(0, 0, 0, img.spec.nchannels, type, img.data.data())) << in->geterror();
  return img;
}

size_t Lines(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

TEST_F(RenderTool, RefusesBadRequestsWithOneLineAndNoOutput) {
  WriteFile<uint8_t>(Path("tiny.png"), 2, 2, 3, OIIO::TypeDesc::UINT8, std::vector<uint8_t>(12, 9));
  const struct {
    const char* args;
    const char* says;
  } cases[] = {
      {"--bogus", "--bogus"},
      {"tiny.png --scale 65", "--scale"},
      {"tiny.png --scale 0.5", "--scale"},
      {"tiny.png --scale", "needs a value"},
      {"tiny.png --interp cubic", "--interp"},
      {"missing.png", "missing.png"},
      {"tiny.png --host premiere --depth 16", "Premiere"},
      {"tiny.png --depth 32 -o x.png", "x.png"},
      {"tiny.png --print-geometry --host premiere", "--host ae"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun r = Run(c.args);
    EXPECT_NE(r.exit_code, 0);
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
  const std::vector<float> px = {0.1f, 0.2f, 0.3f, 1.0f,  0.9f, 0.0f, 0.5f, 0.5f,  0.0f, 1.0f, 0.0f, 0.25f,
                                 1.0f, 1.0f, 1.0f, 1.0f,  0.4f, 0.6f, 0.8f, 0.0f,  0.2f, 0.0f, 0.7f, 0.75f};
  WriteFile(Path("tiny.exr"), 3, 2, 4, OIIO::TypeDesc::FLOAT, px);
  for (const char* host : {"ae", "premiere"}) {
    for (const char* depth : {"8", "32"}) {
      SCOPED_TRACE(std::string(host) + " depth " + depth);
      const std::string out = std::string("o_") + host + depth + ".tif";
      const ToolRun r = Run(std::string("tiny.exr --scale 2 --interp nearest --shape square --anchor 0,0 --host ") +
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
  EXPECT_EQ(r.err.rfind("tessgrain-render: --gpu cuda: ", 0), 0u) << r.err;
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
  WriteFile<uint8_t>(Path("ten.png"), 10, 10, 3, OIIO::TypeDesc::UINT8, std::vector<uint8_t>(300, 1));
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
  EXPECT_NE(r.out.find("\nsent: json:{\"closed\":true,"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(fs::exists(dir_ / "out"));  // nothing rendered
}

}  // namespace
