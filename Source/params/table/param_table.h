// The effect's parameters, declared once. Parameter set-up declares them from this table, the UI
// update, the buttons and the render commands find them by index, and devhost presents its
// parameter array from it. Indices, ids, types and popup orders are stored in every project that
// uses the effect: never reorder or renumber.
#pragma once
#include <cstddef>
#include <cstdint>

#include "HostSDK.h"
#include "frame/strings/strings.h"
#include "plugin_description.h"

// Positions in the host's parameter array; index 0 is the host's own input layer.
enum ParamIndex : int {
  PARAM_INPUT = 0,
  PARAM_SETTINGS = 1,       // button "v1.1.0" / "Settings"
  PARAM_SCALE = 2,          // float slider
  PARAM_INTERPOLATION = 3,  // popup, 1-based ScalingType
  PARAM_EDGE_BLUR = 4,      // float slider
  PARAM_GPU = 5,            // checkbox
  PARAM_INSTANCE_ID = 6,    // hidden fixed-point slider
  PARAM_ANCHOR = 7,         // hidden point
  PARAM_PIXEL_SHAPE = 8,    // popup, 1-based PixelShape
  PARAM_UPDATE = 9,         // button "Download Online", only when the plug-in is too old
};

// Popup values of "Interpolation algo" (1-based; the renderers use value - 1).
enum InterpolationChoice : int {
  INTERPOLATION_NEAREST = 1,
  INTERPOLATION_LINEAR = 2,
  INTERPOLATION_NEAREST_AA = 3,
};

// UI flags a parameter starts with.
enum class ParamUI : uint8_t {
  Shown,                 // enabled and visible
  Main,                  // the main controls: disabled for an unsupported host or a too-old
                         // plug-in, and hidden too in the latter case
  MainHiddenInPremiere,  // a main control Premiere Pro never shows
  Hidden,                // kept in the project, never shown
};

struct ParamSpec {
  ParamIndex index;
  A_long id;  // the key under which hosts store the value in projects
  PF_ParamType type;
  StringId name;   // StrID_NONE: the plug-in's version text
  StringId text;   // a button's text or a popup's choices
  float min, max;  // slider range, valid and shown alike (the fixed-point slider in whole units)
  float dephault;
  float premiere_default;  // the default in Premiere Pro
  bool off_when_too_old;   // defaults to 0 when the plug-in is too old for the host
  bool only_when_too_old;  // declared only when the plug-in is too old for the host
  PF_ParamFlags flags;
  ParamUI ui;
};

inline constexpr ParamSpec kParams[] = {
    // index, id, type, name, text, min, max, default, Premiere default, off/only when too old,
    // flags, UI
    {PARAM_SETTINGS, 9, PF_Param_BUTTON, StrID_NONE, StrID_Settings_Button, 0, 0, 0, 0, false,
     false, PF_ParamFlag_SUPERVISE, ParamUI::Shown},
    {PARAM_SCALE, 1, PF_Param_FLOAT_SLIDER, StrID_Scale_Param_Name, StrID_NONE, 1, 64, 1, 1, false,
     false, 0, ParamUI::Main},
    {PARAM_INTERPOLATION, 3, PF_Param_POPUP, StrID_Interpolation_Param_Name,
     StrID_Interpolation_Choices, 0, 0, INTERPOLATION_NEAREST, INTERPOLATION_NEAREST, false, false,
     PF_ParamFlag_CANNOT_TIME_VARY, ParamUI::Main},
    {PARAM_EDGE_BLUR, 4, PF_Param_FLOAT_SLIDER, StrID_EdgeBlur_Param_Name, StrID_NONE, 0, 64, 1, 1,
     false, false, 0, ParamUI::Hidden},
    {PARAM_GPU, 2, PF_Param_CHECKBOX, StrID_GPU_Param_Name, StrID_NONE, 0, 0, 1, 0, true, false,
     PF_ParamFlag_CANNOT_TIME_VARY, ParamUI::MainHiddenInPremiere},
    {PARAM_INSTANCE_ID, 5, PF_Param_FIX_SLIDER, StrID_Instance_Param_Name, StrID_NONE, 0, 32767, 0,
     0, false, false, PF_ParamFlag_CANNOT_TIME_VARY, ParamUI::Hidden},
    {PARAM_ANCHOR, 6, PF_Param_POINT, StrID_Instance_Param_Name, StrID_NONE, 0, 0, 0, 0, false,
     false, 0, ParamUI::Hidden},
    {PARAM_PIXEL_SHAPE, 7, PF_Param_POPUP, StrID_PixelShape_Param_Name, StrID_PixelShape_Choices, 0,
     0, 1, 2, false, false, 0, ParamUI::Hidden},
    {PARAM_UPDATE, 8, PF_Param_BUTTON, StrID_Download_Param_Name, StrID_Update_Button, 0, 0, 0, 0,
     false, true, PF_ParamFlag_SUPERVISE, ParamUI::Shown},
};
inline constexpr int kPopupChoices = 3;

