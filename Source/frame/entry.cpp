#include "frame/entry.h"

#include "engine/prerender.h"
#include "engine/render.h"
#include "params/user_changed.h"

namespace {

PF_Err Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                PF_LayerDef* output, void* extra) {
  switch (cmd) {
    case PF_Cmd_DO_DIALOG:
      DoDialog();
      return PF_Err_NONE;
    case PF_Cmd_USER_CHANGED_PARAM:
      return UserChangedParam(in_data, out_data, params, static_cast<PF_UserChangedParamExtra*>(extra));
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
