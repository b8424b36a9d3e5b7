#include "frame/commands/global_setup.h"

#include "Popup/version_notice.h"
#include "frame/glue/global_data.h"
#include "frame/glue/host_guards.h"
#include "frame/glue/suite_scope.h"
#include "plugin_description.h"

namespace {

// Premiere Pro renders through the legacy path in these two layouts, float preferred.
PF_Err DeclarePremiereFormats(PF_InData* in_data, PF_OutData* out_data) {
  const SuiteScope<PF_PixelFormatSuite> formats(in_data, out_data, kPFPixelFormatSuite,
                                                kPFPixelFormatSuiteVersion1);
  PF_Err err = formats->ClearSupportedPixelFormats(in_data->effect_ref);
  if (err == PF_Err_NONE)
    err = formats->AddSupportedPixelFormat(in_data->effect_ref, PrPixelFormat_BGRA_4444_32f);
  if (err == PF_Err_NONE)
    err = formats->AddSupportedPixelFormat(in_data->effect_ref, PrPixelFormat_BGRA_4444_8u);
  return err;
}

PF_Err RegisterWithAEGP(PF_InData* in_data, PF_OutData* out_data, GlobalData& global) {
  const SuiteScope<AEGP_UtilitySuite6> utility(in_data, nullptr, kAEGPUtilitySuite,
                                               kAEGPUtilitySuiteVersion6);
  const PF_Err err = utility->AEGP_RegisterWithAEGP(nullptr, TG_DISPLAY_NAME, &global.plugin_id);
  if (err != PF_Err_NONE) {
    in_data->utils->ansi.sprintf(out_data->return_msg, "Cannot register plugin with AEGP!");
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
  }
  return err;
}

}  // namespace

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data) {
  out_data->my_version = static_cast<A_u_long>(TG_PACKED_VERSION);
  out_data->out_flags = static_cast<PF_OutFlags>(TG_OUT_FLAGS);
  out_data->out_flags2 = static_cast<PF_OutFlags2>(TG_OUT_FLAGS2_PREMIERE);
  PF_Err err = PF_Err_NONE;

  if (in_data->appl_id == PF_APPL_ID_PREMIERE) {
    err = DeclarePremiereFormats(in_data, out_data);
  } else {
    out_data->out_flags2 = static_cast<PF_OutFlags2>(TG_OUT_FLAGS2);
  }

  const SuiteScope<PF_HandleSuite1> handles(in_data, out_data, kPFHandleSuite,
                                            kPFHandleSuiteVersion1);
  // The handle goes to the host only when set-up succeeds; otherwise it is disposed of here, or
  // the host would keep it for the rest of the session.
  OwnedHandle handle(*handles, sizeof(GlobalData));
  if (handle.get() == nullptr) return PF_Err_OUT_OF_MEMORY;
  LockedHandle locked(*handles, handle.get());
  GlobalData* global = static_cast<GlobalData*>(locked.data());
  if (global == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  global->plugin_id = 0;
  global->compat_state = RateCompatibility(in_data);
  ShowVersionNotice(static_cast<CompatibilityLevel>(global->compat_state), in_data, out_data);

  if (in_data->appl_id == PF_APPL_ID_AFTER_EFFECTS) {
    const PF_Err registered = RegisterWithAEGP(in_data, out_data, *global);
    if (err == PF_Err_NONE) err = registered;
  }
  locked.Unlock();
  if (err == PF_Err_NONE) out_data->global_data = handle.Release();
  return err;
}
