// PARAMS_SETUP: the effect's parameters, their ids, ranges, defaults and visibility.
#pragma once
#include "HostSDK.h"

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data);
