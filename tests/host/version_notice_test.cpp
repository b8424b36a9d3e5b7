// Rating this build against the host's API version and executable, and the notices shown for a
// rating, observed through devhost.
#include "Popup/version_notice.h"

#include <gtest/gtest.h>

#include <string>

#include "devhost/host.h"

namespace {

constexpr A_long kOtherHost = devhost::kOtherHostId;
const mlVersion kExecutable25{25, 0, 0, 0};
const mlVersion kExecutable27{27, 0, 0, 0};

CompatibilityLevel Rate(A_long app, A_short major, A_short minor, const mlVersion& executable) {
  return RateCompatibilityFor(app, PF_SpecVersion{major, minor}, executable);
}

TEST(RateCompatibility, AfterEffectsByApiVersion) {
  const A_long ae = PF_APPL_ID_AFTER_EFFECTS;
  EXPECT_EQ(Rate(ae, 13, 28, kExecutable25), COMPAT_SUITS);
  EXPECT_EQ(Rate(ae, 13, 30, kExecutable25), COMPAT_SUITS);
  EXPECT_EQ(Rate(ae, 13, 31, kExecutable25), COMPAT_UPDATE_ADVISED);
  EXPECT_EQ(Rate(ae, 13, 32, kExecutable25), COMPAT_UPDATE_ADVISED);
  EXPECT_EQ(Rate(ae, 13, 33, kExecutable25), COMPAT_TOO_OLD);
  EXPECT_EQ(Rate(ae, 14, 0, kExecutable25), COMPAT_TOO_OLD);
  EXPECT_EQ(Rate(ae, 12, 99, kExecutable25), COMPAT_SUITS);
}

TEST(RateCompatibility, PremiereByApiVersion) {
  const A_long pr = PF_APPL_ID_PREMIERE;
  EXPECT_EQ(Rate(pr, 13, 5, kExecutable25), COMPAT_SUITS);
  EXPECT_EQ(Rate(pr, 13, 6, kExecutable25), COMPAT_UPDATE_ADVISED);
  EXPECT_EQ(Rate(pr, 13, 7, kExecutable25), COMPAT_TOO_OLD);
  EXPECT_EQ(Rate(pr, 14, 0, kExecutable25), COMPAT_TOO_OLD);
  EXPECT_EQ(Rate(pr, 12, 40, kExecutable25), COMPAT_SUITS);
  // The After Effects limits do not apply to Premiere Pro, nor the other way round.
  EXPECT_EQ(Rate(pr, 13, 31, kExecutable25), COMPAT_TOO_OLD);
  EXPECT_EQ(Rate(PF_APPL_ID_AFTER_EFFECTS, 13, 6, kExecutable25), COMPAT_SUITS);
}

TEST(RateCompatibility, Executable27OrNewerIsTooNewForEveryHost) {
  for (const mlVersion& executable : {kExecutable27, mlVersion{200, 1, 0, 0}}) {
    EXPECT_EQ(Rate(PF_APPL_ID_AFTER_EFFECTS, 13, 28, executable), COMPAT_TOO_OLD);
    EXPECT_EQ(Rate(PF_APPL_ID_AFTER_EFFECTS, 13, 31, executable), COMPAT_TOO_OLD);
    EXPECT_EQ(Rate(PF_APPL_ID_AFTER_EFFECTS, 12, 0, executable), COMPAT_TOO_OLD);
    EXPECT_EQ(Rate(PF_APPL_ID_PREMIERE, 13, 6, executable), COMPAT_TOO_OLD);
    EXPECT_EQ(Rate(PF_APPL_ID_PREMIERE, 13, 5, executable), COMPAT_TOO_OLD);
    EXPECT_EQ(Rate(kOtherHost, 13, 29, executable), COMPAT_TOO_OLD);
  }
  EXPECT_EQ(Rate(kOtherHost, 99, 99, mlVersion{26, 255, 255, 255}), COMPAT_SUITS);
  EXPECT_EQ(Rate(kOtherHost, 13, 29, mlVersion{}), COMPAT_SUITS);  // unreadable: 0.0.0.0
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

const char kUpdateTitle[] = "Old Mirelune Tessgrain version : please update Mirelune Orbisk !";
const char kUpdateText[] =
    "Please upgrade your Tessgrain plugin to it's latest version to get best experience. Free "
    "download here : ";
const char kTooOldTitle[] = "Incompatible Tessgrain version";
const char kTooOldText[] =
    "Tessgrain version is too old, please update your Tessgrain to use it. Free download here : ";

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// The download address follows the text: a host name and "/Orbisk", no scheme.
void ExpectDownloadAddressAfter(const std::string& shown, const std::string& prefix) {
  ASSERT_EQ(shown.compare(0, prefix.size(), prefix), 0) << shown;
  const std::string address = shown.substr(prefix.size());
  EXPECT_GT(address.size(), std::string("/Orbisk").size()) << address;
  EXPECT_EQ(address.substr(address.size() - 7), "/Orbisk") << address;
  EXPECT_EQ(address.find("://"), std::string::npos) << address;
  EXPECT_EQ(address.find(' '), std::string::npos) << address;
}

TEST(VersionNotice, AfterEffectsReturnMessageHoldsTitleBlankLineText) {
  const Shown update = ShowIn(devhost::HostApp::AfterEffects, COMPAT_UPDATE_ADVISED);
  ExpectDownloadAddressAfter(update.return_msg,
                             std::string(kUpdateTitle) + "\n\n" + kUpdateText);
  EXPECT_TRUE(update.notices.empty());

  const Shown too_old = ShowIn(devhost::HostApp::AfterEffects, COMPAT_TOO_OLD);
  ExpectDownloadAddressAfter(too_old.return_msg,
                             std::string(kTooOldTitle) + "\n\n" + kTooOldText);
}

TEST(VersionNotice, PremiereGetsTheSameTextsAsAWarning) {
  const Shown update = ShowIn(devhost::HostApp::PremierePro, COMPAT_UPDATE_ADVISED);
  ASSERT_EQ(update.notices.size(), 1u);
  EXPECT_EQ(update.notices[0].title, Utf16(kUpdateTitle));
  const std::u16string text = update.notices[0].text;
  EXPECT_EQ(text.substr(0, Utf16(kUpdateText).size()), Utf16(kUpdateText));

  const Shown too_old = ShowIn(devhost::HostApp::PremierePro, COMPAT_TOO_OLD);
  ASSERT_EQ(too_old.notices.size(), 1u);
  EXPECT_EQ(too_old.notices[0].title, Utf16(kTooOldTitle));
  // Both notices send the user to the same address.
  EXPECT_EQ(too_old.notices[0].text.substr(Utf16(kTooOldText).size()),
            text.substr(Utf16(kUpdateText).size()));
}

TEST(VersionNotice, UnknownLevelsShowTheTooOldNotice) {
  const Shown shown = ShowIn(devhost::HostApp::PremierePro, static_cast<CompatibilityLevel>(7));
  ASSERT_EQ(shown.notices.size(), 1u);
  EXPECT_EQ(shown.notices[0].title, Utf16(kTooOldTitle));
}

TEST(VersionNotice, NothingWhenTheBuildSuitsOrForOtherHosts) {
  for (devhost::HostApp app : {devhost::HostApp::AfterEffects, devhost::HostApp::PremierePro}) {
    const Shown shown = ShowIn(app, COMPAT_SUITS);
    EXPECT_EQ(shown.return_msg, "");
    EXPECT_TRUE(shown.notices.empty());
  }
  const Shown other = ShowIn(devhost::HostApp::AfterEffects, COMPAT_TOO_OLD, kOtherHost);
  EXPECT_EQ(other.return_msg, "");
  EXPECT_TRUE(other.notices.empty());
}

}  // namespace
