// The record the host keeps for the effect between commands (in a handle made at global set-up).
#pragma once
#include <cstdint>

#include "HostSDK.h"

enum CompatibilityLevel : uint32_t {
  COMPAT_SUITS = 0,           // the plug-in suits this host
  COMPAT_UPDATE_ADVISED = 1,  // an update of the plug-in is advised
  COMPAT_TOO_OLD = 2,         // too old for this host: red frames, no GPU, hidden parameters
};

struct GlobalData {
  int32_t plugin_id;      // AEGP plug-in id, 0 when not registered (always 0 in Premiere Pro)
  uint32_t compat_state;  // a CompatibilityLevel
};
static_assert(sizeof(GlobalData) == 8);

// Reads the record straight from the handle's contents, without locking; the record is written
// once at global set-up. An absent handle or one without contents reads as zeros.
inline GlobalData PeekGlobalData(PF_Handle handle) {
  if (handle == nullptr || *handle == nullptr) return GlobalData{0, COMPAT_SUITS};
  return *static_cast<const GlobalData*>(*handle);
}
