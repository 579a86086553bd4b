#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "toolkit/Languages.h"
#include "toolkit/MenuText.h"

namespace {

TEST(LanguageIdToIndex, NamesTheLanguageEachWindowsPrimaryIdentifierStandsFor) {
  // The primary language identifiers as the Windows headers define them (LANG_ARABIC is
  // 0x01, ...), each with the language file it must pick: the table is held against the
  // platform's numbering, not against a copy of itself.
  const struct {
    uint32_t primary;
    const char16_t* name;
  } rows[] = {
      {0x01, u"arabic"},     {0x02, u"bulgarian"}, {0x03, u"catalan"},    {0x04, u"schinese"},
      {0x05, u"czech"},      {0x06, u"danish"},    {0x07, u"german"},     {0x08, u"greek"},
      {0x0a, u"spanish"},    {0x0b, u"finnish"},   {0x0c, u"french"},     {0x0d, u"hebrew"},
      {0x0e, u"hungarian"},  {0x0f, u"icelandic"}, {0x10, u"italian"},    {0x11, u"japanese"},
      {0x12, u"korean"},     {0x13, u"dutch"},     {0x14, u"norwegian"},  {0x15, u"polish"},
      {0x16, u"portuguese"}, {0x18, u"romanian"},  {0x19, u"russian"},    {0x1a, u"croatian"},
      {0x1b, u"slovak"},     {0x1c, u"albanian"},  {0x1d, u"swedish"},    {0x1e, u"thai"},
      {0x1f, u"turkish"},    {0x20, u"urdu"},      {0x21, u"indonesian"}, {0x22, u"ukrainian"},
      {0x23, u"belarusian"}, {0x24, u"slovenian"}, {0x25, u"estonian"},   {0x26, u"latvian"},
      {0x27, u"lithuanian"}, {0x29, u"farsi"},     {0x2a, u"vietnamese"}, {0x2b, u"armenian"},
      {0x2c, u"azeri"},      {0x2d, u"basque"},    {0x2f, u"macedonian"}, {0x36, u"afrikaans"},
      {0x37, u"georgian"},   {0x38, u"faeroese"},  {0x39, u"hindi"},      {0x3e, u"malay"},
      {0x3f, u"kazak"},      {0x41, u"swahili"},   {0x43, u"uzbek"},      {0x44, u"tatar"},
      {0x45, u"bengali"},    {0x46, u"punjabi"},   {0x47, u"gujarati"},   {0x48, u"oriya"},
      {0x49, u"tamil"},      {0x4a, u"telugu"},    {0x4b, u"kannada"},    {0x4c, u"malayalam"},
      {0x4d, u"assamese"},   {0x4e, u"marathi"},   {0x4f, u"sanskrit"},   {0x57, u"konkani"},
      {0x58, u"manipuri"},   {0x59, u"sindhi"},    {0x60, u"kashmiri"},   {0x61, u"nepali"},
  };
  for (const auto& row : rows) {
    char16_t name[16] = {};
    ASSERT_TRUE(GetLanguageName(LanguageIdToIndex(row.primary), name));
    EXPECT_EQ(std::u16string(row.name), name) << "primary 0x" << std::hex << row.primary;
    EXPECT_EQ(LanguageIdToIndex(row.primary), LanguageIdToIndex(row.primary | 0x0400))
        << "sublanguage ignored";
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
