#include "params/commands/params_setup.h"

#include <cstring>

#include "foundation/module_info.h"
#include "frame/glue/global_data.h"
#include "host/compat_gate.h"
#include "params/table/param_table.h"

namespace {

// A definition as the host expects it at set-up: cleared, then the table's values.
PF_ParamDef Declaration(const ParamSpec& p, const ParamContext& context) {
  PF_ParamDef def;
  std::memset(&def, 0, sizeof(def));
  def.param_type = p.type;
  def.uu.id = p.id;
  std::strncpy(def.name, ParamName(p), sizeof(def.name) - 1);
  def.flags = p.flags;
  def.ui_flags = UIFlagsAtSetup(p, context);
  const double dephault = DefaultAtSetup(p, context);
  switch (p.type) {
    case PF_Param_BUTTON:
      def.u.button_d.u.namesptr = GetString(p.text);
      break;
    case PF_Param_FLOAT_SLIDER: {
      PF_FloatSliderDef& s = def.u.fs_d;
      s.valid_min = s.slider_min = p.min;
      s.valid_max = s.slider_max = p.max;
      s.dephault = static_cast<PF_FpShort>(dephault);
      s.precision = 2;
      break;
    }
    case PF_Param_POPUP:
      def.u.pd.num_choices = kPopupChoices;
      def.u.pd.dephault = static_cast<A_short>(dephault);
      def.u.pd.u.namesptr = GetString(p.text);
      break;
    case PF_Param_CHECKBOX:
      def.u.bd.dephault = static_cast<PF_Boolean>(dephault);
      def.u.bd.u.nameptr = "";
      break;
    case PF_Param_FIX_SLIDER: {
      PF_FixedSliderDef& s = def.u.fd;
      // 16.16 fixed point
      s.valid_min = s.slider_min = static_cast<PF_Fixed>(p.min) << 16;
      s.valid_max = s.slider_max = static_cast<PF_Fixed>(p.max) << 16;
      s.value = s.dephault = static_cast<PF_Fixed>(dephault) << 16;
      break;
    }
    default:
      break;
  }
  SetParamValue(p, def, dephault);
  return def;
}

}  // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
  const mlVersion host_version = GetHostAppVersion();
  ParamContext context;
  context.too_old = PeekGlobalData(out_data->global_data).compat_state == COMPAT_TOO_OLD;
  context.host_supported = CheckHostVersion(host_version.major, host_version.minor);
  context.premiere = in_data->appl_id == PF_APPL_ID_PREMIERE;

  for (const ParamSpec& p : kParams) {
    if (!DeclaredAtSetup(p, context)) continue;
    PF_ParamDef def = Declaration(p, context);
    const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def);
    if (err != PF_Err_NONE) return err;
  }
  out_data->num_params = NumParams(context.too_old);
  return PF_Err_NONE;
}
