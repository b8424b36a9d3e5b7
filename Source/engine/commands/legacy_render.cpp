// RENDER of the legacy protocol: the frame sampled from the source origin on, or painted red
// for interlaced frames and hosts too old for the effect.
#include "engine/commands/render.h"

#include <algorithm>

#include "engine/commands/fill.h"
#include "engine/commands/host_values.h"
#include "engine/core/geometry.h"
#include "engine/core/samplers.h"
#include "engine/core/settings.h"
#include "frame/glue/global_data.h"
#include "frame/glue/host_notice.h"
#include "frame/glue/suite_scope.h"
#include "params/table/param_table.h"

namespace {

// Clears the output, then samples the source from pixel (ox, oy) into the output from the same
// pixel, never past either world.
PF_Err LegacySetup(const PF_InData* in_data, const LegacyFrame& frame, PF_EffectWorld* input,
                   PF_EffectWorld* output, const RenderSettings& s, PixelLayout layout) {
  const PF_Err err = Fill(in_data, nullptr, &output->extent_hint, output);
  const LegacyExtent e =
      ComputeLegacyExtent(frame, s.scale, s.pixel_shape, output->width, output->height);
  const int32_t ox = frame.source_origin_x;
  const int32_t oy = frame.source_origin_y;
  // The host sizes the input world from the same numbers; a smaller world is never read past.
  const int32_t src_width = std::min(e.src_width, input->width - ox);
  const int32_t src_height = std::min(e.src_height, input->height - oy);
  if (ox < 0 || oy < 0 || e.dst_width <= 0 || e.dst_height <= 0 || src_width < 0 ||
      src_height < 0) {
    return err;
  }
  const int size = PixelSize(layout);
  const char* src = static_cast<const char*>(input->data) +
                    (static_cast<int64_t>(RowOffset(oy, input->rowbytes / size)) + ox) * size;
  char* dst = static_cast<char*>(output->data) +
              (static_cast<int64_t>(RowOffset(oy, output->rowbytes / size)) + ox) * size;
  // The legacy protocol has no anchor: the grid starts at the source origin.
  Enlarge(s, 0.0f, 0.0f,
          {src, static_cast<uint32_t>(src_width), static_cast<uint32_t>(src_height),
           input->rowbytes, layout},
          {dst, static_cast<uint32_t>(e.dst_width), static_cast<uint32_t>(e.dst_height),
           output->rowbytes, layout});
  return err;
}

const wchar_t kInterlacedTitle[] =
    L"Tessgrain only works in Progressive, not Interlaced, a red image will be displayed instead";
const wchar_t kInterlacedText[] =
    L"Unsupported Sequence Settings : Fields option is not supported. Please set to no fields for "
    L"Progressive images, not interlaced.\nTessgrain does not upscale interlaced sources.";

}  // namespace

PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
              PF_LayerDef* output) {
  const auto value = [params](ParamIndex index) {
    return ParamValue(Param(index), *params[index]);
  };
  // The legacy protocol renders on the CPU: the GPU parameter is not read.
  ParamValues values;
  values.scale = value(PARAM_SCALE);
  values.interpolation = value(PARAM_INTERPOLATION);
  values.edge_blur = value(PARAM_EDGE_BLUR);
  values.pixel_shape = value(PARAM_PIXEL_SHAPE);
  const RenderSettings s = ResolveSettings(values);

  if (in_data->appl_id != PF_APPL_ID_PREMIERE) return PF_Err_NONE;
  const LegacyFrame frame = LegacyFrameOf(*in_data);

  const SuiteScope<PF_PixelFormatSuite> formats(in_data, out_data, kPFPixelFormatSuite,
                                                kPFPixelFormatSuiteVersion1);
  PrPixelFormat format = PrPixelFormat_Invalid;
  const PF_Err format_err = formats->GetPixelFormat(output, &format);
  PF_Err err = format_err;

  if (frame.field == PF_Field_UPPER) {
    ShowHostNotice(in_data, out_data, kInterlacedTitle, kInterlacedText);
  }
  const bool too_old = PeekGlobalData(in_data->global_data).compat_state == COMPAT_TOO_OLD;
  if (too_old || frame.field > PF_Field_FRAME) {
    if (format_err == PF_Err_NONE) {
      // Frame set-up doubles a field render's height, which the red rectangle's formula does not
      // know: it would cover the top half only, and a half-red frame looks like a glitch.
      const PF_Rect red = frame.field > PF_Field_FRAME
                              ? PF_Rect{0, 0, output->width, output->height}
                              : ToLRect(LegacyRedRect(frame, out_data->origin.h, out_data->origin.v,
                                                      s.scale, output->width, output->height));
      err = Fill(in_data, &kRed, &red, output);
    }
    return err;
  }

  PF_EffectWorld* input = &params[PARAM_INPUT]->u.ld;
  switch (format) {
    case PrPixelFormat_BGRA_4444_32f:
      if (format_err == PF_Err_NONE) {
        err = LegacySetup(in_data, frame, input, output, s, PixelLayout::BGRAFloat);
      }
      break;
    case PrPixelFormat_BGRA_4444_8u:
      if (format_err == PF_Err_NONE) {
        err = LegacySetup(in_data, frame, input, output, s, PixelLayout::BGRA8);
      }
      break;
    default:
      err = PF_Err_UNRECOGNIZED_PARAM_TYPE;
      break;
  }
  return err;
}
