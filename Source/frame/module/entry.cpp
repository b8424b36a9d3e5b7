#include "frame/module/entry.h"

#include "frame/commands/dispatch.h"

const int NvOptimusEnablementCuda = 1;

A_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr,
                              SPBasicSuite*, const char* inHostName, const char* inHostVersion) {
  try {
    return RegisterEffect(inPtr, inPluginDataCallBackPtr, inHostName, inHostVersion);
  } catch (...) {
    return A_Err_GENERIC;
  }
}

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
