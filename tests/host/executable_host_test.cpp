// Built as an executable named like the After Effects host (AfterFX.exe); on Windows it carries a
// version resource with product version 27.0, on POSIX systems none.
#include <gtest/gtest.h>

#include "Popup/version_notice.h"
#include "host/compat_gate.h"

namespace {

constexpr bool kHasVersionResource = TG_HAS_VERSION_RESOURCE;

class ExecutableHost : public ::testing::Test {
 protected:
  void SetUp() override { gateRefused = cacheResetPending = false; }
  void TearDown() override { gateRefused = cacheResetPending = false; }
};

// Recognised as After Effects from its name, the host is held to that host's minimum.
TEST_F(ExecutableHost, ParameterSetUpChecksTheGivenVersionForThisHost) {
  EXPECT_TRUE(CheckHostVersion(17, 0));
  EXPECT_TRUE(CheckHostVersion(27, 0));
  EXPECT_FALSE(gateRefused);
  EXPECT_FALSE(CheckHostVersion(16, 9));
  EXPECT_TRUE(gateRefused);
  EXPECT_TRUE(cacheResetPending);
}

TEST_F(ExecutableHost, VersionFromTheResourceWhereThereIsOne) {
  HostVersion version{-1, -1};
  EXPECT_EQ(HostExecutableVersion(version), kHasVersionResource);
  if (kHasVersionResource) {
    EXPECT_EQ(version.major, 27);
    EXPECT_EQ(version.minor, 3);
  } else {
    EXPECT_EQ(version.major, -1);
  }
  // 27.3 is supported, or nothing is known: loading is allowed either way.
  EXPECT_TRUE(CheckHostAtLoad(nullptr));
  EXPECT_FALSE(gateRefused);
}

TEST_F(ExecutableHost, RatingCountsTheExecutableVersion) {
  PF_InData in_data{};
  in_data.appl_id = PF_APPL_ID_AFTER_EFFECTS;
  in_data.version = {13, 28};
  EXPECT_EQ(RateCompatibility(&in_data), kHasVersionResource ? COMPAT_TOO_OLD : COMPAT_SUITS);
  in_data.version = {13, 31};
  EXPECT_EQ(RateCompatibility(&in_data),
            kHasVersionResource ? COMPAT_TOO_OLD : COMPAT_UPDATE_ADVISED);
  in_data.appl_id = 0;
  EXPECT_EQ(RateCompatibility(&in_data), kHasVersionResource ? COMPAT_TOO_OLD : COMPAT_SUITS);
}

}  // namespace
