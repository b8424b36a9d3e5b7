#include "params/commands/ui_update.h"

#include <memory>

#include "diagnostics/debug_message.h"
#include "frame/glue/global_data.h"
#include "frame/glue/host_guards.h"
#include "frame/glue/suite_scope.h"
#include "params/table/param_table.h"

namespace {

// The Effect suite is asked for at version 4 here; the slot we call sits where version 1 has it.
constexpr int32_t kEffectSuiteVersion4 = 4;

// After Effects hides a parameter through its effect stream's HIDDEN flag. The stream and the
// effect reference are disposed on every path; the first failure is the result.
PF_Err SetEdgeBlurHidden(PF_InData* in_data, int32_t plugin_id, bool hide) {
  const SuiteScope<AEGP_PFInterfaceSuite1> pf_interface(in_data, nullptr, kAEGPPFInterfaceSuite,
                                                        kAEGPPFInterfaceSuiteVersion1);
  const SuiteScope<AEGP_StreamSuite5> streams(in_data, nullptr, kAEGPStreamSuite,
                                              kAEGPStreamSuiteVersion5);
  const SuiteScope<AEGP_DynamicStreamSuite4> dynamic(in_data, nullptr, kAEGPDynamicStreamSuite,
                                                     kAEGPDynamicStreamSuiteVersion4);
  const SuiteScope<AEGP_EffectSuite1> effects(in_data, nullptr, kAEGPEffectSuite,
                                              kEffectSuiteVersion4);

  EffectRef effect(effects->AEGP_DisposeEffect);
  StreamRef stream(streams->AEGP_DisposeStream);
  PF_Err err =
      pf_interface->AEGP_GetNewEffectForEffect(plugin_id, in_data->effect_ref, effect.out());
  if (err == PF_Err_NONE) {
    err = streams->AEGP_GetNewEffectStreamByIndex(plugin_id, effect.get(), PARAM_EDGE_BLUR,
                                                  stream.out());
  }
  if (err == PF_Err_NONE) {
    err = dynamic->AEGP_SetDynamicStreamFlag(stream.get(), AEGP_DynStreamFlag_HIDDEN, false, hide);
  }
  const PF_Err disposed = stream.Dispose();
  if (err == PF_Err_NONE) err = disposed;
  effect.Dispose();  // its answer is not used
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
  const SuiteScope<PF_HandleSuite1> handles(in_data, out_data, kPFHandleSuite,
                                            kPFHandleSuiteVersion1);
  const SuiteScope<PF_ParamUtilsSuite3> param_utils(in_data, out_data, kPFParamUtilsSuite,
                                                    kPFParamUtilsSuiteVersion3);
  const bool hide =
      static_cast<int>(ParamValue(Param(PARAM_INTERPOLATION), *params[PARAM_INTERPOLATION])) !=
      INTERPOLATION_NEAREST_AA;

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

// The suites of one anchor update, each acquired on first use and held until the update ends. A
// suite the host refuses, or a host without a basic suite, raises 516.
class AnchorSuites {
 public:
  explicit AnchorSuites(const PF_InData* in_data) : in_data_(in_data) {
    if (in_data->pica_basicP == nullptr) throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
  }
  const PF_HandleSuite1& Handles() { return Get(handles_, kPFHandleSuite, kPFHandleSuiteVersion1); }
  const AEGP_PFInterfaceSuite1& PFInterface() {
    return Get(pf_interface_, kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1);
  }
  const AEGP_LayerSuite7& Layers() {
    return Get(layers_, kAEGPLayerSuite, kAEGPLayerSuiteVersion7);
  }
  const AEGP_StreamSuite3& Streams8() {
    return Get(streams8_, kAEGPStreamSuite, kAEGPStreamSuiteVersion3);
  }
  const AEGP_StreamSuite5& Streams10() {
    return Get(streams10_, kAEGPStreamSuite, kAEGPStreamSuiteVersion5);
  }
  const AEGP_EffectSuite1& Effects() {
    return Get(effects_, kAEGPEffectSuite, kAEGPEffectSuiteVersion1);
  }

 private:
  template <class Suite>
  const Suite& Get(std::unique_ptr<SuiteScope<Suite>>& slot, const char* name, int32_t version) {
    if (!slot) {
      slot = std::make_unique<SuiteScope<Suite>>(in_data_, name, version,
                                                 PF_Err{PF_Err_BAD_CALLBACK_PARAM});
    }
    return **slot;
  }

  const PF_InData* in_data_;
  std::unique_ptr<SuiteScope<PF_HandleSuite1>> handles_;
  std::unique_ptr<SuiteScope<AEGP_PFInterfaceSuite1>> pf_interface_;
  std::unique_ptr<SuiteScope<AEGP_LayerSuite7>> layers_;
  std::unique_ptr<SuiteScope<AEGP_StreamSuite3>> streams8_;
  std::unique_ptr<SuiteScope<AEGP_StreamSuite5>> streams10_;
  std::unique_ptr<SuiteScope<AEGP_EffectSuite1>> effects_;
};

// Keeps the first error met: every reference is disposed whatever failed before.
void KeepFirst(PF_Err& result, PF_Err err, const wchar_t* failure) {
  if (err == PF_Err_NONE) return;
  DebugMessage(failure, err);
  if (result == PF_Err_NONE) result = err;
}

PF_Err CopyAnchor(int32_t plugin_id, AnchorSuites& suites, AEGP_StreamRefH stream,
                  const PF_InData* in_data, AEGP_StreamValue2& value) {
  AEGP_LayerH layer = nullptr;
  PF_Err err = suites.PFInterface().AEGP_GetEffectLayer(in_data->effect_ref, &layer);
  if (err != PF_Err_NONE) {
    DebugMessage(L"AEGP_GetEffectLayer() failed. Error %i", err);
    return err;
  }
  AEGP_LayerIDVal id = 0;
  err = suites.Layers().AEGP_GetLayerID(layer, &id);
  if (err != PF_Err_NONE) {
    DebugMessage(L"AEGP_GetLayerID() failed. Error %i", err);
    return err;
  }
  const A_Time time{in_data->current_time, in_data->time_scale};
  AEGP_StreamVal2 anchor{};
  AEGP_StreamType type = AEGP_StreamType_NO_DATA;
  err = suites.Streams10().AEGP_GetLayerStreamValue(
      layer, AEGP_LayerStream_ANCHORPOINT, AEGP_LTimeMode_LayerTime, &time, false, &anchor, &type);
  if (err != PF_Err_NONE) {
    DebugMessage(L"AEGP_GetLayerStreamValue(AEGP_LayerStream_ANCHORPOINT) failed. Error %i", err);
    return err;
  }
  value.val.four_d.v[0] = anchor.two_d.x;
  value.val.four_d.v[1] = anchor.two_d.y;
  value.val.four_d.v[2] = 0.0;
  value.val.four_d.v[3] = 0.0;
  err = suites.Streams8().AEGP_SetStreamValue(plugin_id, stream, &value);
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
  AnchorSuites suites(in_data);
  LockedHandle locked(suites.Handles(), out_data->global_data);
  const GlobalData* global = static_cast<const GlobalData*>(locked.data());
  if (global == nullptr) {
    DebugMessage(L"UpdateIDandAnchor: host_lock_handle(global_data) failed");
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  const int32_t plugin_id = global->plugin_id;
  if (plugin_id == 0) {
    DebugMessage(L"UpdateIDandAnchor: plugin_id is 0, skipping update");
    return PF_Err_NONE;
  }
  if (in_data->appl_id != PF_APPL_ID_AFTER_EFFECTS) return PF_Err_NONE;

  // Each guard gives its reference back in reverse order, also when a refused suite raises 516
  // half-way; the disposals' answers are read here in order, the first error winning.
  PF_Err result = PF_Err_NONE;
  EffectRef effect(suites.Effects().AEGP_DisposeEffect);
  const PF_Err got_effect =
      suites.PFInterface().AEGP_GetNewEffectForEffect(plugin_id, in_data->effect_ref, effect.out());
  KeepFirst(result, got_effect, L"AEGP_GetNewEffectForEffect() failed. Error %i");
  if (got_effect == PF_Err_NONE) {
    const AEGP_StreamSuite3& streams = suites.Streams8();
    StreamRef stream(streams.AEGP_DisposeStream);
    const PF_Err got_stream =
        streams.AEGP_GetNewEffectStreamByIndex(plugin_id, effect.get(), PARAM_ANCHOR, stream.out());
    KeepFirst(result, got_stream, L"AEGP_GetNewEffectStreamByIndex() failed. Error %i");
    if (got_stream == PF_Err_NONE) {
      const A_Time time{in_data->current_time, in_data->time_scale};
      StreamValue value(streams.AEGP_DisposeStreamValue);
      const PF_Err got = streams.AEGP_GetNewStreamValue(
          plugin_id, stream.get(), AEGP_LTimeMode_LayerTime, &time, true, value.out());
      KeepFirst(result, got, L"AEGP_GetNewStreamValue() failed. Error %i");
      if (got == PF_Err_NONE) {
        value.Obtained();
        result = CopyAnchor(plugin_id, suites, stream.get(), in_data, value.value());
        KeepFirst(result, value.Dispose(), L"AEGP_DisposeStreamValue() failed. Error %i");
      }
      KeepFirst(result, stream.Dispose(), L"AEGP_DisposeStream() failed. Error %i");
    }
    KeepFirst(result, effect.Dispose(), L"AEGP_DisposeEffect() failed. Error %i");
  }
  return result;
}
