// The one header through which the plug-in and devhost see the host SDK.
#pragma once
#include "AE_Types.h"
#include "AE_Effect.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "PrSDK.h"
