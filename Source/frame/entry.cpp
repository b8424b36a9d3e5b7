#include "frame/entry.h"

#include "engine/prerender.h"
#include "engine/render.h"
#include "gpu/gpu_device.h"

namespace {

PF_Err Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                PF_LayerDef* output, void* extra) {
  switch (cmd) {
    case PF_Cmd_FRAME_SETUP:
      return FrameSetup(in_data, out_data, params);
    case PF_Cmd_RENDER:
      return Render(in_data, out_data, params, output);
    case PF_Cmd_SMART_PRE_RENDER:
      return SmartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER:
      return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra), false);
    case PF_Cmd_SMART_RENDER_GPU:
      return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra), true);
    case PF_Cmd_GPU_DEVICE_SETUP:
      return GpuDeviceSetup(in_data, out_data, static_cast<PF_GPUDeviceSetupExtra*>(extra));
    case PF_Cmd_GPU_DEVICE_SETDOWN:
      return GpuDeviceSetdown(in_data, out_data, static_cast<PF_GPUDeviceSetdownExtra*>(extra));
    default:
      return PF_Err_NONE;  // accepted, nothing to do
  }
}

}  // namespace

PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, void* extra) {
  // Handlers raise host error codes as integers; anything else raised is a generic failure.
  try {
    return Dispatch(cmd, in_data, out_data, params, output, extra);
  } catch (PF_Err code) {
    return code;
  } catch (...) {
    return A_Err_GENERIC;
  }
}
