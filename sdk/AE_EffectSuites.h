// The effect suites ("PF ... Suite"), acquired by name and version through the basic suite.
#pragma once
#include "AE_Effect.h"

#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion1 2
#define kPFWorldSuite "PF World Suite"
#define kPFWorldSuiteVersion2 2
#define kPFPixelDataSuite "PF Pixel Data Suite"
#define kPFPixelDataSuiteVersion2 2
#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion3 3
#define kPFGPUDeviceSuite "PF GPU Device Suite"
#define kPFGPUDeviceSuiteVersion1 1

struct PF_HandleSuite1 {
  PF_Handle (*host_new_handle)(A_HandleSize size);
  void* (*host_lock_handle)(PF_Handle pf_handle);
  void (*host_unlock_handle)(PF_Handle pf_handle);
  void (*host_dispose_handle)(PF_Handle pf_handle);
  A_HandleSize (*host_get_handle_size)(PF_Handle pf_handle);
  PF_Err (*host_resize_handle)(A_HandleSize new_sizeL, PF_Handle* handlePH);
};

struct PF_WorldSuite2 {
  PF_Err (*PF_NewWorld)(PF_ProgPtr effect_ref, A_long widthL, A_long heightL, PF_Boolean clear_pixB,
                        PF_PixelFormat pixel_format, PF_EffectWorld* worldP);
  PF_Err (*PF_DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP);
  PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* worldP, PF_PixelFormat* pixel_formatP);
};

struct PF_PixelDataSuite2 {
  PF_Err (*get_pixel_data8)(PF_EffectWorld* worldP, PF_PixelPtr pixelsP0, PF_Pixel8** pixPP);
  PF_Err (*get_pixel_data16)(PF_EffectWorld* worldP, PF_PixelPtr pixelsP0, PF_Pixel16** pixPP);
  PF_Err (*get_pixel_data_float)(PF_EffectWorld* worldP, PF_PixelPtr pixelsP0,
                                 PF_PixelFloat** pixPP);
  PF_Err (*get_pixel_data_float_gpu)(PF_EffectWorld* worldP, void** pixPP);
};

struct PF_ParamUtilsSuite3 {
  PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                             const PF_ParamDef* defP);
  PF_Err (*PF_GetCurrentState)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                               const A_Time* startPT0, const A_Time* durationPT0,
                               PF_State* stateP);
  PF_Err (*PF_AreStatesIdentical)(PF_ProgPtr effect_ref, const PF_State* state1P,
                                  const PF_State* state2P, A_Boolean* samePB);
  PF_Err (*PF_IsIdenticalCheckout)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                   A_long what_time1, A_long time_step1, A_u_long time_scale1,
                                   A_long what_time2, A_long time_step2, A_u_long time_scale2,
                                   PF_Boolean* identicalPB);
  PF_Err (*PF_FindKeyframeTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time,
                                A_u_long time_scale, PF_TimeDir time_dir, PF_Boolean* foundPB,
                                PF_KeyIndex* key_indexP0, A_long* key_timeP0,
                                A_u_long* key_timescaleP0);
  PF_Err (*PF_GetKeyframeCount)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                PF_KeyIndex* key_countP);
  PF_Err (*PF_CheckoutKeyframe)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                PF_KeyIndex key_index, A_long* key_timeP0,
                                A_u_long* key_timescaleP0, PF_ParamDef* paramP0);
  PF_Err (*PF_CheckinKeyframe)(PF_ProgPtr effect_ref, PF_ParamDef* paramP);
  PF_Err (*PF_KeyIndexToTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                              PF_KeyIndex key_indexP, A_long* key_timeP,
                              A_u_long* key_timescaleP);
};

struct PF_GPUDeviceSuite1 {
  PF_Err (*GetDeviceCount)(PF_ProgPtr effect_ref, A_u_long* device_countP);
  PF_Err (*GetDeviceInfo)(PF_ProgPtr effect_ref, A_u_long device_index,
                          PF_GPUDeviceInfo* device_infoP);
  PF_Err (*AcquireExclusiveDeviceAccess)(PF_ProgPtr effect_ref, A_u_long device_index);
  PF_Err (*ReleaseExclusiveDeviceAccess)(PF_ProgPtr effect_ref, A_u_long device_index);
  PF_Err (*AllocateDeviceMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t size,
                                 void** memoryPP);
  PF_Err (*FreeDeviceMemory)(PF_ProgPtr effect_ref, A_u_long device_index, void* memoryP);
  PF_Err (*PurgeDeviceMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t size,
                              size_t* bytes_purgedP0);
  PF_Err (*AllocateHostMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t size,
                               void** memoryPP);
  PF_Err (*FreeHostMemory)(PF_ProgPtr effect_ref, A_u_long device_index, void* memoryP);
  PF_Err (*PurgeHostMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t bytes_to_purgeZ,
                            size_t* bytes_purgedP0);
  PF_Err (*CreateGPUWorld)(PF_ProgPtr effect_ref, A_u_long device_index, A_long width,
                           A_long height, PF_RationalScale pixel_aspect_ratio, PF_Field field_type,
                           PF_PixelFormat pixel_format, PF_Boolean clear_pix,
                           PF_EffectWorld** worldPP);
  PF_Err (*DisposeGPUWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP);
  PF_Err (*GetGPUWorldData)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP, void** pixPP);
  PF_Err (*GetGPUWorldSize)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP, size_t* device_sizeP);
  PF_Err (*GetGPUWorldDeviceIndex)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP,
                                   A_u_long* device_indexP);
};
