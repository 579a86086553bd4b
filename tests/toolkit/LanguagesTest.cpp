#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "toolkit/Languages.h"
#include "toolkit/MenuText.h"

namespace {

TEST(LanguageIdToIndex, MapsEveryPrimaryLanguageOfTheTable) {
  const struct {
    uint32_t primary;
    int index;
  } rows[] = {
      {1, 2},   {2, 9},   {3, 10},  {4, 11},  {5, 14},  {6, 15},  {7, 25},  {8, 26},  {10, 60},
      {11, 22}, {12, 23}, {13, 28}, {14, 30}, {15, 31}, {16, 33}, {17, 34}, {18, 39}, {19, 16},
      {20, 48}, {21, 50}, {22, 51}, {24, 53}, {25, 54}, {26, 13}, {27, 58}, {28, 1},  {29, 62},
      {30, 66}, {31, 67}, {32, 69}, {33, 32}, {34, 68}, {35, 7},  {36, 59}, {37, 19}, {38, 40},
      {39, 41}, {41, 21}, {42, 71}, {43, 3},  {44, 5},  {45, 6},  {47, 42}, {54, 0},  {55, 24},
      {56, 20}, {57, 29}, {62, 43}, {63, 37}, {65, 61}, {67, 70}, {68, 64}, {69, 8},  {70, 52},
      {71, 27}, {72, 49}, {73, 63}, {74, 65}, {75, 35}, {76, 44}, {77, 4},  {78, 46}, {79, 55},
      {87, 38}, {88, 45}, {89, 57}, {96, 36}, {97, 47},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.index, LanguageIdToIndex(row.primary)) << "primary " << row.primary;
    EXPECT_EQ(row.index, LanguageIdToIndex(row.primary | 0x0400)) << "sublanguage ignored";
  }
  EXPECT_EQ(17, LanguageIdToIndex(0x0409));
  EXPECT_EQ(17, LanguageIdToIndex(0x0809)) << "every English sublanguage";
  EXPECT_EQ(11, LanguageIdToIndex(0x0804));
  EXPECT_EQ(11, LanguageIdToIndex(0x0404)) << "every Chinese sublanguage";
  EXPECT_EQ(54, LanguageIdToIndex(0x0419));
  EXPECT_EQ(17, LanguageIdToIndex(0x0040)) << "an unknown primary language";
  EXPECT_EQ(17, LanguageIdToIndex(0));
}

TEST(GetLanguageName, NamesIndexesZeroToSeventyOne) {
  char16_t out[16];
  EXPECT_TRUE(GetLanguageName(0, out));
  EXPECT_EQ(std::u16string(u"afrikaans"), out);
  EXPECT_TRUE(GetLanguageName(17, out));
  EXPECT_EQ(std::u16string(u"englishus"), out);
  EXPECT_TRUE(GetLanguageName(71, out));
  EXPECT_EQ(std::u16string(u"vietnamese"), out);
  for (int bad : {-1, 72, 1000}) {
    std::memcpy(out, u"untouched", 20);
    EXPECT_FALSE(GetLanguageName(bad, out));
    EXPECT_EQ(std::u16string(u"untouched"), out);
  }
  EXPECT_EQ(0x0001000Cu, GetXmlLibVersion());
}

TEST(BitArrayOp, SetsClearsAndTestsSingleBits) {
  uint8_t bits[8] = {};
  EXPECT_EQ(0, BitArrayOp(bits, BITARRAY_SET, 9));
  EXPECT_EQ(0x02, bits[1]) << "bit 9 is bit 1 of the second byte";
  EXPECT_EQ(1, BitArrayOp(bits, BITARRAY_TEST, 9));
  EXPECT_EQ(0, BitArrayOp(bits, BITARRAY_TEST, 8));
  for (int n = 0; n < 64; n += 3) BitArrayOp(bits, BITARRAY_SET, n);
  for (int n = 0; n < 64; ++n)
    EXPECT_EQ(n % 3 == 0 || n == 9 ? 1 : 0, BitArrayOp(bits, BITARRAY_TEST, n)) << n;
  BitArrayOp(bits, BITARRAY_CLEAR, 9);
  EXPECT_EQ(0, BitArrayOp(bits, BITARRAY_TEST, 9));
  EXPECT_EQ(0, BitArrayOp(bits, 7, 0)) << "unknown op";
  EXPECT_EQ(1, BitArrayOp(bits, BITARRAY_TEST, 0)) << "an unknown op changes nothing";
  uint8_t guard[2] = {0xAA, 0xAA};
  EXPECT_EQ(0, BitArrayOp(guard + 1, BITARRAY_SET, -1));
  EXPECT_EQ(0xAA, guard[0]) << "a negative bit number touches nothing";
}

TEST(MenuWriters, WriteAttributesOnlyWhenGivenAndEscapeThem) {
  char16_t buffer[128];
  EXPECT_EQ(8, XmlMenuItem(buffer, 128, u"", nullptr, 0));
  EXPECT_EQ(std::u16string(u"<item />"), buffer);
  XmlMenuBegin(buffer, 128, u"&File", u"enabled", 12);
  EXPECT_EQ(std::u16string(u"<menu title=\"&#38;File\" flags=\"enabled\" id=\"12\">"), buffer);
  XmlMenuItem(buffer, 128, u"a\"<b>", u"", 0);
  EXPECT_EQ(std::u16string(u"<item title=\"a&#34;&#60;b&#62;\" />"), buffer);
  EXPECT_EQ(7, XmlMenuEnd(buffer, 128));
  EXPECT_EQ(std::u16string(u"</menu>"), buffer);
  EXPECT_EQ(9, XmlMenuBegin(buffer, 10, u"long title", nullptr, 0)) << "cut at size - 1";
  EXPECT_EQ(0, XmlMenuEnd(buffer, 0));
}

}  // namespace
