#include "frame/glue/host_notice.h"

#include <algorithm>
#include <cstring>

#include "foundation/utf8_string.h"
#include "frame/glue/suite_scope.h"

namespace {

constexpr size_t kEventTextUnits = 256;

// The error suite takes UTF-16 buffers of 256 units; longer text is cut to 255 units.
void CopyToEventBuffer(const std::wstring& from, A_u_short (&to)[kEventTextUnits]) {
  const size_t n = std::min(from.size(), kEventTextUnits - 1);
  for (size_t i = 0; i < n; ++i) to[i] = static_cast<A_u_short>(from[i]);
  to[n] = 0;
}

void NoticeThroughErrorSuite(const PF_InData* in_data, const std::wstring& title,
                             const std::wstring& text) {
  const SuiteScope<PrSDKErrorSuite3> errors(in_data, kPrSDKErrorSuite, kPrSDKErrorSuiteVersion3,
                                            std::nothrow);
  if (!errors) return;
  A_u_short title_buf[kEventTextUnits];
  A_u_short text_buf[kEventTextUnits];
  CopyToEventBuffer(title, title_buf);
  CopyToEventBuffer(text, text_buf);
  errors->SetEventStringUnicode(PrSDKErrorSuite3_kEventTypeWarning, title_buf, text_buf);
}

void NoticeThroughReturnMessage(const PF_InData* in_data, PF_OutData* out_data,
                                const std::wstring& title, const std::wstring& text) {
  if (out_data == nullptr || in_data->utils == nullptr || in_data->utils->ansi.strcpy == nullptr) {
    return;
  }
  const std::wstring joined = title + L"\n\n" + text;
  std::string utf8 = WideToUtf8(joined.c_str());
  if (utf8.size() > sizeof(out_data->return_msg) - 1) utf8.resize(sizeof(out_data->return_msg) - 1);
  in_data->utils->ansi.strcpy(out_data->return_msg, utf8.c_str());
}

}  // namespace

void ShowHostNotice(const PF_InData* in_data, PF_OutData* out_data, const std::wstring& title,
                    const std::wstring& text) {
  if (in_data == nullptr) return;
  switch (in_data->appl_id) {
    case PF_APPL_ID_PREMIERE:
      NoticeThroughErrorSuite(in_data, title, text);
      break;
    case PF_APPL_ID_AFTER_EFFECTS:
      NoticeThroughReturnMessage(in_data, out_data, title, text);
      break;
    default:
      break;
  }
}
