// The update button opens the update page through xdg-open, without waiting for it. The tests
// put their own xdg-open first on the search path.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "devhost/host/host.h"
#include "params/table/param_table.h"
#include "popup_test_support.h"
#include "tests/support/loaded_module.h"

namespace {

namespace fs = std::filesystem;
using popup_test::CompanionTest;

using UpdateButton = CompanionTest;

class SearchPath {
 public:
  explicit SearchPath(const std::string& path)
      : saved_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", path.c_str(), 1);
  }
  ~SearchPath() { setenv("PATH", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

TEST_F(UpdateButton, OpensTheUpdatePageWithoutWaiting) {
  const fs::path opener = File("xdg-open");
  const std::string go = File("go").string(), opened = File("opened.txt").string();
  {
    std::ofstream script(opener);
    // Holds on until the test lets it go, which the test does only once the press has returned;
    // a press that waited for it would find it giving up after 20 s instead.
    script << "#!/bin/sh\ni=0\n"
           << "while [ ! -e '" << go << "' ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i+1)); done\n"
           << "if [ -e '" << go << "' ]; then state=released; else state=gave-up; fi\n"
           << "printf '%s %s' \"$state\" \"$1\" > '" << opened << ".part'\n"
           << "mv '" << opened << ".part' '" << opened << "'\n";
  }
  fs::permissions(opener, fs::perms::owner_all);
  devhost::Host host(Effect(), devhost::HostApp::AfterEffects);
  const SearchPath path(folder_.string() + ":/usr/bin:/bin");
  EXPECT_EQ(host.PressButton(PARAM_UPDATE), PF_Err_NONE);
  std::ofstream(File("go")).put('\n');
  for (int i = 0; i < 600 && !fs::exists(File("opened.txt")); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const std::string seen = popup_test::ReadBytes(File("opened.txt"));
  EXPECT_EQ(seen.rfind("released https://", 0), 0u) << seen;
  EXPECT_TRUE(seen.ends_with("/Orbisk/UpdateTessgrain")) << seen;
}

TEST_F(UpdateButton, WithoutABrowserThePressStillSucceeds) {
  devhost::Host host(Effect(), devhost::HostApp::PremierePro);
  const SearchPath path(folder_.string());
  EXPECT_EQ(host.PressButton(PARAM_UPDATE), PF_Err_NONE);
}

}  // namespace
