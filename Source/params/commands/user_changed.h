// The effect's buttons and the host's dialog command.
#pragma once

#include "HostSDK.h"

/// The settings button (index 1) opens the companion's settings pop-up, the update button
/// (index 9) the update page; any other change is not this handler's. Always 0.
PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                        PF_UserChangedParamExtra* extra);

/// The same settings pop-up as the settings button; 0 whatever happened.
PF_Err DoDialog();

/// Opens the update page in the user's web browser without waiting for it.
void OpenUpdatePage();
