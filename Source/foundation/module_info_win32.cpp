// Module paths from the loader and the host's version from its version resource.
#include "foundation/module_info.h"

#include <windows.h>

#include <vector>

namespace {

const char gModuleAnchor = 0;  // its address identifies the module this code is linked into

constexpr DWORD kPathChunk = MAX_PATH;

}  // namespace

ModuleHandle OpenSystemLibrary(const char* name) {
  return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* ModuleSymbol(ModuleHandle module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

mlUtf8String ModuleFileName(ModuleHandle module) {
  std::vector<wchar_t> buffer(kPathChunk, 0);
  for (;;) {
    // The last error is cleared first: a successful call does not reset it, and a stale 122
    // would keep the loop growing for ever.
    SetLastError(ERROR_SUCCESS);
    GetModuleFileNameW(static_cast<HMODULE>(module), buffer.data(),
                       static_cast<DWORD>(buffer.size()));
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    buffer.assign(buffer.size() + kPathChunk, 0);
  }
  return mlUtf8String(buffer.data());
}

std::string ModuleFileNameAnsi(ModuleHandle module) {
  std::vector<char> buffer(kPathChunk, 0);
  DWORD length = 0;
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    length = GetModuleFileNameA(static_cast<HMODULE>(module), buffer.data(),
                                static_cast<DWORD>(buffer.size()));
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    buffer.assign(buffer.size() + kPathChunk, 0);
  }
  if (length == 0 || GetLastError() != ERROR_SUCCESS) return {};
  return std::string(buffer.data());
}

OperationResult GetDynamicLibPath(mlUtf8String& path) {
  HMODULE module = nullptr;
  // Not reference-counted: the handle needs no release.
  const BOOL found = GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&gModuleAnchor), &module);
  if (!found || module == nullptr) {
    return DynamicLibPathFailure(static_cast<std::int32_t>(GetLastError()));
  }
  path = ModuleFileName(module);
  return OperationResult::Success();
}

mlVersion GetHostAppVersion() {
  const std::string path = ModuleFileNameAnsi(nullptr);
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
  if (size == 0) return {};
  std::vector<unsigned char> data(size, 0);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) ||
      info == nullptr) {
    return {};
  }
  mlVersion version;
  version.major = static_cast<std::uint8_t>(HIWORD(info->dwProductVersionMS) & 0xFF);
  version.minor = static_cast<std::uint8_t>(LOWORD(info->dwProductVersionMS) & 0xFF);
  version.patch = static_cast<std::uint8_t>(HIWORD(info->dwProductVersionLS) & 0xFF);
  return version;
}
