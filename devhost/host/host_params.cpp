// The parameter array devhost presents to the effect, and the commands that declare and update
// the parameters. Positions and types come from the effect's parameter table.
#include "devhost/host/host_internal.h"

namespace devhost {

namespace {

double Get(const EffectParams& v, ParamIndex index) {
  switch (index) {
    case PARAM_SCALE:
      return v.scale;
    case PARAM_INTERPOLATION:
      return v.interpolation;
    case PARAM_EDGE_BLUR:
      return v.edge_blur;
    case PARAM_GPU:
      return v.gpu ? 1 : 0;
    case PARAM_PIXEL_SHAPE:
      return v.pixel_shape;
    default:
      return 0;
  }
}

void Set(EffectParams& v, ParamIndex index, double value) {
  switch (index) {
    case PARAM_SCALE:
      v.scale = value;
      break;
    case PARAM_INTERPOLATION:
      v.interpolation = static_cast<int>(value);
      break;
    case PARAM_EDGE_BLUR:
      v.edge_blur = value;
      break;
    case PARAM_GPU:
      v.gpu = value != 0;
      break;
    case PARAM_PIXEL_SHAPE:
      v.pixel_shape = static_cast<int>(value);
      break;
    default:
      break;
  }
}

// A declaration's default, read the way its type keeps it.
double DeclaredDefault(const ParamSpec& p, const PF_ParamDef& def) {
  switch (p.type) {
    case PF_Param_FLOAT_SLIDER:
      return def.u.fs_d.dephault;
    case PF_Param_POPUP:
      return def.u.pd.dephault;
    case PF_Param_CHECKBOX:
      return def.u.bd.dephault;
    default:
      return 0;
  }
}

}  // namespace

void PresentParams(const std::vector<PF_ParamDef>& declared, const EffectParams& values,
                   PF_ParamDef (&defs)[kParamSlots]) {
  // The definitions as the effect declared them, with the values the host stores, at the
  // positions and types of the parameter table.
  for (const ParamSpec& p : kParams) {
    PF_ParamDef& def = defs[p.index];
    if (p.index <= static_cast<int>(declared.size())) {
      const PF_ParamDefUnion keep = def.u;
      def = declared[p.index - 1];
      def.u = keep;
    }
    def.param_type = p.type;
    SetParamValue(p, def, Get(values, p.index));
  }
}

void DefaultsFromDeclared(const std::vector<PF_ParamDef>& declared, EffectParams* values) {
  for (const ParamSpec& p : kParams) {
    if (p.index <= static_cast<int>(declared.size())) {
      Set(*values, p.index, DeclaredDefault(p, declared[p.index - 1]));
    }
  }
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
