#include "Popup/version_notice.h"

#include <algorithm>
#include <string>

#include "foundation/module_info.h"
#include "frame/glue/host_notice.h"

namespace {

// The API versions this build was made for: After Effects up to 13.30 and Premiere Pro up to
// 13.5 suit it; the next two After Effects minors and the next Premiere Pro minor still run it
// but advise an update; anything newer is too new for it.
constexpr A_short kApiMajor = 13;
constexpr A_short kAfterEffectsLastSuited = 30;
constexpr A_short kAfterEffectsLastAdvised = 32;
constexpr A_short kPremiereLastSuited = 5;
constexpr A_short kPremiereLastAdvised = 6;

// Host executables from this major version on are too new for this build, whatever API they
// report.
constexpr std::uint8_t kFirstTooNewExecutable = 27;

// The maker's site, as in the PiPL's support address.
const wchar_t kDownloadAddress[] = L"www.mirelune.com/Orbisk";

CompatibilityLevel RateApi(PF_SpecVersion api, A_short lastSuited, A_short lastAdvised,
                           CompatibilityLevel base) {
  if (api.major > kApiMajor) return COMPAT_TOO_OLD;
  if (api.major < kApiMajor || api.minor <= lastSuited) return base;
  if (api.minor <= lastAdvised) return std::max(COMPAT_UPDATE_ADVISED, base);
  return COMPAT_TOO_OLD;
}

}  // namespace

CompatibilityLevel RateCompatibilityFor(A_long appl_id, PF_SpecVersion api_version,
                                        const mlVersion& host_executable) {
  const CompatibilityLevel base =
      host_executable.major >= kFirstTooNewExecutable ? COMPAT_TOO_OLD : COMPAT_SUITS;
  switch (appl_id) {
    case PF_APPL_ID_AFTER_EFFECTS:
      return RateApi(api_version, kAfterEffectsLastSuited, kAfterEffectsLastAdvised, base);
    case PF_APPL_ID_PREMIERE:
      return RateApi(api_version, kPremiereLastSuited, kPremiereLastAdvised, base);
    default:
      return base;
  }
}

CompatibilityLevel RateCompatibility(const PF_InData* in_data) {
  return RateCompatibilityFor(in_data->appl_id, in_data->version, GetHostAppVersion());
}

void ShowVersionNotice(CompatibilityLevel level, const PF_InData* in_data, PF_OutData* out_data) {
  if (level == COMPAT_SUITS) return;
  if (level == COMPAT_UPDATE_ADVISED) {
    ShowHostNotice(in_data, out_data,
                   L"Old Mirelune Tessgrain version : please update Mirelune Orbisk !",
                   std::wstring(L"Please upgrade your Tessgrain plugin to it's latest version to "
                                L"get best experience. Free download here : ") +
                       kDownloadAddress);
  } else {
    ShowHostNotice(in_data, out_data, L"Incompatible Tessgrain version",
                   std::wstring(L"Tessgrain version is too old, please update your Tessgrain to "
                                L"use it. Free download here : ") +
                       kDownloadAddress);
  }
  // After Effects shows the message buffer only when asked to; without the flag the user would
  // never see the notice.
  if (out_data != nullptr && in_data != nullptr && in_data->appl_id == PF_APPL_ID_AFTER_EFFECTS) {
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
  }
}
