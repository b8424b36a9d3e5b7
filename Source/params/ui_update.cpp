#include "params/ui_update.h"

#include <cstring>

#include "diagnostics/debug_message.h"
#include "frame/global_data.h"
#include "frame/suite_scope.h"
#include "params/param_index.h"
#include "params/suite_cache.h"

namespace {

// The Effect suite is asked for at version 4 here; the slot we call sits where version 1 has it.
constexpr int32_t kEffectSuiteVersion4 = 4;

// After Effects hides a parameter through its effect stream's HIDDEN flag.
PF_Err SetEdgeBlurHidden(PF_InData* in_data, int32_t plugin_id, bool hide) {
  const SuiteScope<AEGP_PFInterfaceSuite1> pf_interface(in_data, nullptr, kAEGPPFInterfaceSuite,
                                                        kAEGPPFInterfaceSuiteVersion1);
  const SuiteScope<AEGP_StreamSuite5> streams(in_data, nullptr, kAEGPStreamSuite,
                                              kAEGPStreamSuiteVersion5);
  const SuiteScope<AEGP_DynamicStreamSuite4> dynamic(in_data, nullptr, kAEGPDynamicStreamSuite,
                                                     kAEGPDynamicStreamSuiteVersion4);
  const SuiteScope<AEGP_EffectSuite1> effects(in_data, nullptr, kAEGPEffectSuite, kEffectSuiteVersion4);

  AEGP_EffectRefH effect = nullptr;
  PF_Err err = pf_interface->AEGP_GetNewEffectForEffect(plugin_id, in_data->effect_ref, &effect);
  AEGP_StreamRefH stream = nullptr;
  if (err == PF_Err_NONE) err = streams->AEGP_GetNewEffectStreamByIndex(plugin_id, effect, PARAM_EDGE_BLUR, &stream);
  if (err == PF_Err_NONE) {
    err = dynamic->AEGP_SetDynamicStreamFlag(stream, AEGP_DynStreamFlag_HIDDEN, false, hide);
  }
  if (err == PF_Err_NONE) err = streams->AEGP_DisposeStream(stream);
  if (effect != nullptr) effects->AEGP_DisposeEffect(effect);
  return err;
}

}  // namespace

