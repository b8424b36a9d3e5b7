// The command table and the registration: what the module's two exported functions do, with the
// host's error mapping applied by the exports themselves.
#pragma once
#include "HostSDK.h"

// Routes one host command to its handler; commands without a handler answer 0. Handlers raise
// host error codes as integers.
PF_Err Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                PF_LayerDef* output, void* extra);

// Registers the effect through the host's callback unless the host is refused (515).
A_Err RegisterEffect(PF_PluginDataPtr inPtr, PF_PluginDataCB callback, const char* host_name,
                     const char* host_version);
