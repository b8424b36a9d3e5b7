// A host program for the gate's end-to-end tests, built as AfterFX.exe with a product version of
// its own: loads the module named on its command line the way a host does, registers it, starts
// a thread, frees it and reports what it saw in its exit code (probe_host.h).
#include <windows.h>

#include <string>

#include "HostSDK.h"
#include "host/host_detection.h"
#include "probe_host.h"

namespace {

bool g_registered = false;

A_Err Register(PF_PluginDataPtr, const A_u_char*, const A_u_char*, const A_u_char*,
               const A_u_char*, A_long, A_long, A_long, A_long) {
  g_registered = true;
  return 0;
}

DWORD WINAPI Idle(void*) { return 0; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return kProbeLoadFailed;
  const std::wstring path = argv[1];
  unsigned result = 0;
  if (WindowsVersionWord() < 0x0A00) result |= kProbeSystemBeforeWin10;

  HMODULE module = LoadLibraryW(path.c_str());
  if (module == nullptr) return static_cast<int>(result | kProbeLoadFailed);
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
  HANDLE thread = CreateThread(nullptr, 0, &Idle, nullptr, 0, nullptr);
  if (thread != nullptr) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }

  FreeLibrary(module);
  if (GetModuleHandleW(path.c_str()) != nullptr) result |= kProbeStillMapped;
  return static_cast<int>(result);
}
