// Rating this build against the host's API version and executable, and the notices shown for a
// rating, observed through devhost.
#include "Popup/version_notice.h"

#include <gtest/gtest.h>

#include <string>

#include "devhost/host/host.h"

namespace {

TEST(RateCompatibility, ByHostApiAndExecutableVersion) {
  const A_long ae = PF_APPL_ID_AFTER_EFFECTS, pr = PF_APPL_ID_PREMIERE,
               other = devhost::kOtherHostId;
  const mlVersion v25{25, 0, 0, 0}, v27{27, 0, 0, 0};
  struct Case {
    A_long app;
    A_short major, minor;
    mlVersion executable;
    CompatibilityLevel level;
  };
  for (const Case& c :
       {Case{ae, 12, 99, v25, COMPAT_SUITS}, Case{ae, 13, 30, v25, COMPAT_SUITS},
        Case{ae, 13, 31, v25, COMPAT_UPDATE_ADVISED}, Case{ae, 13, 32, v25, COMPAT_UPDATE_ADVISED},
        Case{ae, 13, 33, v25, COMPAT_TOO_OLD}, Case{ae, 14, 0, v25, COMPAT_TOO_OLD},
        Case{pr, 12, 40, v25, COMPAT_SUITS}, Case{pr, 13, 5, v25, COMPAT_SUITS},
        Case{pr, 13, 6, v25, COMPAT_UPDATE_ADVISED}, Case{pr, 13, 7, v25, COMPAT_TOO_OLD},
        Case{pr, 14, 0, v25, COMPAT_TOO_OLD},
        // Each host's limits are its own.
        Case{pr, 13, 31, v25, COMPAT_TOO_OLD}, Case{ae, 13, 6, v25, COMPAT_SUITS},
        // An executable from 27 on is too new for every host, whatever its API.
        Case{ae, 12, 0, v27, COMPAT_TOO_OLD},
        Case{ae, 13, 31, mlVersion{200, 1, 0, 0}, COMPAT_TOO_OLD},
        Case{pr, 13, 5, v27, COMPAT_TOO_OLD}, Case{other, 13, 29, v27, COMPAT_TOO_OLD},
        Case{other, 99, 99, mlVersion{26, 255, 255, 255}, COMPAT_SUITS},
        Case{other, 13, 29, mlVersion{}, COMPAT_SUITS}}) {  // unreadable: 0.0.0.0
    EXPECT_EQ(RateCompatibilityFor(c.app, PF_SpecVersion{c.major, c.minor}, c.executable), c.level)
        << c.app << " " << c.major << "." << c.minor << " in " << int{c.executable.major};
  }
}

// ---- Notices, shown from inside a command as global set-up shows them ----

CompatibilityLevel g_level = COMPAT_SUITS;
A_long g_appl_id = 0;

PF_Err NoticeEntry(PF_Cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef**, PF_LayerDef*,
                   void*) {
  if (g_appl_id != 0) in_data->appl_id = g_appl_id;
  ShowVersionNotice(g_level, in_data, out_data);
  return PF_Err_NONE;
}

struct Shown {
  std::string return_msg;  // what the host displayed of the message buffer
  std::vector<devhost::Notice> notices;
};

Shown ShowIn(devhost::HostApp app, CompatibilityLevel level, A_long appl_id = 0) {
  g_level = level;
  g_appl_id = appl_id;
  devhost::Host host(&NoticeEntry, app);
  EXPECT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr), PF_Err_NONE);
  EXPECT_LE(host.shown_messages.size(), 1u);
  return Shown{host.shown_messages.empty() ? "" : host.shown_messages[0], host.notices};
}

// The texts are the notice code's own; here, which notice goes where.
TEST(VersionNotice, EachLevelsNoticeReachesEachHostItsWay) {
  const Shown update = ShowIn(devhost::HostApp::AfterEffects, COMPAT_UPDATE_ADVISED);
  EXPECT_EQ(update.return_msg.rfind("Old Mirelune Tessgrain version : please update", 0), 0u)
      << update.return_msg;
  EXPECT_NE(update.return_msg.find("\n\nPlease upgrade your Tessgrain plugin"), std::string::npos);
  EXPECT_TRUE(update.notices.empty());

  for (const CompatibilityLevel level : {COMPAT_TOO_OLD, static_cast<CompatibilityLevel>(7)}) {
    const Shown too_old = ShowIn(devhost::HostApp::PremierePro, level);
    EXPECT_EQ(too_old.return_msg, "");
    ASSERT_EQ(too_old.notices.size(), 1u);
    EXPECT_EQ(too_old.notices[0].title, u"Incompatible Tessgrain version");
    EXPECT_EQ(too_old.notices[0].text.rfind(u"Tessgrain version is too old", 0), 0u);
  }
}

TEST(VersionNotice, NothingWhenTheBuildSuitsOrForOtherHosts) {
  for (devhost::HostApp app : {devhost::HostApp::AfterEffects, devhost::HostApp::PremierePro}) {
    const Shown shown = ShowIn(app, COMPAT_SUITS);
    EXPECT_EQ(shown.return_msg, "");
    EXPECT_TRUE(shown.notices.empty());
  }
  const Shown other = ShowIn(devhost::HostApp::AfterEffects, COMPAT_TOO_OLD, devhost::kOtherHostId);
  EXPECT_EQ(other.return_msg, "");
  EXPECT_TRUE(other.notices.empty());
}

}  // namespace
