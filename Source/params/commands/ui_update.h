// UPDATE_PARAMS_UI: "Edge Blur" is visible only for "Nearest AA"; in After Effects the layer's
// anchor point is then copied into the hidden point parameter.
#pragma once
#include "HostSDK.h"

PF_Err UpdateParameterUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);

// Copies the layer's anchor point into parameter 7 (After Effects, once registered).
PF_Err UpdateIDandAnchor(PF_InData* in_data, PF_OutData* out_data);
