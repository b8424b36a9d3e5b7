// Button presses and the dialog command: the host's answer to the user clicking in the effect's
// controls or choosing the effect's options.
#include "devhost/host.h"

namespace devhost {

PF_Err Host::PressButton(int index) {
  // The handler reads the index from the extra record; the parameters are passed as a host would.
  PF_ParamDef defs[10]{};
  PF_ParamDef* params[10];
  for (int i = 0; i < 10; ++i) params[i] = &defs[i];
  PF_UserChangedParamExtra extra{index};
  return Send(PF_Cmd_USER_CHANGED_PARAM, params, nullptr, &extra);
}

PF_Err Host::DoDialog() { return Send(PF_Cmd_DO_DIALOG, nullptr, nullptr, nullptr); }

}  // namespace devhost
