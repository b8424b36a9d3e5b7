#include "frame/suite_scope.h"

void RaiseMissingSuite(const PF_InData* in_data, PF_OutData* out_data) {
  if (out_data != nullptr) {
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    if (in_data != nullptr && in_data->utils != nullptr && in_data->utils->ansi.sprintf != nullptr) {
      in_data->utils->ansi.sprintf(out_data->return_msg, "Not able to acquire AEFX Suite.");
    }
  }
  throw PF_Err{A_Err_MISSING_SUITE};
}
