#include "companion/settings_page.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "foundation/path.h"
#include "foundation/utf8_string.h"
#include "plugin_description.h"

namespace {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

void Text(JsonWriter& json, const char* key, const std::string& value) {
  json.Key(key);
  json.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
}

void Flag(JsonWriter& json, const char* key, bool value) {
  json.Key(key);
  json.Bool(value);
}

void OpenCLSection(JsonWriter& json, const GpuPaths& gpu) {
  json.Key("opencl");
  json.StartObject();
  Flag(json, "library", gpu.openclLibrary);
  json.Key("platforms");
  json.StartArray();
  for (const OpenCLPlatformEntry& platform : gpu.openclPlatforms) {
    json.StartObject();
    Text(json, "name", platform.name);
    Text(json, "version", platform.version);
    json.Key("devices");
    json.StartArray();
    for (const OpenCLDeviceEntry& device : platform.devices) {
      json.StartObject();
      Text(json, "name", device.name);
      Text(json, "type", device.type);
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

void CudaSection(JsonWriter& json, const GpuPaths& gpu) {
  json.Key("cuda");
  json.StartObject();
  Flag(json, "driver", gpu.cudaDriver);
  json.Key("version");
  json.Int(gpu.cudaVersion);
  json.Key("devices");
  json.StartArray();
  for (const std::string& device : gpu.cudaDevices) {
    json.String(device.c_str(), static_cast<rapidjson::SizeType>(device.size()));
  }
  json.EndArray();
  json.EndObject();
}

// "OpenCL 3.0" of a platform version "OpenCL 3.0 <the platform's own words>".
std::string OpenCLVersion(const std::string& version) {
  const std::size_t space = version.find(' ', version.find(' ') + 1);
  return version.substr(0, space);
}

std::string CudaVersionText(int version) {
  return std::to_string(version / 1000) + "." + std::to_string(version % 1000 / 10);
}

}  // namespace

SettingsPage MakeSettingsPage(const std::string& programPath, const GpuPaths& gpu) {
  SettingsPage page;
  page.name = TG_DISPLAY_NAME;
  page.version = std::to_string(TG_VERSION_MAJOR) + "." + std::to_string(TG_VERSION_MINOR) + "." +
                 std::to_string(TG_VERSION_FIX) + "." + std::to_string(TG_VERSION_BUILD);
  mlUtf8String path(programPath);
  page.folder = mlPath(path).ParentDirectory().Bytes();
  page.guide = page.folder + mlPath::NativeSeparator().Bytes() + "user-guide.html";
  page.gpu = gpu;
  return page;
}

std::vector<std::string> GpuLines(const GpuPaths& gpu) {
  std::vector<std::string> lines;
  if (!gpu.openclLibrary) {
    lines.push_back("OpenCL: no OpenCL library on this machine");
  } else if (!gpu.openclListed) {
    lines.push_back("OpenCL: the library cannot list its platforms");
  } else if (gpu.openclPlatforms.empty()) {
    lines.push_back("OpenCL: no platform installed");
  }
  for (const OpenCLPlatformEntry& platform : gpu.openclPlatforms) {
    lines.push_back("OpenCL: " + platform.name + " (" + OpenCLVersion(platform.version) + ")");
    if (platform.devices.empty()) lines.push_back("    no device");
    for (const OpenCLDeviceEntry& device : platform.devices) {
      lines.push_back("    " + device.name + " (" + device.type + ")");
    }
  }
  if (!gpu.cudaDriver) {
    lines.push_back("CUDA: no CUDA driver");
    return lines;
  }
  std::string cuda = "CUDA: driver ";
  cuda += gpu.cudaVersion > 0 ? CudaVersionText(gpu.cudaVersion) : "of unknown version";
  lines.push_back(gpu.cudaDevices.empty() ? cuda + ", no CUDA device" : cuda);
  for (const std::string& device : gpu.cudaDevices) lines.push_back("    " + device);
  return lines;
}

bool HasGpuPath(const GpuPaths& gpu) {
  if (!gpu.cudaDevices.empty()) return true;
  for (const OpenCLPlatformEntry& platform : gpu.openclPlatforms) {
    for (const OpenCLDeviceEntry& device : platform.devices) {
      if (device.type == "GPU" || device.type == "accelerator") return true;
    }
  }
  return false;
}

std::string GpuSummary(const GpuPaths& gpu) {
  return HasGpuPath(gpu) ? "With GPU Acceleration on, the host may render frames on these devices; "
                           "otherwise frames render on the CPU."
                         : "No GPU path: frames render on the CPU.";
}

std::string PageText(const SettingsPage& page) {
  std::string text = page.name + " " + page.version + "\nInstalled in " + page.folder + "\nGPU\n";
  for (const std::string& line : GpuLines(page.gpu)) text += "  " + line + "\n";
  return text + "  " + GpuSummary(page.gpu) + "\nUser guide: " + page.guide + "\n";
}

std::string AnswerLine(const SettingsPage& page, const std::string& request, bool guideOpened) {
  rapidjson::StringBuffer buffer;
  JsonWriter json(buffer);
  json.StartObject();
  Flag(json, "closed", true);
  json.Key("plugin");
  json.StartObject();
  Text(json, "name", page.name);
  Text(json, "version", page.version);
  Text(json, "folder", page.folder);
  json.EndObject();
  json.Key("gpu");
  json.StartObject();
  OpenCLSection(json, page.gpu);
  CudaSection(json, page.gpu);
  Text(json, "renders", HasGpuPath(page.gpu) ? "gpu" : "cpu");
  Text(json, "summary", GpuSummary(page.gpu));
  json.EndObject();
  json.Key("guide");
  json.StartObject();
  Text(json, "path", page.guide);
  Flag(json, "opened", guideOpened);
  json.EndObject();
  json.Key("request");
  rapidjson::Document parsed;
  if (parsed.Parse(request.c_str(), request.size()).HasParseError()) {
    json.Null();
  } else {
    parsed.Accept(json);
  }
  json.EndObject();
  return "json:" + std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}

std::uint64_t OwnerOf(const std::string& request) {
  rapidjson::Document parsed;
  if (parsed.Parse(request.c_str(), request.size()).HasParseError() || !parsed.IsObject()) {
    return 0;
  }
  const auto owner = parsed.FindMember("owner");
  return owner != parsed.MemberEnd() && owner->value.IsUint64() ? owner->value.GetUint64() : 0;
}
