// Handlers of the commands that size the output: SMART_PRE_RENDER (After Effects) and
// FRAME_SETUP (the legacy protocol of Premiere Pro).
#pragma once
#include "HostSDK.h"

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);
PF_Err FrameSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);
