#include "host/host_detection.h"

#include <cstdlib>
#include <regex>
#include <string>

#include "foundation/module_info.h"

namespace {

// Tried in this order; the first full match decides.
struct NarrowPattern {
  HostApp host;
  std::regex pattern;
};
struct WidePattern {
  HostApp host;
  std::wregex pattern;
};

constexpr auto kIgnoreCase = std::regex::ECMAScript | std::regex::icase;

const NarrowPattern* NamePatterns() {
  static const NarrowPattern patterns[] = {
      {HostApp::AfterEffects, std::regex(R"(^After Effects( \(Beta\))?)", kIgnoreCase)},
      {HostApp::PremierePro, std::regex(R"(^Premiere Pro( \(Beta\))?)", kIgnoreCase)},
      {HostApp::MediaEncoder, std::regex(R"(^Adobe Media Encoder( \(Beta\))?)", kIgnoreCase)},
  };
  return patterns;
}

const WidePattern* ExecutablePatterns() {
  static const WidePattern patterns[] = {
      {HostApp::AfterEffects, std::wregex(LR"(^AfterFX( \(Beta\))?\.exe)", kIgnoreCase)},
      {HostApp::PremierePro, std::wregex(LR"(^Adobe Premiere Pro( \(Beta\))?\.exe)", kIgnoreCase)},
      {HostApp::MediaEncoder,
       std::wregex(LR"(^Adobe Media Encoder( \(Beta\))?\.exe)", kIgnoreCase)},
  };
  return patterns;
}

constexpr int kPatternCount = 3;

}  // namespace

HostApp HostFromName(const char* name) {
  if (name == nullptr) return HostApp::OtherHost;
  const NarrowPattern* patterns = NamePatterns();
  for (int i = 0; i < kPatternCount; ++i) {
    if (std::regex_match(name, patterns[i].pattern)) return patterns[i].host;
  }
  return HostApp::OtherHost;
}

HostApp HostFromExecutableName(const mlUtf8String& fileName) {
  mlUtf8String lower = fileName;
  lower.ToLower();
  const std::wstring wide = lower.ToWide();
  const WidePattern* patterns = ExecutablePatterns();
  for (int i = 0; i < kPatternCount; ++i) {
    if (std::regex_match(wide, patterns[i].pattern)) return patterns[i].host;
  }
  return HostApp::OtherHost;
}

HostApp HostFromExecutable() { return HostFromExecutableName(ModuleBaseName(nullptr)); }

bool ParseHostVersion(const char* text, HostVersion& version) {
  if (text == nullptr) return false;
  static const std::regex grammar(R"(^(\d+)\.(\d+)((\.|x)\d+)?((\.|x)\d+)?$)");
  std::cmatch parts;
  if (!std::regex_match(text, parts, grammar)) return false;
  version.major = std::atoi(parts.str(1).c_str());
  version.minor = std::atoi(parts.str(2).c_str());
  return true;
}
