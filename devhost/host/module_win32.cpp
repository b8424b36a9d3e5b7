#include <windows.h>

#include "devhost/host/module.h"
#include "foundation/utf8_string.h"

namespace devhost {

struct ModuleLoader {
  static std::unique_ptr<Module> Load(const std::string& path, std::string* error) {
    std::unique_ptr<Module> m(new Module());
    // The loader wants backslashes.
    std::wstring wide = Utf8ToWide(path.c_str());
    for (wchar_t& c : wide) {
      if (c == L'/') c = L'\\';
    }
    HMODULE h = LoadLibraryW(wide.c_str());
    if (h == nullptr) {
      *error = "cannot load " + path + ": error " + std::to_string(GetLastError());
      return nullptr;
    }
    m->handle_ = h;
    // Like a host: the PiPL names the entry point.
    HRSRC res = FindResourceW(h, MAKEINTRESOURCEW(16000), L"PIPL");
    HGLOBAL loaded = res ? LoadResource(h, res) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
      *error = path + " carries no PiPL resource";
      return nullptr;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    m->pipl_.assign(bytes, bytes + SizeofResource(h, res));
    PiPLInfo info;
    if (!ParsePiPL(m->pipl_, &info, error)) return nullptr;
    m->effect_main_ = reinterpret_cast<PF_EffectMainFunc>(
        reinterpret_cast<void*>(GetProcAddress(h, info.entry_point.c_str())));
    m->plugin_data_entry_ = reinterpret_cast<PF_PluginDataEntryFunc>(
        reinterpret_cast<void*>(GetProcAddress(h, "PluginDataEntryFunction")));
    m->nv_optimus_ = reinterpret_cast<const int*>(
        reinterpret_cast<void*>(GetProcAddress(h, "NvOptimusEnablementCuda")));
    if (m->effect_main_ == nullptr || m->plugin_data_entry_ == nullptr) {
      *error = path + " does not export " + info.entry_point + " and PluginDataEntryFunction";
      return nullptr;
    }
    return m;
  }
};

std::unique_ptr<Module> Module::Load(const std::string& path, std::string* error) {
  return ModuleLoader::Load(path, error);
}

Module::~Module() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
}

}  // namespace devhost
