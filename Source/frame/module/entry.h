// The module's exported entry points.
#pragma once
#include "HostSDK.h"

#if defined(_WIN32)
#define TG_EXPORT extern "C" __declspec(dllexport)
#else
#define TG_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Registers the effect with the host unless the host is refused (515).
TG_EXPORT A_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr,
                                        PF_PluginDataCB inPluginDataCallBackPtr,
                                        SPBasicSuite* inSPBasicSuitePtr, const char* inHostName,
                                        const char* inHostVersion);

// Every command of the host arrives here; the result is the host's error code. Nothing is ever
// thrown out of it.
TG_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                            PF_ParamDef* params[], PF_LayerDef* output, void* extra);

// Asks hybrid-graphics drivers to run CUDA on the discrete GPU.
TG_EXPORT const int NvOptimusEnablementCuda;
