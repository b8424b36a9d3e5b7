// The AEGP suites that effects use to reach layers, streams and effect instances.
#pragma once
#include "AE_Effect.h"

typedef A_long AEGP_PluginID;
typedef A_long AEGP_LayerIDVal;
typedef A_long AEGP_MaskIDVal;
typedef A_long AEGP_LayerStream;
typedef A_long AEGP_MaskStream;
typedef A_long AEGP_LTimeMode;
typedef A_long AEGP_StreamType;
typedef A_long AEGP_StreamFlags;
typedef A_long AEGP_DynStreamFlags;
typedef A_long AEGP_StreamGroupingType;
typedef A_long AEGP_KeyInterpolationMask;
typedef A_long AEGP_LayerQuality;
typedef A_long AEGP_LayerFlags;
typedef A_long AEGP_ObjectType;
typedef A_long AEGP_LabelID;
typedef A_long AEGP_EffectIndex;
typedef A_long AEGP_EffectFlags;
typedef A_long AEGP_InstalledEffectKey;
typedef A_long AEGP_GetPathTypes;
typedef struct AEGP_ErrReportState { A_long reserved[8]; } AEGP_ErrReportState;
typedef void* AEGP_GlobalRefcon;
typedef struct _AEGP_LayerOpaque* AEGP_LayerH;
typedef struct _AEGP_CompOpaque* AEGP_CompH;
typedef struct _AEGP_ItemOpaque* AEGP_ItemH;
typedef struct _AEGP_StreamRefOpaque* AEGP_StreamRefH;
typedef struct _AEGP_EffectRefOpaque* AEGP_EffectRefH;
typedef struct _AEGP_MaskRefOpaque* AEGP_MaskRefH;
typedef struct _AEGP_MemHandleOpaque* AEGP_MemHandle;
typedef struct _AEGP_LayerTransferMode { A_long mode, flags, track_matte; } AEGP_LayerTransferMode;
typedef A_FpLong AEGP_OneDVal;
typedef PF_Handle AEGP_ArbBlockVal;
typedef struct _AEGP_MarkerVal* AEGP_MarkerValP;
typedef struct _AEGP_MaskOutlineVal** AEGP_MaskOutlineValH;
typedef struct _AEGP_TextDocument** AEGP_TextDocumentH;

enum : AEGP_LayerStream {
  AEGP_LayerStream_NONE = -1,
  AEGP_LayerStream_ANCHORPOINT = 0,
  AEGP_LayerStream_POSITION = 1,
  AEGP_LayerStream_SCALE = 2,
  AEGP_LayerStream_ROTATION = 3,
  AEGP_LayerStream_OPACITY = 4,
};

enum : AEGP_LTimeMode {
  AEGP_LTimeMode_LayerTime = 0,
  AEGP_LTimeMode_CompTime = 1,
};

enum : AEGP_StreamType {
  AEGP_StreamType_NO_DATA = 0,
  AEGP_StreamType_ThreeD_SPATIAL = 1,
  AEGP_StreamType_ThreeD = 2,
  AEGP_StreamType_TwoD_SPATIAL = 3,
  AEGP_StreamType_TwoD = 4,
  AEGP_StreamType_OneD = 5,
};

enum : AEGP_DynStreamFlags {
  AEGP_DynStreamFlag_ACTIVE_EYEBALL = 1L << 0,
  AEGP_DynStreamFlag_HIDDEN = 1L << 1,
  AEGP_DynStreamFlag_DISABLED = 1L << 4,
  AEGP_DynStreamFlag_ELIDED = 1L << 5,
};

struct AEGP_TwoDVal {
  A_FpLong x, y;
};
struct AEGP_ThreeDVal {
  A_FpLong x, y, z;
};
struct AEGP_FourDVal {
  A_FpLong v[4];
};
struct AEGP_ColorVal {
  A_FpLong alphaF, redF, greenF, blueF;
};

