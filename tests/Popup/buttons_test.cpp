// The settings button and the dialog command through devhost on the loaded module (a copy beside
// the test companion): both run the companion's pop-up with the same request; other parameters do
// nothing here.
#include <gtest/gtest.h>

#include "devhost/host/host.h"
#include "params/table/param_table.h"
#include "popup_test_support.h"

namespace {

using devhost::Host;
using devhost::HostApp;
using popup_test::CompanionTest;
using popup_test::ReadBytes;
using popup_test::Utf8;
namespace fs = std::filesystem;

constexpr char kRequestLine[] =
    "{\"popup\":\"HostSettings\",\"host\":0,\"plugin\":10,\"tab\":3,\"owner\":0}\n";

using Buttons = CompanionTest;

TEST_F(Buttons, SettingsButtonAndDialogCommandOpenTheSamePopup) {
  for (const HostApp app : {HostApp::AfterEffects, HostApp::PremierePro}) {
    Host host(popup_test::EffectBesideCompanion(), app);
    Plan({"record " + Utf8(File("button.txt")), "out json:{}\\n"});
    EXPECT_EQ(host.PressButton(PARAM_SETTINGS), PF_Err_NONE);
    Plan({"record " + Utf8(File("dialog.txt")), "out json:{}\\n"});
    EXPECT_EQ(host.DoDialog(), PF_Err_NONE);
    EXPECT_EQ(ReadBytes(File("button.txt")), kRequestLine);
    EXPECT_EQ(ReadBytes(File("dialog.txt")), kRequestLine);
  }
}

TEST_F(Buttons, PopupFailuresDoNotReachTheHost) {
  Host host(popup_test::EffectBesideCompanion(), HostApp::AfterEffects);
  Plan({"record " + Utf8(File("request.txt")), "out json:{broken\\n", "exit 9"});
  EXPECT_EQ(host.DoDialog(), PF_Err_NONE);
  EXPECT_EQ(host.PressButton(PARAM_SETTINGS), PF_Err_NONE);
  EXPECT_EQ(ReadBytes(File("request.txt")), kRequestLine);
  EXPECT_EQ(host.out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
}

TEST_F(Buttons, OtherParametersStartNothing) {
  Host host(popup_test::EffectBesideCompanion(), HostApp::AfterEffects);
  Plan({"record " + Utf8(File("request.txt"))});
  for (const int index : std::initializer_list<int>{PARAM_INPUT, PARAM_SCALE, PARAM_INTERPOLATION,
                                                    PARAM_PIXEL_SHAPE, 10, -1}) {
    EXPECT_EQ(host.PressButton(index), PF_Err_NONE) << index;
  }
  EXPECT_FALSE(fs::exists(File("request.txt")));
}

}  // namespace
