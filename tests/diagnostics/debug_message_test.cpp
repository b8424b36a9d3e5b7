#include "diagnostics/debug_message.h"

#include <gtest/gtest.h>

#include "../foundation/utf8_printers.h"

#include <string>

namespace {

TEST(DebugMessage, FormatsAndReturnsUtf8) {
  EXPECT_EQ(DebugMessage(L"AEGP_GetLayerID() failed. Error %i", 5),
            mlUtf8String("AEGP_GetLayerID() failed. Error 5"));
  EXPECT_EQ(DebugMessage(L"%ls=%d", L"caf\x00E9", -3), mlUtf8String("caf\xC3\xA9=-3"));
  EXPECT_EQ(DebugMessage(L""), mlUtf8String());
}

TEST(DebugMessage, CutsLongTextTo1023Units) {
  const std::wstring longText(2000, L'x');
  const mlUtf8String message = DebugMessage(L"%ls", longText.c_str());
  EXPECT_EQ(message.Bytes(), std::string(1023, 'x'));
}

}  // namespace