union AEGP_StreamVal2 {
  AEGP_FourDVal four_d;
  AEGP_ThreeDVal three_d;
  AEGP_TwoDVal two_d;
  AEGP_OneDVal one_d;
  AEGP_ColorVal color;
  AEGP_ArbBlockVal arbH;
  AEGP_MarkerValP markerP;
  AEGP_LayerIDVal layer_id;
  AEGP_MaskIDVal mask_id;
  AEGP_MaskOutlineValH mask;
  AEGP_TextDocumentH text_documentH;
};

struct AEGP_StreamValue2 {
  AEGP_StreamRefH streamH;
  AEGP_StreamVal2 val;
};

#define kAEGPUtilitySuite "AEGP Utility Suite"
#define kAEGPUtilitySuiteVersion6 13
#define kAEGPPFInterfaceSuite "AEGP PF Interface Suite"
#define kAEGPPFInterfaceSuiteVersion1 1
#define kAEGPLayerSuite "AEGP Layer Suite"
#define kAEGPLayerSuiteVersion7 13
#define kAEGPStreamSuite "AEGP Stream Suite"
#define kAEGPStreamSuiteVersion5 10
#define kAEGPStreamSuiteVersion3 8
#define kAEGPDynamicStreamSuite "AEGP Dynamic Stream Suite"
#define kAEGPDynamicStreamSuiteVersion4 5
#define kAEGPEffectSuite "AEGP Effect Suite"
#define kAEGPEffectSuiteVersion1 1

struct AEGP_UtilitySuite6 {
  A_Err (*AEGP_ReportInfo)(AEGP_PluginID, const A_char*);
  A_Err (*AEGP_ReportInfoUnicode)(AEGP_PluginID, const A_UTF16Char*);
  A_Err (*AEGP_GetDriverPluginInitFuncVersion)(A_short*, A_short*);
  A_Err (*AEGP_GetDriverImplementationVersion)(A_short*, A_short*);
  A_Err (*AEGP_StartQuietErrors)(AEGP_ErrReportState*);
  A_Err (*AEGP_EndQuietErrors)(A_Boolean, AEGP_ErrReportState*);
  A_Err (*AEGP_GetLastErrorMessage)(A_long, A_char*, A_Err*);
  A_Err (*AEGP_StartUndoGroup)(const A_char*);
  A_Err (*AEGP_EndUndoGroup)(void);
  A_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon, const A_char*, AEGP_PluginID*);
  A_Err (*AEGP_GetMainHWND)(void*);
  A_Err (*AEGP_ShowHideAllFloaters)(A_Boolean);
  A_Err (*AEGP_PaintPalGetForeColor)(AEGP_ColorVal*);
  A_Err (*AEGP_PaintPalGetBackColor)(AEGP_ColorVal*);
  A_Err (*AEGP_PaintPalSetForeColor)(const AEGP_ColorVal*);
  A_Err (*AEGP_PaintPalSetBackColor)(const AEGP_ColorVal*);
  A_Err (*AEGP_CharPalGetFillColor)(A_Boolean*, AEGP_ColorVal*);
  A_Err (*AEGP_CharPalGetStrokeColor)(A_Boolean*, AEGP_ColorVal*);
  A_Err (*AEGP_CharPalSetFillColor)(const AEGP_ColorVal*);
  A_Err (*AEGP_CharPalSetStrokeColor)(const AEGP_ColorVal*);
  A_Err (*AEGP_CharPalIsFillColorUIFrontmost)(A_Boolean*);
  A_Err (*AEGP_ConvertFpLongToHSFRatio)(A_FpLong, A_Ratio*);
  A_Err (*AEGP_ConvertHSFRatioToFpLong)(A_Ratio, A_FpLong*);
  A_Err (*AEGP_CauseIdleRoutinesToBeCalled)(void);
  A_Err (*AEGP_GetSuppressInteractiveUI)(A_Boolean*);
  A_Err (*AEGP_WriteToOSConsole)(const A_char*);
  A_Err (*AEGP_WriteToDebugLog)(const A_char*, const A_char*, const A_char*);
  A_Err (*AEGP_IsScriptingAvailable)(A_Boolean*);
  A_Err (*AEGP_ExecuteScript)(AEGP_PluginID, const A_char*, const A_Boolean, AEGP_MemHandle*,
                              AEGP_MemHandle*);
  A_Err (*AEGP_HostIsActivated)(A_Boolean*);
  A_Err (*AEGP_GetPluginPlatformRef)(AEGP_PluginID, void**);
  A_Err (*AEGP_UpdateFontList)(void);
  A_Err (*AEGP_GetPluginPaths)(AEGP_PluginID, AEGP_GetPathTypes, AEGP_MemHandle*);
};

