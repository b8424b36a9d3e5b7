// The update button opens the update page through xdg-open, without waiting for it. The tests
// put their own xdg-open first on the search path.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "devhost/host.h"
#include "params/param_table.h"
#include "popup_test_support.h"
#include "tests/support/loaded_module.h"

namespace {

namespace fs = std::filesystem;
using popup_test::CompanionTest;

using UpdateButton = CompanionTest;

class SearchPath {
public:
  explicit SearchPath(const std::string& path) : saved_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", path.c_str(), 1);
  }
  ~SearchPath() { setenv("PATH", saved_.c_str(), 1); }

private:
  std::string saved_;
};

TEST_F(UpdateButton, OpensTheUpdatePageWithoutWaiting) {
  const fs::path opener = File("xdg-open");
  {
    std::ofstream script(opener);
    // Slow on purpose: the press must return before the browser is done.
    script << "#!/bin/sh\nsleep 1\nprintf '%s' \"$1\" > '" << File("opened.txt").string() << ".part'\n"
           << "mv '" << File("opened.txt").string() << ".part' '" << File("opened.txt").string() << "'\n";
  }
  fs::permissions(opener, fs::perms::owner_all);
  devhost::Host host(Effect(), devhost::HostApp::AfterEffects);
  const SearchPath path(folder_.string() + ":/usr/bin:/bin");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(host.PressButton(PARAM_UPDATE), PF_Err_NONE);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  for (int i = 0; i < 100 && !fs::exists(File("opened.txt")); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const std::string url = popup_test::ReadBytes(File("opened.txt"));
  EXPECT_EQ(url.rfind("https://", 0), 0u) << url;
  EXPECT_TRUE(url.ends_with("/Orbisk/UpdateTessgrain")) << url;
}

TEST_F(UpdateButton, WithoutABrowserThePressStillSucceeds) {
  devhost::Host host(Effect(), devhost::HostApp::PremierePro);
  const SearchPath path(folder_.string());
  EXPECT_EQ(host.PressButton(PARAM_UPDATE), PF_Err_NONE);
}

}  // namespace
