// The module's exported entry points.
#pragma once
#include "HostSDK.h"

#if defined(_WIN32)
#define TG_EXPORT extern "C" __declspec(dllexport)
#else
#define TG_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Every command of the host arrives here; the result is the host's error code. Nothing is ever
// thrown out of it.
TG_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                            PF_ParamDef* params[], PF_LayerDef* output, void* extra);
