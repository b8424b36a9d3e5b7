// GLOBAL_SETUP: version and capability flags, Premiere Pro pixel formats, the global data record,
// the compatibility notice and the AEGP registration.
#pragma once
#include "HostSDK.h"

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data);