struct AEGP_PFInterfaceSuite1 {
  A_Err (*AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layerPH);
  A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID aegp_plugin_id, PF_ProgPtr effect_ref,
                                      AEGP_EffectRefH* effectPH);
  A_Err (*AEGP_ConvertEffectToCompTime)(PF_ProgPtr effect_ref, A_long what_timeL,
                                        A_u_long time_scaleLu, A_Time* comp_timePT);
  A_Err (*AEGP_GetEffectCamera)(PF_ProgPtr effect_ref, const A_Time* comp_timePT,
                                AEGP_LayerH* camera_layerPH);
  A_Err (*AEGP_GetEffectCameraMatrix)(PF_ProgPtr effect_ref, const A_Time* comp_timePT,
                                      A_Matrix4* camera_matrixP, A_FpLong* dst_to_planePF,
                                      A_short* plane_widthPL, A_short* plane_heightPL);
};

struct AEGP_LayerSuite7 {
  A_Err (*AEGP_GetCompNumLayers)(AEGP_CompH, A_long*);
  A_Err (*AEGP_GetCompLayerByIndex)(AEGP_CompH, A_long, AEGP_LayerH*);
  A_Err (*AEGP_GetActiveLayer)(AEGP_LayerH*);
  A_Err (*AEGP_GetLayerIndex)(AEGP_LayerH, A_long*);
  A_Err (*AEGP_GetLayerSourceItem)(AEGP_LayerH, AEGP_ItemH*);
  A_Err (*AEGP_GetLayerSourceItemID)(AEGP_LayerH, A_long*);
  A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH, AEGP_CompH*);
  A_Err (*AEGP_GetLayerName)(AEGP_PluginID, AEGP_LayerH, AEGP_MemHandle*, AEGP_MemHandle*);
  A_Err (*AEGP_GetLayerQuality)(AEGP_LayerH, AEGP_LayerQuality*);
  A_Err (*AEGP_SetLayerQuality)(AEGP_LayerH, AEGP_LayerQuality);
  A_Err (*AEGP_GetLayerFlags)(AEGP_LayerH, AEGP_LayerFlags*);
  A_Err (*AEGP_SetLayerFlag)(AEGP_LayerH, AEGP_LayerFlags, A_Boolean);
  A_Err (*AEGP_IsLayerVideoReallyOn)(AEGP_LayerH, A_Boolean*);
  A_Err (*AEGP_IsLayerAudioReallyOn)(AEGP_LayerH, A_Boolean*);
  A_Err (*AEGP_GetLayerCurrentTime)(AEGP_LayerH, AEGP_LTimeMode, A_Time*);
  A_Err (*AEGP_GetLayerInPoint)(AEGP_LayerH, AEGP_LTimeMode, A_Time*);
  A_Err (*AEGP_GetLayerDuration)(AEGP_LayerH, AEGP_LTimeMode, A_Time*);
  A_Err (*AEGP_SetLayerInPointAndDuration)(AEGP_LayerH, AEGP_LTimeMode, const A_Time*,
                                           const A_Time*);
  A_Err (*AEGP_GetLayerOffset)(AEGP_LayerH, A_Time*);
  A_Err (*AEGP_SetLayerOffset)(AEGP_LayerH, const A_Time*);
  A_Err (*AEGP_GetLayerStretch)(AEGP_LayerH, A_Ratio*);
  A_Err (*AEGP_SetLayerStretch)(AEGP_LayerH, const A_Ratio*);
  A_Err (*AEGP_GetLayerTransferMode)(AEGP_LayerH, AEGP_LayerTransferMode*);
  A_Err (*AEGP_SetLayerTransferMode)(AEGP_LayerH, const AEGP_LayerTransferMode*);
  A_Err (*AEGP_IsAddLayerValid)(AEGP_ItemH, AEGP_CompH, A_Boolean*);
  A_Err (*AEGP_AddLayer)(AEGP_ItemH, AEGP_CompH, AEGP_LayerH*);
  A_Err (*AEGP_ReorderLayer)(AEGP_LayerH, A_long);
  A_Err (*AEGP_GetLayerMaskedBounds)(AEGP_LayerH, AEGP_LTimeMode, const A_Time*, A_FloatRect*);
  A_Err (*AEGP_GetLayerObjectType)(AEGP_LayerH, AEGP_ObjectType*);
  A_Err (*AEGP_IsLayer3D)(AEGP_LayerH, A_Boolean*);
  A_Err (*AEGP_IsLayer2D)(AEGP_LayerH, A_Boolean*);
  A_Err (*AEGP_IsVideoActive)(AEGP_LayerH, AEGP_LTimeMode, const A_Time*, A_Boolean*);
  A_Err (*AEGP_IsLayerUsedAsTrackMatte)(AEGP_LayerH, A_Boolean, A_Boolean*);
  A_Err (*AEGP_DoesLayerHaveTrackMatte)(AEGP_LayerH, A_Boolean*);
  A_Err (*AEGP_ConvertCompToLayerTime)(AEGP_LayerH, const A_Time*, A_Time*);
  A_Err (*AEGP_ConvertLayerToCompTime)(AEGP_LayerH, const A_Time*, A_Time*);
  A_Err (*AEGP_GetLayerDancingRandValue)(AEGP_LayerH, const A_Time*, A_long*);
  A_Err (*AEGP_GetLayerID)(AEGP_LayerH, AEGP_LayerIDVal*);
  A_Err (*AEGP_GetLayerToWorldXform)(AEGP_LayerH, const A_Time*, A_Matrix4*);
  A_Err (*AEGP_GetLayerToWorldXformFromView)(AEGP_LayerH, const A_Time*, const A_Time*, A_Matrix4*);
  A_Err (*AEGP_SetLayerName)(AEGP_LayerH, const A_UTF16Char*);
  A_Err (*AEGP_GetLayerParent)(const AEGP_LayerH, AEGP_LayerH*);
  A_Err (*AEGP_SetLayerParent)(AEGP_LayerH, const AEGP_LayerH);
  A_Err (*AEGP_DeleteLayer)(AEGP_LayerH);
  A_Err (*AEGP_DuplicateLayer)(AEGP_LayerH, AEGP_LayerH*);
  A_Err (*AEGP_GetLayerFromLayerID)(AEGP_CompH, AEGP_LayerIDVal, AEGP_LayerH*);
  A_Err (*AEGP_GetLayerLabel)(AEGP_LayerH, AEGP_LabelID*);
  A_Err (*AEGP_SetLayerLabel)(AEGP_LayerH, AEGP_LabelID);
};

