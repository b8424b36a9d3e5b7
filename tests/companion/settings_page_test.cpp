// The shipped companion's page: its answer as the plug-in parses it, the folder and guide it
// derives from its own path, the GPU section's wording and when it says frames render on the CPU,
// and the owner it reads from the request.
#include <gtest/gtest.h>

#include "Popup/PopupClient.h"
#include "companion/settings_page.h"
#include "foundation/path.h"
#include "plugin_description.h"

namespace {

GpuPaths PoclOnly() {
  GpuPaths gpu;
  gpu.openclLibrary = gpu.openclListed = true;
  gpu.openclPlatforms = {{"Portable Computing Language",
                          "OpenCL 3.0 PoCL 3.1+debian  Linux",
                          {{"pthread-skylake", "CPU"}}}};
  return gpu;
}

TEST(CompanionAnswer, ParsesThroughThePluginsParserWithWhatThePageShowed) {
  SettingsPage page = MakeSettingsPage("C:\\Pl\xc3\xbcg-ins\\Mirelune \"Orbisk\"\\Orbisk.exe", {});
  page.gpu = PoclOnly();
  page.gpu.openclPlatforms[0].devices.push_back({"Radeon \\ \"Pro\"\t\xe2\x84\xa2", "GPU"});
  page.gpu.cudaDriver = true;
  page.gpu.cudaVersion = 12040;
  page.gpu.cudaDevices = {"GeForce"};
  const std::string request =
      "{\"popup\":\"HostSettings\",\"host\":0,\"plugin\":10,\"tab\":3,\"owner\":1234}\n";
  const std::string line = AnswerLine(page, request, true);
  ASSERT_EQ(line.rfind("json:", 0), 0u);
  ASSERT_EQ(line.find('\n'), line.size() - 1);  // one line: the plug-in reads up to a line feed

  JsonDocument answer;
  const OperationResult result = ParseStdOutResult(mlUtf8String("Orbisk\n" + line), answer);
  ASSERT_FALSE(result.failed) << result.Message().CStr();
  const auto& json = answer.Get();
  EXPECT_TRUE(json["closed"].GetBool());
  EXPECT_STREQ(json["plugin"]["name"].GetString(), "Orbisk Tessgrain");
  EXPECT_EQ(json["plugin"]["version"].GetString(), page.version);
  EXPECT_STREQ(json["plugin"]["folder"].GetString(), "C:\\Pl\xc3\xbcg-ins\\Mirelune \"Orbisk\"");
  const auto& devices = json["gpu"]["opencl"]["platforms"][0]["devices"];
  ASSERT_EQ(devices.Size(), 2u);
  EXPECT_STREQ(devices[1]["name"].GetString(), "Radeon \\ \"Pro\"\t\xe2\x84\xa2");
  EXPECT_STREQ(devices[1]["type"].GetString(), "GPU");
  EXPECT_EQ(json["gpu"]["cuda"]["version"].GetInt(), 12040);
  EXPECT_STREQ(json["gpu"]["cuda"]["devices"][0].GetString(), "GeForce");
  EXPECT_STREQ(json["gpu"]["renders"].GetString(), "gpu");
  EXPECT_TRUE(json["guide"]["opened"].GetBool());
  EXPECT_EQ(json["request"]["owner"].GetUint64(), 1234u);

  // A request that is no JSON (a run by hand) is answered with null.
  ASSERT_FALSE(ParseStdOutResult(mlUtf8String(AnswerLine(page, "", false)), answer).failed);
  EXPECT_TRUE(answer.Get()["request"].IsNull());
  ASSERT_FALSE(ParseStdOutResult(mlUtf8String(AnswerLine(page, "{\"a\":", false)), answer).failed);
  EXPECT_TRUE(answer.Get()["request"].IsNull());
}

TEST(CompanionPage, FolderAndGuideFromTheProgramsPathVersionFromTheDeclaration) {
  const char separator = mlPath::NativeSeparator() == '/' ? '/' : '\\';
  const std::string folder =
      separator == '/' ? "/opt/Mirelune Orbisk" : "C:\\Program Files\\Adobe\\Mirelune Orbisk";
  const SettingsPage page = MakeSettingsPage(folder + separator + "Orbisk.exe", {});
  EXPECT_EQ(page.folder, folder);
  EXPECT_EQ(page.guide, folder + separator + "user-guide.html");
  // The version resource's "1.1.0 build 36", in the dotted form of the packages' names.
  const std::string resource = TG_FILE_VERSION_STR;
  const std::size_t build = resource.find(" build ");
  ASSERT_NE(build, std::string::npos);
  const std::string version = resource.substr(0, build) + "." + resource.substr(build + 7);
  EXPECT_EQ(page.version, version);
  EXPECT_EQ(PageText(page).rfind(page.name + " " + version + "\nInstalled in " + folder + "\n", 0),
            0u);
}

TEST(CompanionGpu, LinesAndWhereFramesRender) {
  const std::string kCpu = "No GPU path: frames render on the CPU.";
  const struct {
    const char* what;
    GpuPaths gpu;
    std::vector<std::string> lines;
    bool gpuPath;
  } cases[] = {
      {"nothing", {}, {"OpenCL: no OpenCL library on this machine", "CUDA: no CUDA driver"}, false},
      {"a library that cannot list",
       {true, false, {}, false, 0, {}},
       {"OpenCL: the library cannot list its platforms", "CUDA: no CUDA driver"},
       false},
      {"no platform",
       {true, true, {}, false, 0, {}},
       {"OpenCL: no platform installed", "CUDA: no CUDA driver"},
       false},
      // A processor device is listed, but hosts offer no such device.
      {"processor only",
       PoclOnly(),
       {"OpenCL: Portable Computing Language (OpenCL 3.0)", "    pthread-skylake (CPU)",
        "CUDA: no CUDA driver"},
       false},
      {"a platform without devices",
       {true, true, {{"Empty", "OpenCL 1.2", {}}}, false, 0, {}},
       {"OpenCL: Empty (OpenCL 1.2)", "    no device", "CUDA: no CUDA driver"},
       false},
      {"an accelerator",
       {true, true, {{"FPGA", "OpenCL 2.1 vendor", {{"card", "accelerator"}}}}, false, 0, {}},
       {"OpenCL: FPGA (OpenCL 2.1)", "    card (accelerator)", "CUDA: no CUDA driver"},
       true},
      {"a CUDA driver without devices",
       {false, false, {}, true, 12040, {}},
       {"OpenCL: no OpenCL library on this machine", "CUDA: driver 12.4, no CUDA device"},
       false},
      {"a CUDA device, the driver's version unknown",
       {false, false, {}, true, 0, {"RTX", "A2000"}},
       {"OpenCL: no OpenCL library on this machine", "CUDA: driver of unknown version", "    RTX",
        "    A2000"},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(GpuLines(c.gpu), c.lines);
    EXPECT_EQ(HasGpuPath(c.gpu), c.gpuPath);
    EXPECT_EQ(GpuSummary(c.gpu) == kCpu, !c.gpuPath);
  }
}

TEST(CompanionRequest, OwnerOnlyFromAWholeUnsignedNumber) {
  const struct {
    const char* request;
    std::uint64_t owner;
  } cases[] = {
      {"{\"popup\":\"HostSettings\",\"owner\":65552}\n", 65552},
      {"{\"owner\":18446744073709551615}", 18446744073709551615u},
      {"{\"popup\":\"HostSettings\"}", 0},
      {"{\"owner\":-5}", 0},
      {"{\"owner\":1.5}", 0},
      {"{\"owner\":\"65552\"}", 0},
      {"[65552]", 0},
      {"{\"owner\":65552", 0},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(OwnerOf(c.request), c.owner) << c.request;
}

}  // namespace
