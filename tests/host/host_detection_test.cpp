// Recognising the host from its registration name and from its executable, and reading the
// version text it registers with.
#include "host/host_detection.h"

#include <gtest/gtest.h>

namespace {

TEST(HostFromName, WholeNameMatchesInAnyCase) {
  EXPECT_EQ(HostFromName("After Effects"), HostApp::AfterEffects);
  EXPECT_EQ(HostFromName("AFTER EFFECTS (BETA)"), HostApp::AfterEffects);
  EXPECT_EQ(HostFromName("Premiere Pro (Beta)"), HostApp::PremierePro);
  EXPECT_EQ(HostFromName("adobe media encoder"), HostApp::MediaEncoder);

  EXPECT_EQ(HostFromName("After Effects 2024"), HostApp::OtherHost);  // a full match only
  EXPECT_EQ(HostFromName(" After Effects"), HostApp::OtherHost);
  EXPECT_EQ(HostFromName("After Effects(Beta)"), HostApp::OtherHost);
  EXPECT_EQ(HostFromName("Adobe Premiere Pro"), HostApp::OtherHost);  // the executable's form
  EXPECT_EQ(HostFromName(nullptr), HostApp::OtherHost);
}

TEST(HostFromExecutableName, FileNamesOfTheHosts) {
  EXPECT_EQ(HostFromExecutableName("AFTERFX (BETA).EXE"), HostApp::AfterEffects);
  EXPECT_EQ(HostFromExecutableName("Adobe Premiere Pro.exe"), HostApp::PremierePro);
  EXPECT_EQ(HostFromExecutableName("adobe media encoder (beta).exe"), HostApp::MediaEncoder);

  EXPECT_EQ(HostFromExecutableName("AfterFX"), HostApp::OtherHost);
  EXPECT_EQ(HostFromExecutableName("AfterFX.exe.bak"), HostApp::OtherHost);
  EXPECT_EQ(HostFromExecutableName("After Effects.exe"), HostApp::OtherHost);
  EXPECT_EQ(HostFromExecutableName("Premiere Pro.exe"), HostApp::OtherHost);
}

TEST(ParseHostVersion, MajorAndMinorOfEachAcceptedForm) {
  struct Case {
    const char* text;
    int major, minor;
  };
  for (const Case& c : {Case{"24.0", 24, 0}, Case{"24.0x52", 24, 0}, Case{"14.3.1x2", 14, 3},
                        Case{"007.09", 7, 9}, Case{"13.1.5", 13, 1}, Case{"24.0.1.2", 24, 0}}) {
    HostVersion version{-1, -1};
    EXPECT_TRUE(ParseHostVersion(c.text, version)) << c.text;
    EXPECT_EQ(version.major, c.major) << c.text;
    EXPECT_EQ(version.minor, c.minor) << c.text;
  }
}

TEST(ParseHostVersion, RejectsOtherTextsAndLeavesTheVersion) {
  for (const char* text : {"24", "24.0.1.2.3", "24.0x1x2x3", "24.", ".0", "24.0x", "24.0 ", " 24.0",
                           "24,0", "24.0X1", "v24.0", "24.a", "", "2666666666666666666665.0",
                           "24.4294967297", static_cast<const char*>(nullptr)}) {
    HostVersion version{5, 6};
    EXPECT_FALSE(ParseHostVersion(text, version)) << (text ? text : "(null)");
    EXPECT_EQ(version.major, 5);
    EXPECT_EQ(version.minor, 6);
  }
}

}  // namespace
