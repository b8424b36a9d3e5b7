// The compatibility rule, and the gate as registration asks it.
#include "host/compat_gate.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kWindows10 = 0x0A00;
constexpr std::uint16_t kWindows11 = 0x0A00;  // Windows 11 still reports 10.0
constexpr std::uint16_t kWindows81 = 0x0603;
constexpr std::uint16_t kWindows7 = 0x0601;

TEST(HostSupported, MinimumMajorPerHostOnWindows10) {
  for (std::uint16_t system : {kWindows10, kWindows11, std::uint16_t{0x0B00}}) {
    EXPECT_FALSE(HostSupported(system, HostApp::AfterEffects, {16, 99}));
    EXPECT_TRUE(HostSupported(system, HostApp::AfterEffects, {17, 0}));
    EXPECT_TRUE(HostSupported(system, HostApp::AfterEffects, {25, 0}));
    EXPECT_FALSE(HostSupported(system, HostApp::PremierePro, {13, 99}));
    EXPECT_TRUE(HostSupported(system, HostApp::PremierePro, {14, 0}));
    EXPECT_TRUE(HostSupported(system, HostApp::MediaEncoder, {0, 0}));
    EXPECT_TRUE(HostSupported(system, HostApp::OtherHost, {-1, 0}));
    EXPECT_TRUE(HostSupported(system, static_cast<HostApp>(7), {1, 0}));
  }
}

TEST(HostSupported, NothingBeforeWindows10) {
  for (std::uint16_t system : {kWindows81, kWindows7, std::uint16_t{0x09FF}}) {
    EXPECT_FALSE(HostSupported(system, HostApp::AfterEffects, {25, 0}));
    EXPECT_FALSE(HostSupported(system, HostApp::PremierePro, {25, 0}));
    EXPECT_FALSE(HostSupported(system, HostApp::MediaEncoder, {25, 0}));
    EXPECT_FALSE(HostSupported(system, HostApp::OtherHost, {25, 0}));
  }
}

// The gate's flags live for the process; each test starts from a freshly loaded library.
class Gate : public ::testing::Test {
 protected:
  void SetUp() override { gateRefused = cacheResetPending = false; }
  void TearDown() override { gateRefused = cacheResetPending = false; }
};

TEST_F(Gate, RegistrationAllowsSupportedAndUnknownHosts) {
  EXPECT_TRUE(CheckHostAtRegistration("After Effects (Beta)", "17.0"));
  EXPECT_TRUE(CheckHostAtRegistration("Premiere Pro", "14.0"));
  EXPECT_TRUE(CheckHostAtRegistration("Adobe Media Encoder", "1.0"));
  EXPECT_TRUE(CheckHostAtRegistration("After Effects 2024", "1.0"));  // not a recognised name
  EXPECT_TRUE(CheckHostAtRegistration("After Effects", "24"));        // does not parse
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
