// Fails every test whose devhost Hosts left a host resource unbalanced, one failure per
// imbalance, naming the command and the resource. Linked into each test program that drives a
// Host, it installs itself before main runs.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "devhost/host/host.h"

namespace {

std::mutex g_mutex;
std::vector<std::string> g_imbalances;

// Hosts end on whichever thread ran them; their messages wait for the end of the test, where the
// test's own thread reports them.
void Collect(const std::string& message) {
  const std::lock_guard<std::mutex> lock(g_mutex);
  g_imbalances.push_back(message);
}

class BalanceCheck : public testing::EmptyTestEventListener {
  // Listeners hear of a test's end in reverse order, so this runs before the result printer's,
  // and the test is reported as failed.
  void OnTestEnd(const testing::TestInfo& test) override {
    std::vector<std::string> imbalances;
    {
      const std::lock_guard<std::mutex> lock(g_mutex);
      imbalances.swap(g_imbalances);
    }
    for (const std::string& message : imbalances) {
      ADD_FAILURE_AT(test.file(), test.line()) << "host resources out of balance: " << message;
    }
  }
};

const bool g_installed = [] {
  devhost::SetImbalanceHandler(&Collect);
  testing::UnitTest::GetInstance()->listeners().Append(new BalanceCheck);
  return true;
}();

}  // namespace
