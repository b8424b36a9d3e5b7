#include <dlfcn.h>

#include "devhost/host/module.h"

namespace devhost {

struct ModuleLoader {
  static std::unique_ptr<Module> Load(const std::string& path, std::string* error) {
    std::unique_ptr<Module> m(new Module());
    m->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m->handle_ == nullptr) {
      const char* why = dlerror();
      *error = "cannot load " + path + ": " + (why ? why : "unknown error");
      return nullptr;
    }
    m->effect_main_ = reinterpret_cast<PF_EffectMainFunc>(dlsym(m->handle_, "EffectMain"));
    m->plugin_data_entry_ =
        reinterpret_cast<PF_PluginDataEntryFunc>(dlsym(m->handle_, "PluginDataEntryFunction"));
    m->nv_optimus_ = static_cast<const int*>(dlsym(m->handle_, "NvOptimusEnablementCuda"));
    if (m->effect_main_ == nullptr || m->plugin_data_entry_ == nullptr) {
      *error = path + " does not export EffectMain and PluginDataEntryFunction";
      return nullptr;
    }
    return m;
  }
};

std::unique_ptr<Module> Module::Load(const std::string& path, std::string* error) {
  return ModuleLoader::Load(path, error);
}

Module::~Module() {
  if (handle_ != nullptr) dlclose(handle_);
}

}  // namespace devhost