// The stream suites of versions 10 and 8 differ only in the text types of two slots.
#define AEGP_STREAM_SUITE_SLOTS(NAME_FN, EXPR_CHAR)                                              \
  A_Err (*AEGP_IsStreamLegal)(AEGP_LayerH, AEGP_LayerStream, A_Boolean*);                         \
  A_Err (*AEGP_CanVaryOverTime)(AEGP_StreamRefH, A_Boolean*);                                     \
  A_Err (*AEGP_GetValidInterpolations)(AEGP_StreamRefH, AEGP_KeyInterpolationMask*);              \
  A_Err (*AEGP_GetNewLayerStream)(AEGP_PluginID, AEGP_LayerH, AEGP_LayerStream, AEGP_StreamRefH*); \
  A_Err (*AEGP_GetEffectNumParamStreams)(AEGP_EffectRefH, A_long*);                               \
  A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID, AEGP_EffectRefH, PF_ParamIndex,          \
                                          AEGP_StreamRefH*);                                      \
  A_Err (*AEGP_GetNewMaskStream)(AEGP_PluginID, AEGP_MaskRefH, AEGP_MaskStream, AEGP_StreamRefH*); \
  A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH);                                                   \
  NAME_FN;                                                                                        \
  A_Err (*AEGP_GetStreamUnitsText)(AEGP_StreamRefH, A_Boolean, A_char*);                          \
  A_Err (*AEGP_GetStreamProperties)(AEGP_StreamRefH, AEGP_StreamFlags*, A_FpLong*, A_FpLong*);    \
  A_Err (*AEGP_IsStreamTimevarying)(AEGP_StreamRefH, A_Boolean*);                                 \
  A_Err (*AEGP_GetStreamType)(AEGP_StreamRefH, AEGP_StreamType*);                                 \
  A_Err (*AEGP_GetNewStreamValue)(AEGP_PluginID, AEGP_StreamRefH, AEGP_LTimeMode, const A_Time*,  \
                                  A_Boolean, AEGP_StreamValue2*);                                 \
  A_Err (*AEGP_DisposeStreamValue)(AEGP_StreamValue2*);                                           \
  A_Err (*AEGP_SetStreamValue)(AEGP_PluginID, AEGP_StreamRefH, AEGP_StreamValue2*);               \
  A_Err (*AEGP_GetLayerStreamValue)(AEGP_LayerH, AEGP_LayerStream, AEGP_LTimeMode, const A_Time*, \
                                    A_Boolean, AEGP_StreamVal2*, AEGP_StreamType*);               \
  A_Err (*AEGP_GetExpressionState)(AEGP_PluginID, AEGP_StreamRefH, A_Boolean*);                   \
  A_Err (*AEGP_SetExpressionState)(AEGP_PluginID, AEGP_StreamRefH, A_Boolean);                    \
  A_Err (*AEGP_GetExpression)(AEGP_PluginID, AEGP_StreamRefH, AEGP_MemHandle*);                   \
  A_Err (*AEGP_SetExpression)(AEGP_PluginID, AEGP_StreamRefH, const EXPR_CHAR*);                  \
  A_Err (*AEGP_DuplicateStreamRef)(AEGP_PluginID, AEGP_StreamRefH, AEGP_StreamRefH*);

