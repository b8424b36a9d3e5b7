// What devhost's host files share: the state behind a Host, the way a C callback finds the Host
// whose command is running, and the tables of callbacks and suites handed to the effect.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "devhost/host/host.h"
#include "devhost/host/ledger.h"
#include "params/table/param_table.h"

namespace devhost {

inline constexpr int kParamSlots = NumParams(true);  // the input layer and every parameter

struct Host::Impl {
  PF_InData in_data{};
  PF_UtilCallbacks utils{};
  SPBasicSuite basic{};
  PF_PreRenderCallbacks pre_render_cb{};
  PF_SmartRenderCallbacks smart_cb{};
  Ledger ledger;
  PF_Handle global_data = nullptr;
  bool global_set_up = false;  // GLOBAL_SETUP succeeded and GLOBAL_SETDOWN has not been sent
  PF_ParamDef defs[kParamSlots]{};
  std::map<const PF_ParamDef*, int> param_checkouts;  // definition checked out -> index
  PF_LRect layer_bounds{};
  // The centre of the frame being rendered: the anchor when none was set.
  double layer_centre_x = 0.0, layer_centre_y = 0.0;
  World* input = nullptr;
  World* output = nullptr;
  std::vector<World*> worlds;  // every world the effect may name
  GpuSession gpu;

  World* Find(const PF_EffectWorld* w) {
    for (World* world : worlds) {
      if (world->Get() == w) return world;
    }
    return nullptr;
  }
};

// The Host whose command is running on this thread.
inline Host& H() { return *Host::Current(); }
inline Ledger& Accounts() { return H().impl().ledger; }

// A callback the test made fail answers its code before doing anything.
#define DEVHOST_INJECT(name)                                    \
  if (const PF_Err injected_ = ::devhost::H().Injected(name)) { \
    return injected_;                                           \
  }

// The parameter array as the host presents it: what the effect declared, with the user's values.
void PresentParams(const std::vector<PF_ParamDef>& declared, const EffectParams& values,
                   PF_ParamDef (&defs)[kParamSlots]);
// The values of a new instance: the declared defaults.
void DefaultsFromDeclared(const std::vector<PF_ParamDef>& declared, EffectParams* values);

// Fills the host's callback records (PF callbacks and suites, host_callbacks.cpp).
void InstallCallbacks(Host::Impl& m);
// The suite of this name and version, or null (PF suites here, AEGP suites in host_aegp.cpp).
const void* FindSuite(const char* name, int32_t version);
const void* FindAegpSuite(const char* name, int32_t version);

}  // namespace devhost
