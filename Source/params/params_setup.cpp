#include "params/params_setup.h"

#include <cstring>

#include "foundation/module_info.h"
#include "frame/global_data.h"
#include "frame/strings.h"
#include "host/compat_gate.h"
#include "params/param_index.h"
#include "plugin_description.h"

namespace {

// Ids under which the hosts store the values in projects: never change them.
enum ParamId : A_long {
  ID_SCALE = 1,
  ID_GPU = 2,
  ID_INTERPOLATION = 3,
  ID_EDGE_BLUR = 4,
  ID_INSTANCE = 5,
  ID_ANCHOR = 6,
  ID_PIXEL_SHAPE = 7,
  ID_UPDATE = 8,
  ID_SETTINGS = 9,
};

PF_ParamDef Def(PF_ParamType type, A_long id, const char* name, PF_ParamFlags flags,
                PF_ParamUIFlags ui_flags) {
  PF_ParamDef def;
  std::memset(&def, 0, sizeof(def));
  def.param_type = type;
  def.uu.id = id;
  std::strncpy(def.name, name, sizeof(def.name) - 1);
  def.flags = flags;
  def.ui_flags = ui_flags;
  return def;
}

PF_ParamDef Button(A_long id, const char* name, const char* text) {
  PF_ParamDef def = Def(PF_Param_BUTTON, id, name, PF_ParamFlag_SUPERVISE, 0);
  def.u.button_d.u.namesptr = text;
  return def;
}

PF_ParamDef FloatSlider(A_long id, const char* name, float min, float max, PF_ParamUIFlags ui) {
  PF_ParamDef def = Def(PF_Param_FLOAT_SLIDER, id, name, 0, ui);
  PF_FloatSliderDef& s = def.u.fs_d;
  s.valid_min = s.slider_min = min;
  s.valid_max = s.slider_max = max;
  s.value = s.dephault = 1.0f;
  s.precision = 2;
  return def;
}

PF_ParamDef Popup(A_long id, const char* name, const char* choices, A_short value,
                  PF_ParamFlags flags, PF_ParamUIFlags ui) {
  PF_ParamDef def = Def(PF_Param_POPUP, id, name, flags, ui);
  def.u.pd.num_choices = 3;
  def.u.pd.dephault = value;
  def.u.pd.value = value;
  def.u.pd.u.namesptr = choices;
  return def;
}

}  // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
  const uint32_t level = PeekGlobalData(out_data->global_data).compat_state;
  const mlVersion host_version = GetHostAppVersion();
  const bool host_supported = CheckHostVersion(host_version.major, host_version.minor);
  const bool premiere = in_data->appl_id == PF_APPL_ID_PREMIERE;
  const bool too_old = level == COMPAT_TOO_OLD;

  // The main controls: disabled for an unsupported host or a too-old plug-in, and hidden too
  // in the latter case, where only the two buttons remain.
  PF_ParamUIFlags main = 0;
  if (!host_supported || too_old) main |= PF_PUI_DISABLED;
  if (too_old) main |= PF_PUI_INVISIBLE;

  PF_ParamDef defs[9];
  int count = 0;
  defs[count++] = Button(ID_SETTINGS, TG_VERSION_PARAM_NAME, GetString(StrID_Settings_Button));
  defs[count++] = FloatSlider(ID_SCALE, GetString(StrID_Scale_Param_Name), 1.0f, 64.0f, main);
  defs[count++] = Popup(ID_INTERPOLATION, GetString(StrID_Interpolation_Param_Name),
                        GetString(StrID_Interpolation_Choices), 1, PF_ParamFlag_CANNOT_TIME_VARY, main);
  defs[count++] = FloatSlider(ID_EDGE_BLUR, GetString(StrID_EdgeBlur_Param_Name), 0.0f, 64.0f,
                              PF_PUI_INVISIBLE);

  PF_ParamDef gpu = Def(PF_Param_CHECKBOX, ID_GPU, GetString(StrID_GPU_Param_Name),
                        PF_ParamFlag_CANNOT_TIME_VARY, main | (premiere ? PF_PUI_INVISIBLE : 0));
  gpu.u.bd.value = gpu.u.bd.dephault = (premiere || too_old) ? 0 : 1;
  gpu.u.bd.u.nameptr = "";
  defs[count++] = gpu;

  PF_ParamDef instance = Def(PF_Param_FIX_SLIDER, ID_INSTANCE, GetString(StrID_Instance_Param_Name),
                             PF_ParamFlag_CANNOT_TIME_VARY, PF_PUI_INVISIBLE);
  instance.u.fd.valid_max = instance.u.fd.slider_max = 32767 << 16;  // 16.16 fixed point
  defs[count++] = instance;

  defs[count++] = Def(PF_Param_POINT, ID_ANCHOR, GetString(StrID_Instance_Param_Name), 0, PF_PUI_INVISIBLE);
  defs[count++] = Popup(ID_PIXEL_SHAPE, GetString(StrID_PixelShape_Param_Name),
                        GetString(StrID_PixelShape_Choices), premiere ? 2 : 1, 0, PF_PUI_INVISIBLE);
  if (too_old) {
    defs[count++] = Button(ID_UPDATE, GetString(StrID_Download_Param_Name), GetString(StrID_Update_Button));
  }

  for (int i = 0; i < count; ++i) {
    const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &defs[i]);
    if (err != PF_Err_NONE) return err;
  }
  out_data->num_params = too_old ? 10 : 9;
  return PF_Err_NONE;
}