struct AEGP_StreamSuite5 {
  AEGP_STREAM_SUITE_SLOTS(
      A_Err (*AEGP_GetStreamName)(AEGP_PluginID, AEGP_StreamRefH, A_Boolean, AEGP_MemHandle*),
      A_UTF16Char)
};

struct AEGP_StreamSuite3 {
  AEGP_STREAM_SUITE_SLOTS(A_Err (*AEGP_GetStreamName)(AEGP_StreamRefH, A_Boolean, A_char*), A_char)
};
#undef AEGP_STREAM_SUITE_SLOTS

struct AEGP_DynamicStreamSuite4 {
  A_Err (*AEGP_GetNewStreamRefForLayer)(AEGP_PluginID, AEGP_LayerH, AEGP_StreamRefH*);
  A_Err (*AEGP_GetNewStreamRefForMask)(AEGP_PluginID, AEGP_MaskRefH, AEGP_StreamRefH*);
  A_Err (*AEGP_GetStreamDepth)(AEGP_StreamRefH, A_long*);
  A_Err (*AEGP_GetStreamGroupingType)(AEGP_StreamRefH, AEGP_StreamGroupingType*);
  A_Err (*AEGP_GetNumStreamsInGroup)(AEGP_StreamRefH, A_long*);
  A_Err (*AEGP_GetDynamicStreamFlags)(AEGP_StreamRefH, AEGP_DynStreamFlags*);
  A_Err (*AEGP_SetDynamicStreamFlag)(AEGP_StreamRefH, AEGP_DynStreamFlags, A_Boolean undoableB,
                                     A_Boolean setB);
  A_Err (*AEGP_GetNewStreamRefByIndex)(AEGP_PluginID, AEGP_StreamRefH, A_long, AEGP_StreamRefH*);
  A_Err (*AEGP_GetNewStreamRefByMatchname)(AEGP_PluginID, AEGP_StreamRefH, const A_char*,
                                           AEGP_StreamRefH*);
  A_Err (*AEGP_DeleteStream)(AEGP_StreamRefH);
  A_Err (*AEGP_ReorderStream)(AEGP_StreamRefH, A_long);
  A_Err (*AEGP_DuplicateStream)(AEGP_PluginID, AEGP_StreamRefH, A_long*);
  A_Err (*AEGP_SetStreamName)(AEGP_StreamRefH, const A_UTF16Char*);
  A_Err (*AEGP_CanAddStream)(AEGP_StreamRefH, const A_char*, A_Boolean*);
  A_Err (*AEGP_AddStream)(AEGP_PluginID, AEGP_StreamRefH, const A_char*, AEGP_StreamRefH*);
  A_Err (*AEGP_GetMatchName)(AEGP_StreamRefH, A_char*);
  A_Err (*AEGP_GetNewParentStreamRef)(AEGP_PluginID, AEGP_StreamRefH, AEGP_StreamRefH*);
  A_Err (*AEGP_GetStreamIsModified)(AEGP_StreamRefH, A_Boolean*);
  A_Err (*AEGP_GetStreamIndexInParent)(AEGP_StreamRefH, A_long*);
  A_Err (*AEGP_IsSeparationLeader)(AEGP_StreamRefH, A_Boolean*);
  A_Err (*AEGP_AreDimensionsSeparated)(AEGP_StreamRefH, A_Boolean*);
  A_Err (*AEGP_SetDimensionsSeparated)(AEGP_StreamRefH, A_Boolean);
  A_Err (*AEGP_GetSeparationFollower)(AEGP_StreamRefH, A_short, AEGP_StreamRefH*);
  A_Err (*AEGP_IsSeparationFollower)(AEGP_StreamRefH, A_Boolean*);
  A_Err (*AEGP_GetSeparationLeader)(AEGP_StreamRefH, AEGP_StreamRefH*);
  A_Err (*AEGP_GetSeparationDimension)(AEGP_StreamRefH, A_short*);
};

