#include "frame/strings/strings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(StringTable, KnownIdsAndTheGapAt14) {
  EXPECT_STREQ(GetString(StrID_Name), "Orbisk Tessgrain");
  EXPECT_STREQ(GetString(StrID_Interpolation_Choices), "Nearest|Linear|Nearest AA");
  EXPECT_STREQ(GetString(StrID_Update_Button), "Please Update !");
  EXPECT_STREQ(GetString(StrID_NONE), "");
  EXPECT_THROW(GetString(14), std::out_of_range);
  EXPECT_THROW(GetString(16), std::out_of_range);
}
