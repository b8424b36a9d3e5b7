// The parameter array devhost presents to the effect, and the commands that declare and update
// the parameters. Which parameter sits at which index, with which type, is known here alone.
#include "devhost/host_internal.h"

namespace devhost {

void PresentParams(const std::vector<PF_ParamDef>& declared, const EffectParams& values,
                   PF_ParamDef (&defs)[kParamSlots]) {
  // The definitions as the effect declared them, keeping the values the host stores.
  for (size_t i = 0; i < declared.size() && i + 1 < kParamSlots; ++i) {
    const PF_ParamDefUnion keep = defs[i + 1].u;
    defs[i + 1] = declared[i];
    defs[i + 1].u = keep;
  }
  defs[1].param_type = PF_Param_BUTTON;
  defs[2].param_type = PF_Param_FLOAT_SLIDER;
  defs[2].u.fs_d.value = values.scale;
  defs[3].param_type = PF_Param_POPUP;
  defs[3].u.pd.value = values.interpolation;
  defs[4].param_type = PF_Param_FLOAT_SLIDER;
  defs[4].u.fs_d.value = values.edge_blur;
  defs[5].param_type = PF_Param_CHECKBOX;
  defs[5].u.bd.value = values.gpu ? 1 : 0;
  defs[6].param_type = PF_Param_FIX_SLIDER;
  defs[7].param_type = PF_Param_POINT;
  defs[8].param_type = PF_Param_POPUP;
  defs[8].u.pd.value = values.pixel_shape;
  defs[9].param_type = PF_Param_BUTTON;
}

void DefaultsFromDeclared(const std::vector<PF_ParamDef>& declared, EffectParams* values) {
  const auto at = [&declared](int index) -> const PF_ParamDef* {
    const bool declared_there = index >= 1 && index <= static_cast<int>(declared.size());
    return declared_there ? &declared[index - 1] : nullptr;
  };
  if (const PF_ParamDef* d = at(2)) values->scale = d->u.fs_d.dephault;
  if (const PF_ParamDef* d = at(3)) values->interpolation = d->u.pd.dephault;
  if (const PF_ParamDef* d = at(4)) values->edge_blur = d->u.fs_d.dephault;
  if (const PF_ParamDef* d = at(5)) values->gpu = d->u.bd.dephault != 0;
  if (const PF_ParamDef* d = at(8)) values->pixel_shape = d->u.pd.dephault;
}

PF_Err Host::ParamsSetup() {
  declared_params.clear();
  const PF_Err err = Send(PF_Cmd_PARAMS_SETUP, nullptr, nullptr, nullptr);
  // A new instance of the effect starts from the declared defaults.
  DefaultsFromDeclared(declared_params, &params);
  return err;
}

PF_Err Host::UpdateParamsUI() {
  PF_ParamDef* params[kParamSlots];
  for (int i = 0; i < kParamSlots; ++i) params[i] = &impl_->defs[i];
  return Send(PF_Cmd_UPDATE_PARAMS_UI, params, nullptr, nullptr);
}

}  // namespace devhost
