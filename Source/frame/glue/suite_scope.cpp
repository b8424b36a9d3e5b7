#include "frame/glue/suite_scope.h"

void RaiseMissingSuite(const PF_InData* in_data, PF_OutData* out_data) {
  if (out_data != nullptr) {
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    if (in_data != nullptr && in_data->utils != nullptr &&
        in_data->utils->ansi.sprintf != nullptr) {
      in_data->utils->ansi.sprintf(out_data->return_msg, "Not able to acquire AEFX Suite.");
    }
  }
  throw PF_Err{A_Err_MISSING_SUITE};
}

SuiteHold::SuiteHold(const PF_InData* in_data, const char* name, int32_t version)
    : basic_(in_data ? in_data->pica_basicP : nullptr), name_(name), version_(version) {
  const void* suite = nullptr;
  if (basic_ == nullptr || basic_->AcquireSuite(name, version, &suite) != kSPNoError) return;
  if (suite == nullptr) {  // acquired, but nothing to call through
    basic_->ReleaseSuite(name, version);
    return;
  }
  suite_ = suite;
}
