#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>

#include "toolkit/Format.h"

namespace {

// 8-bit arguments go through the prefix's real ANSI code page (1252 in English).
TEST(FormatStringW, EightBitArgumentsUseTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the prefix's ANSI code page is not 1252";
  char16_t buffer[32];
  EXPECT_EQ(5, FormatStringW(buffer, 32, u"%S|%C", "\x80\xE9\x9C", '\xE9'));
  EXPECT_EQ(std::u16string(u"\u20AC\u00E9\u0153|\u00E9"), buffer);
  EXPECT_EQ(6, XmlPrintf(buffer, 32, u"%.2S", "\x80<x"));
  EXPECT_EQ(std::u16string(u"\u20AC&#60;"), buffer) << "precision counts characters, not escapes";
}

}  // namespace
