// Pinning and resource hiding on the module's in-memory PE image.
#include <windows.h>

#include <cstddef>
#include <string>

#include "host/module_image.h"

namespace {

constexpr ULONG_PTR kIsolationManifestId = 2;      // the resource id of an isolation-aware manifest
constexpr std::size_t kResourceCountsOffset = 12;  // named and id entry counts, 16 bits each

// LoadLibraryW inside the module's own activation context, as isolation-aware code loads
// libraries; without a manifest the plain call is made.
HMODULE LoadLibraryIsolated(HMODULE owner, const std::wstring& path) {
  ACTCTXW request{};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.hModule = owner;
  request.lpResourceName = reinterpret_cast<LPCWSTR>(kIsolationManifestId);
  HANDLE context = CreateActCtxW(&request);
  ULONG_PTR cookie = 0;
  const bool active = context != INVALID_HANDLE_VALUE && ActivateActCtx(context, &cookie);
  HMODULE loaded = LoadLibraryW(path.c_str());
  if (active) DeactivateActCtx(0, cookie);
  if (context != INVALID_HANDLE_VALUE) ReleaseActCtx(context);
  return loaded;
}

bool WriteOwnMemory(void* at, const void* bytes, SIZE_T size) {
  SIZE_T written = 0;
  return WriteProcessMemory(GetCurrentProcess(), at, bytes, size, &written) && written == size;
}

}  // namespace

void PinModule(ModuleHandle module) {
  const std::wstring path = ModuleFileName(module).ToWide();
  if (path.empty()) return;
  // The extra reference is never released: the module must outlive the host's FreeLibrary.
  LoadLibraryIsolated(static_cast<HMODULE>(module), path);
}

bool HideModuleResources(ModuleHandle module) {
  if (module == nullptr) return false;
  auto* const base = static_cast<unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;

  const IMAGE_DATA_DIRECTORY& resources =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
  if (resources.VirtualAddress == 0 || resources.Size == 0) return false;

  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  bool inSection = false;
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections && !inSection; ++i, ++section) {
    inSection = resources.VirtualAddress >= section->VirtualAddress &&
                resources.VirtualAddress < section->VirtualAddress + section->SizeOfRawData;
  }
  if (!inSection) return false;

  void* const counts = base + resources.VirtualAddress + kResourceCountsOffset;
  const DWORD zero = 0;
  if (WriteOwnMemory(counts, &zero, sizeof(zero))) return true;
  if (GetLastError() != ERROR_NOACCESS) return false;
  // A read-only page: a private copy of it may be written.
  DWORD previous = 0;
  if (!VirtualProtect(counts, sizeof(zero), PAGE_WRITECOPY, &previous)) return false;
  const bool written = WriteOwnMemory(counts, &zero, sizeof(zero));
  VirtualProtect(counts, sizeof(zero), previous, &previous);
  return written;
}
