// More than a chunk waiting when the child exits: the final read takes one chunk and the rest is
// lost. Only reachable where a pipe holds more than two chunks; under Wine a child's write waits
// for the host to read once a single chunk is waiting, so it cannot end with more pending.
#include <gtest/gtest.h>

#include "Popup/process_spawn.h"
#include "popup_test_support.h"

namespace {

using Spawning = popup_test::CompanionTest;

TEST_F(Spawning, AfterTheExitOnlyOneMoreChunkIsRead) {
  // The first idle call holds the host until the child has written everything and ended: the
  // next pass reads a chunk, the exit is seen, and the final read takes one chunk more.
  Plan({"sleep 200", "bulk 10000"});
  SpawnParams params;
  params.onIdle = [](SpawnParams& p) {
    static std::uint32_t held = 0;
    if (held != p.processId) {
      held = p.processId;
      EXPECT_TRUE(popup_test::WaitForProcessEnd(p.processId, 10000));
    }
  };
  mlUtf8String output;
  EXPECT_EQ(SpawnCompanion(output, params), 0u);
  const std::string& text = output.Bytes();
  ASSERT_EQ(text.size(), 2u * 4096u);
  EXPECT_EQ(text.rfind("0123456789abcdefghijklmnopqrstuvwxyz0123", 0), 0u);
}

}  // namespace
