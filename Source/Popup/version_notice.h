// How well this build suits the running host, and the notice asking for an update when it does
// not suit it well.
#pragma once

#include "HostSDK.h"
#include "foundation/version.h"
#include "frame/glue/global_data.h"

/// The rating for the host's application id and effect API version, on an executable of the
/// given product version.
CompatibilityLevel RateCompatibilityFor(A_long appl_id, PF_SpecVersion api_version,
                                        const mlVersion& host_executable);

/// The rating for the running host (its in_data and its executable's product version).
CompatibilityLevel RateCompatibility(const PF_InData* in_data);

/// Shows the update notice for the level through ShowHostNotice; nothing for COMPAT_SUITS. Any
/// level other than COMPAT_UPDATE_ADVISED counts as too old.
void ShowVersionNotice(CompatibilityLevel level, const PF_InData* in_data, PF_OutData* out_data);
