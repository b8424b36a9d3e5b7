// Stands in for the process-attach notification: the compatibility gate runs when the shared
// object is loaded. POSIX has no thread-attach notification, and no plug-in cache to reset.
#include <dlfcn.h>

#include "host/compat_gate.h"

namespace {

const char gModuleAnchor = 0;  // its address identifies this shared object

__attribute__((constructor)) void CheckHostOnLoad() {
  try {
    Dl_info info{};
    void* self = nullptr;
    if (dladdr(&gModuleAnchor, &info) != 0 && info.dli_fname != nullptr) {
      self = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    }
    CheckHostAtLoad(self);
    if (self != nullptr) dlclose(self);
  } catch (...) {
  }
}

}  // namespace
