#include "host/compat_gate.h"

#include "host/module_image.h"

bool gateRefused = false;
bool cacheResetPending = false;

namespace {

constexpr std::uint16_t kWindows10 = 0x0A00;
constexpr std::int32_t kFirstAfterEffects = 17;
constexpr std::int32_t kFirstPremierePro = 14;

}  // namespace

bool HostSupported(std::uint16_t windowsVersion, HostApp host, HostVersion version) {
  if (windowsVersion < kWindows10) return false;
  switch (host) {
    case HostApp::AfterEffects:
      return version.major >= kFirstAfterEffects;
    case HostApp::PremierePro:
      return version.major >= kFirstPremierePro;
    default:
      return true;
  }
}

bool IsHostCompatible(ModuleHandle module, HostApp host, HostVersion version) {
  if (HostSupported(WindowsVersionWord(), host, version)) return true;
  if (gateRefused) return false;
  if (module != nullptr) {
    PinModule(module);
    HideModuleResources(module);
  }
  gateRefused = true;
  cacheResetPending = true;
  return false;
}

bool CheckHostAtRegistration(const char* hostName, const char* hostVersion) {
  const HostApp host = HostFromName(hostName);
  HostVersion version;
  if (!ParseHostVersion(hostVersion, version) || host == HostApp::OtherHost) return true;
  return IsHostCompatible(nullptr, host, version);
}

bool CheckHostAtLoad(ModuleHandle self) {
  const HostApp host = HostFromExecutable();
  HostVersion version;
  if (!HostExecutableVersion(version) || host == HostApp::OtherHost) return true;
  return IsHostCompatible(self, host, version);
}

bool CheckHostVersion(std::int32_t major, std::int32_t minor) {
  return IsHostCompatible(nullptr, HostFromExecutable(), HostVersion{major, minor});
}