struct AEGP_EffectSuite1 {
  A_Err (*AEGP_GetLayerNumEffects)(AEGP_LayerH, A_long*);
  A_Err (*AEGP_GetLayerEffectByIndex)(AEGP_PluginID, AEGP_LayerH, AEGP_EffectIndex, AEGP_EffectRefH*);
  A_Err (*AEGP_GetInstalledKeyFromLayerEffect)(AEGP_EffectRefH, AEGP_InstalledEffectKey*);
  A_Err (*AEGP_GetEffectParamUnionByIndex)(AEGP_PluginID, AEGP_EffectRefH, PF_ParamIndex,
                                           PF_ParamType*, PF_ParamDefUnion*);
  A_Err (*AEGP_GetEffectFlags)(AEGP_EffectRefH, AEGP_EffectFlags*);
  A_Err (*AEGP_SetEffectFlags)(AEGP_EffectRefH, AEGP_EffectFlags, AEGP_EffectFlags);
  A_Err (*AEGP_ReorderEffect)(AEGP_EffectRefH, A_long);
  A_Err (*AEGP_EffectCallGeneric)(AEGP_PluginID, AEGP_EffectRefH, const A_Time*, void*);
  A_Err (*AEGP_DisposeEffect)(AEGP_EffectRefH);
  A_Err (*AEGP_ApplyEffect)(AEGP_PluginID, AEGP_LayerH, AEGP_InstalledEffectKey, AEGP_EffectRefH*);
  A_Err (*AEGP_DeleteLayerEffect)(AEGP_EffectRefH);
  A_Err (*AEGP_GetNumInstalledEffects)(A_long*);
  A_Err (*AEGP_GetNextInstalledEffect)(AEGP_InstalledEffectKey, AEGP_InstalledEffectKey*);
  A_Err (*AEGP_GetEffectName)(AEGP_InstalledEffectKey, A_char*);
  A_Err (*AEGP_GetEffectMatchName)(AEGP_InstalledEffectKey, A_char*);
  A_Err (*AEGP_GetEffectCategory)(AEGP_InstalledEffectKey, A_char*);
};
