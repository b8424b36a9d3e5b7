// The Premiere Pro side of the SDK that effects see: pixel formats of the legacy render path,
// the pixel format suite and the error suite.
#pragma once
#include "AE_Effect.h"

enum PrPixelFormat : A_long {
  PrPixelFormat_BGRA_4444_8u = 0x61726762,
  PrPixelFormat_BGRA_4444_32f = 0x61724742,
  PrPixelFormat_Invalid = 0x64626164,
};

#define kPFPixelFormatSuite "PF Pixel Format Suite"
#define kPFPixelFormatSuiteVersion1 1
#define kPrSDKErrorSuite "Premiere Error Suite"
#define kPrSDKErrorSuiteVersion3 3

struct PF_PixelFormatSuite {
  PF_Err (*AddSupportedPixelFormat)(PF_ProgPtr effect_ref, PrPixelFormat pixelFormat);
  PF_Err (*ClearSupportedPixelFormats)(PF_ProgPtr effect_ref);
  PF_Err (*NewWorldOfPixelFormat)(PF_ProgPtr effect_ref, A_u_long width, A_u_long height,
                                  PF_NewWorldFlags flags, PrPixelFormat pixelFormat,
                                  PF_EffectWorld* world);
  PF_Err (*DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
  PF_Err (*GetPixelFormat)(PF_EffectWorld* inWorld, PrPixelFormat* pixelFormat);
  PF_Err (*GetBlackForPixelFormat)(PrPixelFormat pixelFormat, void* pixelData);
  PF_Err (*GetWhiteForPixelFormat)(PrPixelFormat pixelFormat, void* pixelData);
  PF_Err (*ConvertColorToPixelFormattedData)(PrPixelFormat pixelFormat, float alpha, float red,
                                             float green, float blue, void* pixelData);
};

// Event types of SetEventStringUnicode.
enum : A_u_long {
  PrSDKErrorSuite3_kEventTypeInformational = 1,
  PrSDKErrorSuite3_kEventTypeWarning = 2,
  PrSDKErrorSuite3_kEventTypeError = 3,
};

struct PrSDKErrorSuite3 {
  A_long (*SetEventStringUnicode)(A_u_long eventType, A_u_short* eventTitle,
                                  A_u_short* eventDescription);
};
