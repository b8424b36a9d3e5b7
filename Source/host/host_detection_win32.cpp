// The host's version resource and the system version, from Win32.
#include <windows.h>

#include <vector>

#include "foundation/module_info.h"
#include "host/host_detection.h"

namespace {

constexpr std::uint16_t kWindows10 = 0x0A00;

using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);

}  // namespace

bool HostExecutableVersion(HostVersion& version) {
  // Size from the ANSI path, data from the wide one: a path the code page cannot hold fails the
  // size query, and that counts as no version.
  const std::string ansiPath = ModuleFileNameAnsi(nullptr);
  const std::wstring widePath = ModuleFileName(nullptr).ToWide();
  const DWORD size = GetFileVersionInfoSizeA(ansiPath.c_str(), nullptr);
  if (size == 0) return false;
  std::vector<unsigned char> data(size, 0);
  if (!GetFileVersionInfoW(widePath.c_str(), 0, size, data.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) ||
      info == nullptr) {
    return false;
  }
  version.major = HIWORD(info->dwProductVersionMS);
  version.minor = LOWORD(info->dwProductVersionMS);
  return true;
}

std::uint16_t WindowsVersionWord() {
  // RtlGetVersion, unlike GetVersionEx, reports the real version whatever the host's manifest says.
  HMODULE ntdll = LoadLibraryW(L"Ntdll.dll");
  if (ntdll == nullptr) return kWindows10;
  // Through a generic function pointer, which any function pointer may be cast to and from.
  const auto query = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlGetVersion")));
  std::uint16_t word = kWindows10;
  if (query != nullptr) {
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (query(&info) >= 0) {
      word = static_cast<std::uint16_t>(((info.dwMajorVersion & 0xFF) << 8) |
                                        (info.dwMinorVersion & 0xFF));
    }
  }
  FreeLibrary(ntdll);
  return word;
}
