// A host program for the gate's end-to-end tests, built as AfterFX.exe with a product version of
// its own: loads the module named on its command line the way a host does, registers it, starts
// a thread, frees it and reports what it saw in its exit code (probe_host.h).
#include <windows.h>
#include <winternl.h>

#include <atomic>
#include <string>

#include "HostSDK.h"
#include "host/host_detection.h"
#include "probe_host.h"

namespace {

bool g_registered = false;

A_Err Register(PF_PluginDataPtr, const A_u_char*, const A_u_char*, const A_u_char*, const A_u_char*,
               A_long, A_long, A_long, A_long) {
  g_registered = true;
  return 0;
}

DWORD WINAPI Idle(void*) { return 0; }

// ---- Library loads inside the module's attach notifications -------------------------------------
//
// The loader reports the module once it is mapped and its imports are bound, before its entry
// point runs; the probe then points the module's imports of the LoadLibrary functions at its own,
// which count the libraries asked for that are not mapped yet while the loader holds its lock
// for the module (while LoadLibraryW maps it, and while a new thread starts).

using LoadW = HMODULE(WINAPI*)(LPCWSTR);
using LoadA = HMODULE(WINAPI*)(LPCSTR);
using LoadExW = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);
using LoadExA = HMODULE(WINAPI*)(LPCSTR, HANDLE, DWORD);

LoadW g_loadW = nullptr;
LoadA g_loadA = nullptr;
LoadExW g_loadExW = nullptr;
LoadExA g_loadExA = nullptr;
std::atomic<bool> g_underLoaderLock{false};
std::atomic<int> g_newLibraries{0};
int g_patchedImports = 0;
std::wstring g_moduleName;

void Note(bool mapped) {
  if (g_underLoaderLock && !mapped) ++g_newLibraries;
}
HMODULE WINAPI WatchW(LPCWSTR name) {
  Note(GetModuleHandleW(name) != nullptr);
  return g_loadW(name);
}
HMODULE WINAPI WatchA(LPCSTR name) {
  Note(GetModuleHandleA(name) != nullptr);
  return g_loadA(name);
}
HMODULE WINAPI WatchExW(LPCWSTR name, HANDLE file, DWORD flags) {
  Note(GetModuleHandleW(name) != nullptr);
  return g_loadExW(name, file, flags);
}
HMODULE WINAPI WatchExA(LPCSTR name, HANDLE file, DWORD flags) {
  Note(GetModuleHandleA(name) != nullptr);
  return g_loadExA(name, file, flags);
}

template <typename Function>
Function Kernel32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

void PatchImports(unsigned char* base) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  const std::pair<ULONG_PTR, ULONG_PTR> replacements[] = {
      {reinterpret_cast<ULONG_PTR>(g_loadW), reinterpret_cast<ULONG_PTR>(&WatchW)},
      {reinterpret_cast<ULONG_PTR>(g_loadA), reinterpret_cast<ULONG_PTR>(&WatchA)},
      {reinterpret_cast<ULONG_PTR>(g_loadExW), reinterpret_cast<ULONG_PTR>(&WatchExW)},
      {reinterpret_cast<ULONG_PTR>(g_loadExA), reinterpret_cast<ULONG_PTR>(&WatchExA)},
  };
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       entry->Name != 0; ++entry) {
    for (auto* slot = reinterpret_cast<ULONG_PTR*>(base + entry->FirstThunk); *slot != 0; ++slot) {
      for (const auto& [real, watch] : replacements) {
        if (*slot != real) continue;
        DWORD protection = 0;
        VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
        *slot = watch;
        VirtualProtect(slot, sizeof(*slot), protection, &protection);
        ++g_patchedImports;
      }
    }
  }
}

struct LoadedLibrary {
  ULONG flags;
  const UNICODE_STRING* fullName;
  const UNICODE_STRING* baseName;
  void* base;
  ULONG size;
};
constexpr ULONG kLibraryLoaded = 1;
using LoaderNotification = void(CALLBACK*)(ULONG, const LoadedLibrary*, void*);
using RegisterNotification = NTSTATUS(NTAPI*)(ULONG, LoaderNotification, void*, void**);

void CALLBACK OnLibrary(ULONG reason, const LoadedLibrary* library, void*) {
  if (reason != kLibraryLoaded || library->baseName == nullptr) return;
  const std::wstring name(library->baseName->Buffer, library->baseName->Length / sizeof(wchar_t));
  if (CompareStringOrdinal(name.c_str(), -1, g_moduleName.c_str(), -1, TRUE) == CSTR_EQUAL) {
    PatchImports(static_cast<unsigned char*>(library->base));
  }
}

bool WatchLoads(const std::wstring& modulePath) {
  g_moduleName = modulePath.substr(modulePath.find_last_of(L"\\/") + 1);
  g_loadW = Kernel32<LoadW>("LoadLibraryW");
  g_loadA = Kernel32<LoadA>("LoadLibraryA");
  g_loadExW = Kernel32<LoadExW>("LoadLibraryExW");
  g_loadExA = Kernel32<LoadExA>("LoadLibraryExA");
  const auto enroll = reinterpret_cast<RegisterNotification>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "LdrRegisterDllNotification")));
  void* cookie = nullptr;
  return enroll != nullptr && enroll(0, &OnLibrary, nullptr, &cookie) >= 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return kProbeLoadFailed;
  const std::wstring path = argv[1];
  unsigned result = 0;
  if (WindowsVersionWord() < 0x0A00) result |= kProbeSystemBeforeWin10;

  const bool watching = WatchLoads(path);
  g_underLoaderLock = true;
  HMODULE module = LoadLibraryW(path.c_str());
  g_underLoaderLock = false;
  if (module == nullptr) return static_cast<int>(result | kProbeLoadFailed);
  if (!watching || g_patchedImports == 0) result |= kProbeNotWatched;
  if (FindResourceW(module, MAKEINTRESOURCEW(16000), L"PIPL") == nullptr) {
    result |= kProbeResourcesHidden;
  }

  const auto entry = reinterpret_cast<PF_PluginDataEntryFunc>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "PluginDataEntryFunction")));
  if (entry != nullptr) {
    const A_Err err = entry(nullptr, &Register, nullptr, "After Effects", TG_PROBE_HOST_VERSION);
    if (err == PF_Err_INVALID_CALLBACK && !g_registered) result |= kProbeRegistrationRefused;
    if (g_registered) result |= kProbeRegistered;
  }

  // A new thread is what lets the library run its deferred work.
  g_underLoaderLock = true;
  HANDLE thread = CreateThread(nullptr, 0, &Idle, nullptr, 0, nullptr);
  if (thread != nullptr) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  g_underLoaderLock = false;
  if (g_newLibraries > 0) result |= kProbeLoadedUnderLoaderLock;

  FreeLibrary(module);
  if (GetModuleHandleW(path.c_str()) != nullptr) result |= kProbeStillMapped;
  return static_cast<int>(result);
}
