#include "engine/commands/prerender.h"

#include <cstdlib>
#include <iterator>
#include <cstring>
#include <memory>

#include "engine/core/geometry.h"
#include "engine/commands/host_values.h"
#include "engine/core/settings.h"
#include "frame/glue/global_data.h"
#include "frame/glue/host_guards.h"
#include "frame/glue/suite_scope.h"
#include "params/table/param_table.h"

namespace {

constexpr int32_t kLayerSuiteVersion14 = 14;

// Reads the parameters that shape the render, in index order, and resolves them. A failed
// checkout leaves the definition cleared (reading 0) and stops later checkouts; every parameter
// is checked in again. The GPU renders only for hosts new enough for the effect.
PF_Err ReadRenderSettings(PF_InData* in_data, uint32_t compat_state, RenderSettings& settings,
                          PF_Err err) {
  static constexpr ParamIndex kRead[] = {PARAM_SCALE, PARAM_INTERPOLATION, PARAM_EDGE_BLUR,
                                         PARAM_GPU, PARAM_PIXEL_SHAPE};
  double read[std::size(kRead)];
  for (size_t k = 0; k < std::size(kRead); ++k) {
    ParamCheckout param(*in_data);
    if (err == PF_Err_NONE) err = param.CheckOut(kRead[k]);
    read[k] = ParamValue(Param(kRead[k]), param.def());
    const PF_Err checkin = param.CheckIn();
    if (err == PF_Err_NONE) err = checkin;
  }
  const ParamValues values{read[0], read[1], read[2], read[3], read[4]};
  settings = ResolveSettings(values);
  settings.gpu = settings.gpu && compat_state != COMPAT_TOO_OLD;
  return err;
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

}  // namespace

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra) {
  const uint32_t compat_state = PeekGlobalData(out_data->global_data).compat_state;

  PF_RenderRequest request = extra->input->output_request;
  PF_CheckoutResult in_result;
  std::memset(&in_result, 0, sizeof(in_result));
  PF_Err err = extra->cb->checkout_layer(in_data->effect_ref, PARAM_INPUT, 0, &request,
                                         in_data->current_time, in_data->time_step,
                                         in_data->time_scale, &in_result);

  // The host frees the record with free() once it has passed it to the render call.
  std::unique_ptr<ScaleInfo, FreeDeleter> info(
      static_cast<ScaleInfo*>(std::malloc(sizeof(ScaleInfo))));
  if (!info) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  std::memset(info.get(), 0, sizeof(ScaleInfo));

  err = ReadRenderSettings(in_data, compat_state, info->settings, err);

  const SuiteScope<AEGP_PFInterfaceSuite1> pf_interface(in_data, nullptr, kAEGPPFInterfaceSuite,
                                                        kAEGPPFInterfaceSuiteVersion1);
  const SuiteScope<AEGP_StreamSuite5> streams(in_data, nullptr, kAEGPStreamSuite,
                                              kAEGPStreamSuiteVersion5);
  // Only required to be present, at the version of today's hosts; the layer is reached through
  // the other two.
  const SuiteScope<AEGP_LayerSuite7> layers(in_data, nullptr, kAEGPLayerSuite,
                                            kLayerSuiteVersion14);

  AEGP_LayerH layer = nullptr;
  if (err == PF_Err_NONE) err = pf_interface->AEGP_GetEffectLayer(in_data->effect_ref, &layer);

  AEGP_StreamVal2 anchor;
  std::memset(&anchor, 0, sizeof(anchor));
  if (err == PF_Err_NONE) {
    const A_Time time{in_data->current_time, in_data->time_scale};
    AEGP_StreamType type = AEGP_StreamType_NO_DATA;
    err = streams->AEGP_GetLayerStreamValue(layer, AEGP_LayerStream_ANCHORPOINT,
                                            AEGP_LTimeMode_LayerTime, &time, false, &anchor, &type);
  }

  if (err == PF_Err_NONE) {
    const RenderSettings& s = info->settings;
    const PreRenderGeometry g = ComputePreRenderGeometry(
        ToIntRect(in_result.result_rect), ToIntRect(in_result.max_result_rect), s.scale,
        s.pixel_shape, ToRatio(in_data->downsample_x), ToRatio(in_data->downsample_y),
        anchor.two_d.x, anchor.two_d.y);
    info->anchor_x = g.anchor_x;
    info->anchor_y = g.anchor_y;

    PF_PreRenderOutput* out = extra->output;
    out->result_rect = ToLRect(g.result_rect);
    out->max_result_rect = ToLRect(g.max_result_rect);
    out->solid = in_result.solid;
    out->flags = PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS;
    if (s.gpu) out->flags |= PF_RenderOutputFlag_GPU_RENDER_POSSIBLE;
    out->delete_pre_render_data_func = &std::free;
    out->pre_render_data = info.release();
  }
  return err;
}

PF_Err FrameSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]) {
  const FrameSetupResult r = ComputeFrameSetup(
      LegacyFrameOf(*in_data), in_data->output_origin_x, in_data->output_origin_y,
      ParamValue(Param(PARAM_SCALE), *params[PARAM_SCALE]),
      static_cast<int32_t>(ParamValue(Param(PARAM_PIXEL_SHAPE), *params[PARAM_PIXEL_SHAPE])));
  out_data->width = r.width;
  out_data->height = r.height;
  out_data->origin = {r.origin_h, r.origin_v};
  return PF_Err_NONE;
}