constexpr const ParamSpec& Param(ParamIndex index) { return kParams[index - 1]; }

// How many parameters the host is told of, its input layer included.
constexpr A_long NumParams(bool too_old) {
  A_long n = 1;
  for (const ParamSpec& p : kParams) n += (!p.only_when_too_old || too_old) ? 1 : 0;
  return n;
}

constexpr bool InIndexOrder() {
  for (size_t i = 0; i < std::size(kParams); ++i) {
    if (kParams[i].index != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(InIndexOrder(), "Param(index) finds a parameter at its position");
static_assert(NumParams(false) == 9 && NumParams(true) == 10,
              "hosts keep projects with nine parameters, ten with the update button");

// What decides a parameter's start at set-up.
struct ParamContext {
  bool premiere;        // the host is Premiere Pro
  bool too_old;         // the plug-in is too old for the host
  bool host_supported;  // the host's version passes the host-version check
};

constexpr bool DeclaredAtSetup(const ParamSpec& p, const ParamContext& c) {
  return !p.only_when_too_old || c.too_old;
}

constexpr double DefaultAtSetup(const ParamSpec& p, const ParamContext& c) {
  if (p.off_when_too_old && c.too_old) return 0;
  return c.premiere ? p.premiere_default : p.dephault;
}

constexpr PF_ParamUIFlags UIFlagsAtSetup(const ParamSpec& p, const ParamContext& c) {
  PF_ParamUIFlags main = 0;
  if (!c.host_supported || c.too_old) main |= PF_PUI_DISABLED;
  if (c.too_old) main |= PF_PUI_INVISIBLE;
  switch (p.ui) {
    case ParamUI::Main:
      return main;
    case ParamUI::MainHiddenInPremiere:
      return main | (c.premiere ? PF_PUI_INVISIBLE : 0);
    case ParamUI::Hidden:
      return PF_PUI_INVISIBLE;
    default:
      return 0;
  }
}

// The parameter's name as the host shows it.
inline const char* ParamName(const ParamSpec& p) {
  return p.name == StrID_NONE ? TG_VERSION_PARAM_NAME : GetString(p.name);
}

// A parameter's current value as a number (sliders, popups, checkboxes); 0 for the others. A
// cleared definition reads 0.
inline double ParamValue(const ParamSpec& p, const PF_ParamDef& def) {
  switch (p.type) {
    case PF_Param_FLOAT_SLIDER:
      return def.u.fs_d.value;
    case PF_Param_POPUP:
      return def.u.pd.value;
    case PF_Param_CHECKBOX:
      return def.u.bd.value;
    default:
      return 0;
  }
}

// Sets a definition's current value, as a host presents the stored value.
inline void SetParamValue(const ParamSpec& p, PF_ParamDef& def, double value) {
  switch (p.type) {
    case PF_Param_FLOAT_SLIDER:
      def.u.fs_d.value = value;
      break;
    case PF_Param_POPUP:
      def.u.pd.value = static_cast<A_long>(value);
      break;
    case PF_Param_CHECKBOX:
      def.u.bd.value = value != 0 ? 1 : 0;
      break;
    default:
      break;
  }
}
