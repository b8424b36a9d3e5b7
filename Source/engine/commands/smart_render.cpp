// SMART_RENDER and SMART_RENDER_GPU: the input checked out, the output's format read, and the
// frame passed to the CPU samplers or the GPU.
#include "engine/commands/render.h"

#include "engine/commands/fill.h"
#include "engine/core/samplers.h"
#include "frame/glue/global_data.h"
#include "frame/glue/host_guards.h"
#include "frame/glue/suite_scope.h"
#include "gpu/gpu_render.h"

namespace {

bool SmartLayoutOf(PF_PixelFormat format, PixelLayout& layout) {
  switch (format) {
    case PF_PixelFormat_ARGB128:
      layout = PixelLayout::ARGBFloat;
      return true;
    case PF_PixelFormat_ARGB64:
      layout = PixelLayout::ARGB16;
      return true;
    case PF_PixelFormat_ARGB32:
      layout = PixelLayout::ARGB8;
      return true;
    default:
      return false;
  }
}

// Fetches a world's first pixel through the getter that matches the layout.
PF_Err PixelBase(const PF_PixelDataSuite2& suite, PixelLayout layout, PF_EffectWorld* world,
                 void** base) {
  switch (layout) {
    case PixelLayout::ARGBFloat:
      return suite.get_pixel_data_float(world, nullptr, reinterpret_cast<PF_PixelFloat**>(base));
    case PixelLayout::ARGB16:
      return suite.get_pixel_data16(world, nullptr, reinterpret_cast<PF_Pixel16**>(base));
    default:
      return suite.get_pixel_data8(world, nullptr, reinterpret_cast<PF_Pixel8**>(base));
  }
}

}  // namespace

PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra,
                   bool use_gpu) {
  ScaleInfo* info = static_cast<ScaleInfo*>(extra->input->pre_render_data);
  if (info == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;

  // The input goes back on every way out once a world came out, before the suite goes back.
  LayerCheckout input(*extra->cb, in_data->effect_ref, 0);
  PF_EffectWorld* output = nullptr;
  PF_Err err = input.CheckOut();
  if (err == PF_Err_NONE) err = extra->cb->checkout_output(in_data->effect_ref, &output);
  if (input.world() == nullptr) return err;

  const SuiteScope<PF_WorldSuite2> worlds(in_data, out_data, kPFWorldSuite, kPFWorldSuiteVersion2);
  PF_PixelFormat format = PF_PixelFormat_INVALID;
  if (err == PF_Err_NONE) err = worlds->PF_GetPixelFormat(output, &format);
  if (err == PF_Err_NONE) {
    err = use_gpu ? GpuSmartRender(in_data, out_data, extra, input.world(), output, format, info)
                  : CpuSmartRender(in_data, out_data, extra, input.world(), output, format, info);
  }
  // A check-in error counts only when nothing failed before.
  const PF_Err checkin = input.CheckIn();
  return err != PF_Err_NONE ? err : checkin;
}

PF_Err CpuSmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra*,
                      PF_EffectWorld* input, PF_EffectWorld* output, PF_PixelFormat format,
                      ScaleInfo* info) {
  if (PeekGlobalData(in_data->global_data).compat_state == COMPAT_TOO_OLD) {
    return Fill(in_data, &kRed, &output->extent_hint, output);
  }
  const SuiteScope<PF_PixelDataSuite2> pixels(in_data, out_data, kPFPixelDataSuite,
                                              kPFPixelDataSuiteVersion2);
  PixelLayout layout;
  if (!SmartLayoutOf(format, layout)) return PF_Err_NONE;

  void* src = nullptr;
  void* dst = nullptr;
  PF_Err err = PixelBase(*pixels, layout, input, &src);
  if (err == PF_Err_NONE) err = PixelBase(*pixels, layout, output, &dst);
  if (err != PF_Err_NONE || src == nullptr || dst == nullptr) return err;

  Enlarge(info->settings, info->anchor_x, info->anchor_y,
          {src, static_cast<uint32_t>(input->width), static_cast<uint32_t>(input->height),
           input->rowbytes, layout},
          {dst, static_cast<uint32_t>(output->width), static_cast<uint32_t>(output->height),
           output->rowbytes, layout});
  return PF_Err_NONE;
}
