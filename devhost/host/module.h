// Loading the plug-in module by path and finding its entry points the way a host does: on
// Windows through the PiPL resource (which names the entry point), elsewhere by the fixed name.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "HostSDK.h"

namespace devhost {

// What the PiPL resource says about the effect.
struct PiPLInfo {
  std::string name, category, match_name, entry_point, support_url;
  A_long kind = 0;
  A_short pipl_major = 0, pipl_minor = 0;
  A_short api_major = 0, api_minor = 0;
  A_u_long version = 0;
  A_long out_flags = 0, out_flags2 = 0;
  A_short info_flags = 0;
  A_long ae_flags = 0;
  int property_count = 0;
};

// Parses PiPL resource bytes; false (with a reason) for a malformed resource.
bool ParsePiPL(const std::vector<uint8_t>& bytes, PiPLInfo* info, std::string* error);

class Module {
 public:
  // Loads the module; null with a reason when it cannot be loaded or lacks an entry point.
  static std::unique_ptr<Module> Load(const std::string& path, std::string* error);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  PF_EffectMainFunc EffectMain() const { return effect_main_; }
  PF_PluginDataEntryFunc PluginDataEntry() const { return plugin_data_entry_; }
  const int* NvOptimusEnablementCuda() const { return nv_optimus_; }
  // The raw PiPL resource (Windows); empty where modules carry no resources.
  const std::vector<uint8_t>& PiPL() const { return pipl_; }

 private:
  Module() = default;
  void* handle_ = nullptr;
  PF_EffectMainFunc effect_main_ = nullptr;
  PF_PluginDataEntryFunc plugin_data_entry_ = nullptr;
  const int* nv_optimus_ = nullptr;
  std::vector<uint8_t> pipl_;

  friend struct ModuleLoader;
};

}  // namespace devhost
