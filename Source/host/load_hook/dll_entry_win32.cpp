// The library's entry point: the compatibility gate when the library is mapped, and the plug-in
// cache reset on the first thread start after a refusal.
#include <windows.h>

#include "foundation/loader_lock.h"
#include "host/compat_gate.h"
#include "host/plugin_cache.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  // Nothing may be thrown through the loader; a failing check simply allows.
  try {
    // Both checks lower-case names; here that must not load a library.
    const LoaderLockScope loaderLock;
    switch (reason) {
      case DLL_PROCESS_ATTACH:
        CheckHostAtLoad(instance);
        break;
      case DLL_THREAD_ATTACH:
        if (cacheResetPending) {
          ResetPluginCache(instance);
          cacheResetPending = false;
        }
        break;
      default:
        break;
    }
  } catch (...) {
  }
  return TRUE;
}
