// Built several times, each with a different version resource, as the host executable whose
// version GetHostAppVersion reads.
#include "foundation/module_info.h"

#include <gtest/gtest.h>

TEST(HostVersion, ProductVersionLowBytesWithoutBuild) {
  EXPECT_EQ(GetHostAppVersion().ToString(), TG_EXPECTED_HOST_VERSION);
}
