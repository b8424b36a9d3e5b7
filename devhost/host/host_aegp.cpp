// The AEGP suites of After Effects: registration, the effect's layer and its anchor point,
// effect references, effect streams and their values, and the dynamic stream flags.
#include <cstring>

#include "devhost/host/host_internal.h"

namespace devhost {

namespace {

constexpr char kEffectRefName[] = "AEGP effect reference";

A_Err AEGP_RegisterWithAEGP(AEGP_GlobalRefcon, const A_char* name, AEGP_PluginID* id) {
  DEVHOST_INJECT("AEGP_RegisterWithAEGP");
  if (id == nullptr) return A_Err_PARAMETER;
  H().registered_name = name ? name : "";
  *id = H().aegp_plugin_id;
  return A_Err_NONE;
}

// ---- The layer ----

AEGP_LayerH LayerHandle() { return reinterpret_cast<AEGP_LayerH>(&H().impl()); }

A_Err AEGP_GetEffectLayer(PF_ProgPtr, AEGP_LayerH* layer) {
  DEVHOST_INJECT("AEGP_GetEffectLayer");
  if (layer == nullptr) return A_Err_PARAMETER;
  *layer = LayerHandle();
  return A_Err_NONE;
}

A_Err AEGP_GetLayerID(AEGP_LayerH layer, AEGP_LayerIDVal* id) {
  DEVHOST_INJECT("AEGP_GetLayerID");
  if (layer != LayerHandle() || id == nullptr) return A_Err_PARAMETER;
  *id = 1;
  return A_Err_NONE;
}

A_Err AEGP_GetLayerStreamValue(AEGP_LayerH layer, AEGP_LayerStream stream, AEGP_LTimeMode,
                               const A_Time*, A_Boolean, AEGP_StreamVal2* value,
                               AEGP_StreamType* type) {
  DEVHOST_INJECT("AEGP_GetLayerStreamValue");
  if (layer != LayerHandle() || value == nullptr || stream != AEGP_LayerStream_ANCHORPOINT) {
    return A_Err_PARAMETER;
  }
  const Host::Impl& m = H().impl();
  value->three_d = {H().anchor_x.value_or(m.layer_centre_x),
                    H().anchor_y.value_or(m.layer_centre_y), 0.0};
  if (type) *type = AEGP_StreamType_ThreeD_SPATIAL;
  return A_Err_NONE;
}

// ---- Effect references and streams: handles into the host's own records ----

AEGP_EffectRefH EffectHandle() { return reinterpret_cast<AEGP_EffectRefH>(&H().effect_streams); }

A_Err AEGP_GetNewEffectForEffect(AEGP_PluginID plugin_id, PF_ProgPtr, AEGP_EffectRefH* effect) {
  DEVHOST_INJECT("AEGP_GetNewEffectForEffect");
  if (effect == nullptr || plugin_id != H().aegp_plugin_id) return A_Err_PARAMETER;
  *effect = EffectHandle();
  Accounts().Take(Resource::EffectRef, kEffectRefName);
  return A_Err_NONE;
}

// Disposals are counted before any injected failure: the effect gave the reference back,
// whatever the host answers.
A_Err AEGP_DisposeEffect(AEGP_EffectRefH effect) {
  const bool known = effect == EffectHandle();
  Accounts().Return(Resource::EffectRef,
                    known ? kEffectRefName : "an unknown AEGP effect reference");
  DEVHOST_INJECT("AEGP_DisposeEffect");
  return known ? A_Err_NONE : A_Err_PARAMETER;
}

// The parameter index of a stream the host handed out; 0 for anything else.
int StreamIndex(AEGP_StreamRefH stream) {
  for (auto& [index, state] : H().effect_streams) {
    if (reinterpret_cast<AEGP_StreamRefH>(&state) == stream) return index;
  }
  return 0;
}

std::string StreamName(const char* what, int index) {
  return index ? std::string(what) + " of parameter " + std::to_string(index)
               : std::string("an unknown ") + what;
}

A_Err AEGP_GetNewEffectStreamByIndex(AEGP_PluginID, AEGP_EffectRefH effect, PF_ParamIndex index,
                                     AEGP_StreamRefH* stream) {
  DEVHOST_INJECT("AEGP_GetNewEffectStreamByIndex");
  if (effect != EffectHandle() || stream == nullptr || index < 1 ||
      index > static_cast<PF_ParamIndex>(H().declared_params.size())) {
    return A_Err_PARAMETER;
  }
  *stream = reinterpret_cast<AEGP_StreamRefH>(&H().effect_streams[index]);
  Accounts().Take(Resource::Stream, StreamName("AEGP stream", index));
  return A_Err_NONE;
}

A_Err AEGP_DisposeStream(AEGP_StreamRefH stream) {
  const int index = StreamIndex(stream);
  Accounts().Return(Resource::Stream, StreamName("AEGP stream", index));
  DEVHOST_INJECT("AEGP_DisposeStream");
  return index ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err AEGP_GetNewStreamValue(AEGP_PluginID, AEGP_StreamRefH stream, AEGP_LTimeMode, const A_Time*,
                             A_Boolean, AEGP_StreamValue2* value) {
  DEVHOST_INJECT("AEGP_GetNewStreamValue");
  const int index = StreamIndex(stream);
  if (index == 0 || value == nullptr) return A_Err_PARAMETER;
  *value = H().effect_streams[index].value;
  value->streamH = stream;
  Accounts().Take(Resource::StreamValue, StreamName("AEGP stream value", index));
  return A_Err_NONE;
}

A_Err AEGP_SetStreamValue(AEGP_PluginID, AEGP_StreamRefH stream, AEGP_StreamValue2* value) {
  DEVHOST_INJECT("AEGP_SetStreamValue");
  const int index = StreamIndex(stream);
  if (index == 0 || value == nullptr) return A_Err_PARAMETER;
  StreamState& state = H().effect_streams[index];
  state.value = *value;
  state.value.streamH = nullptr;
  return A_Err_NONE;
}

A_Err AEGP_DisposeStreamValue(AEGP_StreamValue2* value) {
  if (value == nullptr) return A_Err_PARAMETER;
  // The value names the stream it came from.
  Accounts().Return(Resource::StreamValue,
                    StreamName("AEGP stream value", StreamIndex(value->streamH)));
  DEVHOST_INJECT("AEGP_DisposeStreamValue");
  return A_Err_NONE;
}

A_Err AEGP_SetDynamicStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag, A_Boolean,
                                A_Boolean set) {
  DEVHOST_INJECT("AEGP_SetDynamicStreamFlag");
  const int index = StreamIndex(stream);
  if (index == 0) return A_Err_PARAMETER;
  if (flag == AEGP_DynStreamFlag_HIDDEN) H().effect_streams[index].hidden = set != 0;
  return A_Err_NONE;
}

// ---- Suites ----

const AEGP_PFInterfaceSuite1 kPFInterfaceSuite = {AEGP_GetEffectLayer, AEGP_GetNewEffectForEffect,
                                                  nullptr, nullptr, nullptr};
AEGP_UtilitySuite6 MakeUtilitySuite() {
  AEGP_UtilitySuite6 s{};
  s.AEGP_RegisterWithAEGP = AEGP_RegisterWithAEGP;
  return s;
}
// Versions 10 and 8 of the stream suite share every slot devhost serves.
template <class Suite>
Suite MakeStreamSuite() {
  Suite s{};
  s.AEGP_GetNewEffectStreamByIndex = AEGP_GetNewEffectStreamByIndex;
  s.AEGP_DisposeStream = AEGP_DisposeStream;
  s.AEGP_GetNewStreamValue = AEGP_GetNewStreamValue;
  s.AEGP_DisposeStreamValue = AEGP_DisposeStreamValue;
  s.AEGP_SetStreamValue = AEGP_SetStreamValue;
  s.AEGP_GetLayerStreamValue = AEGP_GetLayerStreamValue;
  return s;
}
AEGP_DynamicStreamSuite4 MakeDynamicStreamSuite() {
  AEGP_DynamicStreamSuite4 s{};
  s.AEGP_SetDynamicStreamFlag = AEGP_SetDynamicStreamFlag;
  return s;
}
AEGP_EffectSuite1 MakeEffectSuite() {
  AEGP_EffectSuite1 s{};
  s.AEGP_DisposeEffect = AEGP_DisposeEffect;
  return s;
}
AEGP_LayerSuite7 MakeLayerSuite() {
  AEGP_LayerSuite7 s{};
  s.AEGP_GetLayerID = AEGP_GetLayerID;
  return s;
}
const AEGP_UtilitySuite6 kUtilitySuite = MakeUtilitySuite();
const AEGP_StreamSuite5 kStreamSuite = MakeStreamSuite<AEGP_StreamSuite5>();
const AEGP_StreamSuite3 kStreamSuite8 = MakeStreamSuite<AEGP_StreamSuite3>();
const AEGP_DynamicStreamSuite4 kDynamicStreamSuite = MakeDynamicStreamSuite();
const AEGP_EffectSuite1 kEffectSuite = MakeEffectSuite();
const AEGP_LayerSuite7 kLayerSuite = MakeLayerSuite();

struct SuiteEntry {
  const char* name;
  int32_t version;
  const void* suite;
};
const SuiteEntry kSuites[] = {
    {kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, &kPFInterfaceSuite},
    {kAEGPStreamSuite, kAEGPStreamSuiteVersion5, &kStreamSuite},
    {kAEGPStreamSuite, kAEGPStreamSuiteVersion3, &kStreamSuite8},
    {kAEGPLayerSuite, kAEGPLayerSuiteVersion7, &kLayerSuite},
    {kAEGPLayerSuite, 14, &kLayerSuite},  // pre-render only checks it is there
    {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion6, &kUtilitySuite},
    {kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion4, &kDynamicStreamSuite},
    {kAEGPEffectSuite, kAEGPEffectSuiteVersion1, &kEffectSuite},
    {kAEGPEffectSuite, 4, &kEffectSuite},
};

}  // namespace

const void* FindAegpSuite(const char* name, int32_t version) {
  for (const SuiteEntry& e : kSuites) {
    if (std::strcmp(e.name, name) == 0 && e.version == version) return e.suite;
  }
  return nullptr;
}

}  // namespace devhost
