// CPU render drivers: connect the host's render commands to the samplers.
#pragma once
#include "HostSDK.h"
#include "engine/core/settings.h"

// SMART_RENDER (use_gpu false) and SMART_RENDER_GPU (use_gpu true).
PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra,
                   bool use_gpu);

// Samples the checked-out input into the output world with the pre-render's settings.
PF_Err CpuSmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra,
                      PF_EffectWorld* input, PF_EffectWorld* output, PF_PixelFormat format,
                      ScaleInfo* info);

// RENDER of the legacy protocol (Premiere Pro).
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
