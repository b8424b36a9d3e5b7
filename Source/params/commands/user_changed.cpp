#include "params/commands/user_changed.h"

#include "Popup/PopupClient.h"
#include "params/table/param_table.h"

namespace {

// The suite's settings pop-up on the host-settings tab, for this plug-in.
constexpr std::int32_t kPopupHost = 0;
constexpr std::int32_t kPopupPlugin = 10;
constexpr std::int32_t kPopupTab = 3;

}  // namespace

PF_Err UserChangedParam(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_UserChangedParamExtra* extra) {
  if (extra == nullptr) return PF_Err_NONE;
  switch (extra->param_index) {
    case PARAM_SETTINGS:
      ShowSettingsPopup(kPopupHost, kPopupPlugin, kPopupTab);
      break;
    case PARAM_UPDATE:
      OpenUpdatePage();
      break;
    default:
      break;
  }
  return PF_Err_NONE;
}

PF_Err DoDialog() {
  ShowSettingsPopup(kPopupHost, kPopupPlugin, kPopupTab);
  return PF_Err_NONE;
}
