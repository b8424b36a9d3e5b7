#include "frame/commands/dispatch.h"

#include "engine/commands/prerender.h"
#include "engine/commands/render.h"
#include "frame/commands/global_setup.h"
#include "frame/strings/strings.h"
#include "gpu/gpu_device.h"
#include "host/compat_gate.h"
#include "params/commands/params_setup.h"
#include "params/commands/ui_update.h"
#include "params/commands/user_changed.h"
#include "plugin_description.h"

namespace {

PF_Err About(PF_InData* in_data, PF_OutData* out_data) {
  in_data->utils->ansi.sprintf(out_data->return_msg, "%s\n\n%s", GetString(StrID_Name),
                               GetString(StrID_Description));
  return PF_Err_NONE;
}

}  // namespace

// The command table. Commands without a row are accepted and answered with 0.
PF_Err Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                PF_LayerDef* output, void* extra) {
  switch (cmd) {
    case PF_Cmd_ABOUT:
      return About(in_data, out_data);
    case PF_Cmd_GLOBAL_SETUP:
      return GlobalSetup(in_data, out_data);
    case PF_Cmd_GLOBAL_SETDOWN:
      return PF_Err_NONE;
    case PF_Cmd_PARAMS_SETUP:
      return ParamsSetup(in_data, out_data);
    case PF_Cmd_DO_DIALOG:
      DoDialog();
      return PF_Err_NONE;
    case PF_Cmd_FRAME_SETUP:
      return FrameSetup(in_data, out_data, params);
    case PF_Cmd_RENDER:
      return Render(in_data, out_data, params, output);
    case PF_Cmd_USER_CHANGED_PARAM:
      return UserChangedParam(in_data, out_data, params,
                              static_cast<PF_UserChangedParamExtra*>(extra));
    case PF_Cmd_UPDATE_PARAMS_UI:
      return UpdateParameterUI(in_data, out_data, params);
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
      return PF_Err_NONE;
  }
}

A_Err RegisterEffect(PF_PluginDataPtr inPtr, PF_PluginDataCB callback, const char* host_name,
                     const char* host_version) {
  if (!CheckHostAtRegistration(host_name, host_version)) return PF_Err_INVALID_CALLBACK;
  return callback(inPtr, reinterpret_cast<const A_u_char*>(TG_DISPLAY_NAME),
                  reinterpret_cast<const A_u_char*>(TG_MATCH_NAME),
                  reinterpret_cast<const A_u_char*>(TG_CATEGORY),
                  reinterpret_cast<const A_u_char*>(TG_ENTRY_POINT), TG_KIND, TG_API_VERSION_MAJOR,
                  TG_API_VERSION_MINOR, TG_RESERVED_INFO);
}
