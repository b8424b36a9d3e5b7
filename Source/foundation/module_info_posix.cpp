// Module paths from the dynamic loader and /proc; POSIX executables carry no version resource.
#include "foundation/module_info.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

const char gModuleAnchor = 0;  // its address identifies the module this code is linked into

mlUtf8String ExecutablePath() {
  std::vector<char> buffer(260);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return mlUtf8String(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() + 260);
  }
}

// The main program's entry in the loader's list has an empty name.
mlUtf8String LinkMapPath(const link_map* map) {
  if (map == nullptr) return {};
  if (map->l_name == nullptr || map->l_name[0] == 0) return ExecutablePath();
  return mlUtf8String(map->l_name);
}

}  // namespace

ModuleHandle OpenSystemLibrary(const char* name) { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }

void* ModuleSymbol(ModuleHandle module, const char* name) { return dlsym(module, name); }

mlUtf8String ModuleFileName(ModuleHandle module) {
  if (module == nullptr) return ExecutablePath();
  link_map* map = nullptr;
  if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0) return {};
  return LinkMapPath(map);
}

std::string ModuleFileNameAnsi(ModuleHandle module) { return ModuleFileName(module).Bytes(); }

OperationResult GetDynamicLibPath(mlUtf8String& path) {
  Dl_info info;
  link_map* map = nullptr;
  errno = 0;
  if (dladdr1(&gModuleAnchor, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
      map == nullptr) {
    return DynamicLibPathFailure(errno);
  }
  path = LinkMapPath(map);
  return OperationResult::Success();
}

mlVersion GetHostAppVersion() { return {}; }
