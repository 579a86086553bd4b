#include "tests/support/WinGTest.h"

#include <windows.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "engine/TextHelpers.h"

namespace {

TEST(GetTimeMs1900, CountsFromTheStartOf1900) {
  // 1970-01-01 is 2,208,988,800,000 ms after 1900-01-01.
  const uint64_t before = uint64_t(time(nullptr)) * 1000 + 2208988800000ULL;
  const uint64_t now = GetTimeMs1900();
  const uint64_t after = uint64_t(time(nullptr)) * 1000 + 2208988800000ULL + 1000;
  EXPECT_GE(now, before);
  EXPECT_LE(now, after);
}

std::string ReadBack(FILE* file) {
  std::string text;
  rewind(file);
  for (int c; (c = fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(ConsolePrintf, WritesTheFormattedTextInTheOemCodePage) {
  if (GetOEMCP() != 437) GTEST_SKIP() << "the prefix's OEM code page is not 437";
  FILE* file = tmpfile();
  ASSERT_NE(nullptr, file);
  // A percent sign inside an argument is text, not a directive.
  EXPECT_EQ(16, ConsolePrintf(file, u"%s %d%% \u00E9 %s", u"Links", 42, u"50%n"));
  EXPECT_EQ("Links 42% \x82 50%n", ReadBack(file));
  fclose(file);
}

TEST(ConsolePrintf, CutsLongOutputAt5120Units) {
  FILE* file = tmpfile();
  ASSERT_NE(nullptr, file);
  const std::u16string text(9000, u'x');
  EXPECT_EQ(5119, ConsolePrintf(file, u"%s", text.c_str()));
  EXPECT_EQ(5119u, ReadBack(file).size());
  fclose(file);
}

TEST(ConsolePrintf, RefusesMissingArguments) {
  EXPECT_EQ(-1, ConsolePrintf(nullptr, u"x"));
  EXPECT_EQ(-1, ConsolePrintf(stdout, nullptr));
}

}  // namespace
