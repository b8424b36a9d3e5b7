// ShowHostNotice against devhost's two hosts, driven from inside a command as the effect does.
#include <gtest/gtest.h>

#include <string>

#include "devhost/host/host.h"
#include "frame/glue/host_notice.h"

namespace {

std::wstring g_title, g_text;

PF_Err NoticeEntry(PF_Cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef**, PF_LayerDef*,
                   void*) {
  ShowHostNotice(in_data, out_data, g_title, g_text);
  return PF_Err_NONE;
}

TEST(HostNotice, AfterEffectsJoinsTitleAndTextInTheReturnMessage) {
  devhost::Host host(&NoticeEntry, devhost::HostApp::AfterEffects);
  g_title = L"T\u00e9";
  g_text = L"X";
  host.Send(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr);
  EXPECT_STREQ(host.out_data.return_msg, "T\xc3\xa9\n\nX");
  EXPECT_EQ(host.out_data.out_flags, 0);  // whether it shows is the caller's flag
  EXPECT_TRUE(host.notices.empty());

  g_title = std::wstring(300, L'a');
  host.Send(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::string(host.out_data.return_msg), std::string(255, 'a'));
}

TEST(HostNotice, PremiereGetsAWarningEventCutTo255Units) {
  devhost::Host host(&NoticeEntry, devhost::HostApp::PremierePro);
  g_title = std::wstring(300, L'b');
  g_text = L"text";
  host.Send(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr);
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0].event_type, 2u);
  EXPECT_EQ(host.notices[0].title, std::u16string(255, u'b'));
  EXPECT_EQ(host.notices[0].text, u"text");
  EXPECT_EQ(host.out_data.return_msg[0], '\0');

  // Without the error suite nothing is shown and nothing is reported.
  devhost::Host refusing(&NoticeEntry, devhost::HostApp::PremierePro);
  refusing.RefuseSuite(kPrSDKErrorSuite);
  EXPECT_EQ(refusing.Send(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr), PF_Err_NONE);
  EXPECT_TRUE(refusing.notices.empty());
  EXPECT_EQ(refusing.out_data.out_flags, 0);
}

}  // namespace
