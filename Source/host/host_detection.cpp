#include "host/host_detection.h"

#include <charconv>
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

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One run of digits as a number; false when there is none or it does not fit.
bool ReadNumber(const char*& p, std::int32_t& number) {
  const char* end = p;
  while (IsDigit(*end)) ++end;
  if (end == p || std::from_chars(p, end, number).ec != std::errc()) return false;
  p = end;
  return true;
}

}  // namespace

bool ParseHostVersion(const char* text, HostVersion& version) {
  // "major.minor", then up to two parts each led by '.' or 'x' whose digits are not read. A
  // major or minor that does not fit 32 bits does not parse either.
  if (text == nullptr) return false;
  const char* p = text;
  HostVersion read;
  if (!ReadNumber(p, read.major) || *p != '.') return false;
  ++p;
  if (!ReadNumber(p, read.minor)) return false;
  for (int part = 0; part < 2 && (*p == '.' || *p == 'x'); ++part) {
    ++p;
    if (!IsDigit(*p)) return false;
    while (IsDigit(*p)) ++p;
  }
  if (*p != '\0') return false;
  version = read;
  return true;
}
