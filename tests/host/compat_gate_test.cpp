// The compatibility rule, and the gate as registration asks it.
#include "host/compat_gate.h"

#include <gtest/gtest.h>

namespace {

TEST(HostSupported, MinimumMajorPerHostFromWindows10On) {
  for (const std::uint16_t system : {0x0A00, 0x0B00}) {  // Windows 11 still reports 10.0
    EXPECT_FALSE(HostSupported(system, HostApp::AfterEffects, {16, 99}));
    EXPECT_TRUE(HostSupported(system, HostApp::AfterEffects, {17, 0}));
    EXPECT_FALSE(HostSupported(system, HostApp::PremierePro, {13, 99}));
    EXPECT_TRUE(HostSupported(system, HostApp::PremierePro, {14, 0}));
    EXPECT_TRUE(HostSupported(system, HostApp::MediaEncoder, {0, 0}));
    EXPECT_TRUE(HostSupported(system, HostApp::OtherHost, {-1, 0}));
  }
  // Windows 8.1 is 6.3.
  for (const HostApp app :
       {HostApp::AfterEffects, HostApp::PremierePro, HostApp::MediaEncoder, HostApp::OtherHost}) {
    EXPECT_FALSE(HostSupported(0x09FF, app, {25, 0}));
  }
}

// The gate's flags live for the process; each test starts from a freshly loaded library.
class Gate : public ::testing::Test {
 protected:
  void SetUp() override { gateRefused = cacheResetPending = false; }
  void TearDown() override { gateRefused = cacheResetPending = false; }
};

TEST_F(Gate, RegistrationAllowsSupportedAndUnknownHosts) {
  EXPECT_TRUE(CheckHostAtRegistration("Adobe Media Encoder", "1.0"));
  EXPECT_TRUE(CheckHostAtRegistration("After Effects", "16.0.1.2.3"));  // does not parse
  EXPECT_TRUE(CheckHostAtRegistration(nullptr, nullptr));
  EXPECT_FALSE(gateRefused);
  EXPECT_FALSE(cacheResetPending);
}

TEST_F(Gate, FirstRefusalArmsTheCacheResetOnce) {
  EXPECT_FALSE(CheckHostAtRegistration("After Effects (Beta)", "16.1x3"));
  EXPECT_TRUE(gateRefused);
  EXPECT_TRUE(cacheResetPending);

  // The reset ran; a later refusal answers the same and arms nothing.
  cacheResetPending = false;
  EXPECT_FALSE(CheckHostAtRegistration("Premiere Pro", "13.1.5"));
  EXPECT_TRUE(gateRefused);
  EXPECT_FALSE(cacheResetPending);
  // A supported host is still allowed after a refusal.
  EXPECT_TRUE(CheckHostAtRegistration("after effects", "17.0"));
}

}  // namespace