PF_Err UpdateParameterUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]) {
  if (in_data == nullptr || out_data == nullptr || params == nullptr ||
      params[PARAM_INTERPOLATION] == nullptr) {
    DebugMessage(L"UpdateParameterUI: invalid inputs (in_data/out_data/params)");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PF_Handle handle = out_data->global_data;
  const GlobalData* global =
      handle != nullptr && *handle != nullptr ? static_cast<const GlobalData*>(*handle) : nullptr;
  const SuiteScope<PF_HandleSuite1> handles(in_data, out_data, kPFHandleSuite, kPFHandleSuiteVersion1);
  const SuiteScope<PF_ParamUtilsSuite3> param_utils(in_data, out_data, kPFParamUtilsSuite,
                                                    kPFParamUtilsSuiteVersion3);
  const bool hide = params[PARAM_INTERPOLATION]->u.pd.value != INTERPOLATION_NEAREST_AA;

  PF_Err err = PF_Err_NONE;
  if (in_data->appl_id == PF_APPL_ID_AFTER_EFFECTS) {
    if (global == nullptr || global->plugin_id == 0) {
      DebugMessage(L"UpdateParameterUI: missing/stale GlobalData for AE (globP=%p, plugin_id=%d)",
                   static_cast<const void*>(global), global ? global->plugin_id : 0);
      return PF_Err_NONE;
    }
    err = SetEdgeBlurHidden(in_data, global->plugin_id, hide);
  } else {
    PF_ParamDef def = *params[PARAM_EDGE_BLUR];
    if (hide) {
      def.ui_flags |= PF_PUI_INVISIBLE;
    } else {
      def.ui_flags &= ~PF_PUI_INVISIBLE;
    }
    err = param_utils->PF_UpdateParamUI(in_data->effect_ref, PARAM_EDGE_BLUR, &def);
  }
  if (global != nullptr && global->plugin_id != 0) UpdateIDandAnchor(in_data, out_data);
  return err;
}

namespace {

PF_Err CopyAnchor(int32_t plugin_id, SuiteCache& suites, AEGP_StreamRefH stream,
                  const PF_InData* in_data, AEGP_StreamValue2& value) {
  const auto& pf_interface = suites.Get<AEGP_PFInterfaceSuite1>(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1);
  AEGP_LayerH layer = nullptr;
  PF_Err err = pf_interface.AEGP_GetEffectLayer(in_data->effect_ref, &layer);
  if (err != PF_Err_NONE) {
    DebugMessage(L"AEGP_GetEffectLayer() failed. Error %i", err);
    return err;
  }
  AEGP_LayerIDVal id = 0;
  err = suites.Get<AEGP_LayerSuite7>(kAEGPLayerSuite, kAEGPLayerSuiteVersion7).AEGP_GetLayerID(layer, &id);
  if (err != PF_Err_NONE) {
    DebugMessage(L"AEGP_GetLayerID() failed. Error %i", err);
    return err;
  }
  const A_Time time{in_data->current_time, in_data->time_scale};
  AEGP_StreamVal2 anchor;
  std::memset(&anchor, 0, sizeof(anchor));
  AEGP_StreamType type = AEGP_StreamType_NO_DATA;
  err = suites.Get<AEGP_StreamSuite5>(kAEGPStreamSuite, kAEGPStreamSuiteVersion5)
            .AEGP_GetLayerStreamValue(layer, AEGP_LayerStream_ANCHORPOINT, AEGP_LTimeMode_LayerTime,
                                      &time, false, &anchor, &type);
  if (err != PF_Err_NONE) {
    DebugMessage(L"AEGP_GetLayerStreamValue(AEGP_LayerStream_ANCHORPOINT) failed. Error %i", err);
    return err;
  }
  value.val.four_d.v[0] = anchor.two_d.x;
  value.val.four_d.v[1] = anchor.two_d.y;
  value.val.four_d.v[2] = 0.0;
  value.val.four_d.v[3] = 0.0;
  err = suites.Get<AEGP_StreamSuite3>(kAEGPStreamSuite, kAEGPStreamSuiteVersion3)
            .AEGP_SetStreamValue(plugin_id, stream, &value);
  if (err != PF_Err_NONE) DebugMessage(L"AEGP_SetStreamValue() failed. Error %i", err);
  return err;
}

}  // namespace

PF_Err UpdateIDandAnchor(PF_InData* in_data, PF_OutData* out_data) {
  if (in_data == nullptr || out_data == nullptr) {
    DebugMessage(L"UpdateIDandAnchor: invalid in_data/out_data");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  if (out_data->global_data == nullptr) {
    DebugMessage(L"UpdateIDandAnchor: global_data is null");
    return PF_Err_NONE;
  }
  SuiteCache suites(in_data);
  const auto& handles = suites.Get<PF_HandleSuite1>(kPFHandleSuite, kPFHandleSuiteVersion1);
  const GlobalData* global = static_cast<const GlobalData*>(handles.host_lock_handle(out_data->global_data));
  if (global == nullptr) {
    DebugMessage(L"UpdateIDandAnchor: host_lock_handle(global_data) failed");
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  const int32_t plugin_id = global->plugin_id;
  if (plugin_id == 0) {
    DebugMessage(L"UpdateIDandAnchor: plugin_id is 0, skipping update");
    handles.host_unlock_handle(out_data->global_data);
    return PF_Err_NONE;
  }
  if (in_data->appl_id != PF_APPL_ID_AFTER_EFFECTS) {
    handles.host_unlock_handle(out_data->global_data);
    return PF_Err_NONE;
  }

  // Every suite the copy needs is taken before the first reference is obtained, so that a
  // refused suite (516) cannot leave an effect reference or stream behind.
  suites.Get<AEGP_PFInterfaceSuite1>(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1);
  suites.Get<AEGP_LayerSuite7>(kAEGPLayerSuite, kAEGPLayerSuiteVersion7);
  suites.Get<AEGP_StreamSuite5>(kAEGPStreamSuite, kAEGPStreamSuiteVersion5);
  suites.Get<AEGP_EffectSuite1>(kAEGPEffectSuite, kAEGPEffectSuiteVersion1);

  // Every reference obtained is disposed; the first error met wins.
  PF_Err result = PF_Err_NONE;
  const auto keep_first = [&result](PF_Err err) {
    if (result == PF_Err_NONE) result = err;
  };
  const auto& streams = suites.Get<AEGP_StreamSuite3>(kAEGPStreamSuite, kAEGPStreamSuiteVersion3);
  AEGP_EffectRefH effect = nullptr;
  PF_Err err = suites.Get<AEGP_PFInterfaceSuite1>(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1)
                   .AEGP_GetNewEffectForEffect(plugin_id, in_data->effect_ref, &effect);
  if (err != PF_Err_NONE) {
    DebugMessage(L"AEGP_GetNewEffectForEffect() failed. Error %i", err);
    result = err;
  } else {
    AEGP_StreamRefH stream = nullptr;
    err = streams.AEGP_GetNewEffectStreamByIndex(plugin_id, effect, PARAM_ANCHOR, &stream);
    if (err != PF_Err_NONE) {
      DebugMessage(L"AEGP_GetNewEffectStreamByIndex() failed. Error %i", err);
      result = err;
    } else {
      const A_Time time{in_data->current_time, in_data->time_scale};
      AEGP_StreamValue2 value;
      std::memset(&value, 0, sizeof(value));
      err = streams.AEGP_GetNewStreamValue(plugin_id, stream, AEGP_LTimeMode_LayerTime, &time, true, &value);
      if (err != PF_Err_NONE) {
        DebugMessage(L"AEGP_GetNewStreamValue() failed. Error %i", err);
        result = err;
      } else {
        result = CopyAnchor(plugin_id, suites, stream, in_data, value);
        err = streams.AEGP_DisposeStreamValue(&value);
        if (err != PF_Err_NONE) {
          DebugMessage(L"AEGP_DisposeStreamValue() failed. Error %i", err);
          keep_first(err);
        }
      }
      err = streams.AEGP_DisposeStream(stream);
      if (err != PF_Err_NONE) {
        DebugMessage(L"AEGP_DisposeStream() failed. Error %i", err);
        keep_first(err);
      }
    }
    err = suites.Get<AEGP_EffectSuite1>(kAEGPEffectSuite, kAEGPEffectSuiteVersion1).AEGP_DisposeEffect(effect);
    if (err != PF_Err_NONE) {
      DebugMessage(L"AEGP_DisposeEffect() failed. Error %i", err);
      keep_first(err);
    }
  }
  handles.host_unlock_handle(out_data->global_data);
  return result;
}
