// What the settings pop-up shows: the plug-in, the folder it is installed in and the GPU paths
// this machine offers the effect; as the window's text and as the answer to the plug-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct OpenCLDeviceEntry {
  std::string name;
  std::string type;  // "GPU", "CPU", "accelerator" or "other"
};

struct OpenCLPlatformEntry {
  std::string name;
  std::string version;
  std::vector<OpenCLDeviceEntry> devices;
};

/// The GPU frameworks as the effect finds them: through the same loaders, so a library the
/// effect would not take is not listed.
struct GpuPaths {
  bool openclLibrary = false;  // loaded with every entry point the effect calls
  bool openclListed = false;   // and with those that list platforms and devices
  std::vector<OpenCLPlatformEntry> openclPlatforms;
  bool cudaDriver = false;  // loaded with every entry point the effect calls
  int cudaVersion = 0;      // the driver's number (1000 x major + 10 x minor); 0: not known
  std::vector<std::string> cudaDevices;
};

/// Asks the OpenCL and CUDA loaders of the effect what this machine has.
GpuPaths FindGpuPaths();

struct SettingsPage {
  std::string name;
  std::string version;  // major.minor.fix.build
  std::string folder;   // where the companion, and the plug-in beside it, are installed
  std::string guide;    // the installed user guide
  GpuPaths gpu;
};

/// The page for the companion at programPath (UTF-8), with this machine's GPU paths.
SettingsPage MakeSettingsPage(const std::string& programPath, const GpuPaths& gpu);

/// The GPU section, one line each: a framework, then its devices indented.
std::vector<std::string> GpuLines(const GpuPaths& gpu);
/// Whether some GPU path exists: a GPU or accelerator through OpenCL, or a CUDA device. An OpenCL
/// device on the processor is listed but is no GPU path: hosts do not offer it.
bool HasGpuPath(const GpuPaths& gpu);
/// The sentence under the GPU section.
std::string GpuSummary(const GpuPaths& gpu);

/// The whole page as text, for a system without windows.
std::string PageText(const SettingsPage& page);

/// The answer: "json:" and one line of JSON with what the page showed and the request it answers
/// (null when the request was not JSON), then a line feed.
std::string AnswerLine(const SettingsPage& page, const std::string& request, bool guideOpened);

/// The request's "owner" window; 0 when it names none or the request does not parse.
std::uint64_t OwnerOf(const std::string& request);
