#include "host/host_detection.h"

#include <charconv>
#include <string>

#include "foundation/module_info.h"

namespace {

// Each host's name at registration and its executable's name (both lower case), the second form
// of each with " (beta)" after it; a name must match whole.
struct KnownHost {
  HostApp host;
  const char* name;
  const char* executable;
};
constexpr KnownHost kKnownHosts[] = {
    {HostApp::AfterEffects, "after effects", "afterfx"},
    {HostApp::PremierePro, "premiere pro", "adobe premiere pro"},
    {HostApp::MediaEncoder, "adobe media encoder", "adobe media encoder"},
};

bool Matches(const std::string& lower, const std::string& base, const char* suffix) {
  return lower == base + suffix || lower == base + " (beta)" + suffix;
}

}  // namespace

HostApp HostFromName(const char* name) {
  if (name == nullptr) return HostApp::OtherHost;
  // Hosts name themselves in ASCII; other letters never match.
  std::string lower = name;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const KnownHost& k : kKnownHosts) {
    if (Matches(lower, k.name, "")) return k.host;
  }
  return HostApp::OtherHost;
}

HostApp HostFromExecutableName(const mlUtf8String& fileName) {
  mlUtf8String lower = fileName;
  lower.ToLower();
  for (const KnownHost& k : kKnownHosts) {
    if (Matches(lower.Bytes(), k.executable, ".exe")) return k.host;
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
