#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "tests/support/ToolkitStrings.h"
#include "toolkit/DateTime.h"

namespace {

const tagDATEPICTURES kDefaults = {u"d MMMM yyyy", u"dd.MM.yy", u"H:mm:ss",
                                   u"AM",          u"PM",       g_testDateNames};
// Tuesday, 5 March 2024, 09:05:07.
const tagDATEFIELDS kMarch5 = {2024, 3, 2, 5, 9, 5, 7};

std::u16string Format(const tagDATEPICTURES& pictures, const tagDATEFIELDS* fields,
                      const char16_t* text, ...) {
  char16_t buffer[1024];
  va_list args;
  va_start(args, text);
  FormatDateTimeV(buffer, 1024, text, pictures, fields, args);
  va_end(args);
  return buffer;
}

std::u16string Time(const char16_t* picture, int hour, const char16_t* am = u"AM",
                    const char16_t* pm = u"PM") {
  tagDATEFIELDS fields = kMarch5;
  fields.hour = hour;
  char16_t piece[DATE_PIECE_CHARS];
  ExpandTimePicture(piece, picture, fields, am, pm);
  return piece;
}

std::u16string Date(const char16_t* picture, const tagDATEFIELDS& fields = kMarch5,
                    const char16_t* const* names = g_testDateNames) {
  char16_t piece[DATE_PIECE_CHARS];
  ExpandDatePicture(piece, picture, fields, names);
  return piece;
}

TEST(DateTime, KeywordsWithDefaultPictures) {
  EXPECT_EQ(u"5 March 2024", Format(kDefaults, &kMarch5, u"%longdate"));
  EXPECT_EQ(u"05.03.24", Format(kDefaults, &kMarch5, u"%shortdate"));
  EXPECT_EQ(u"9:05:07", Format(kDefaults, &kMarch5, u"%time"));
  EXPECT_EQ(u"100% 9:05:07out", Format(kDefaults, &kMarch5, u"100%% %timeout"));
  EXPECT_EQ(u"5 March 2024 7", Format(kDefaults, &kMarch5, u"%longdate %d", 7));
  EXPECT_EQ(u"Time", Format(kDefaults, &kMarch5, u"%Time"));
  EXPECT_EQ(u"", Format(kDefaults, nullptr, u"%longdate %d", 7));
}

TEST(DateTime, ClockTokens) {
  const struct {
    const char16_t* picture;
    int hour;
    const char16_t* expected;
  } cases[] = {
      {u"h", 0, u"12"},    {u"h", 12, u"12"},
      {u"h", 13, u"1"},    {u"hh", 13, u"01"},
      {u"H", 0, u"0"},     {u"HH", 9, u"09"},
      {u"t", 12, u"P"},    {u"t", 11, u"A"},
      {u"tt", 0, u"AM"},   {u"h:mm:ss tt", 9, u"9:05:07 AM"},
      {u"m:s", 9, u"5:7"}, {u"hhh HHH ttt", 9, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Time(c.picture, c.hour));
}

TEST(DateTime, DateTokensQuotesAndTrimming) {
  const struct {
    const char16_t* picture;
    const char16_t* expected;
  } cases[] = {
      {u"dddd, MMMM d, yyyy", u"Tuesday, March 5, 2024"},
      {u"M/d/yyyy", u"3/5/2024"},
      {u"ddd dd MMM MM y yy", u"Tue 05 Mar 03 24 24"},
      {u"yyy ddddd MMMMM d", u"   5"},
      {u"d 'of'MMMM yyyy", u"5  2024"},
      {u"yyyy 'a, b' d", u"2024  5"},
      {u"d MMMM   ", u"5 March"},
      {u"d 'unterminated, MMMM", u"5"},
      {u"dMM", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Date(c.picture));
}

TEST(DateTime, HostileFieldsAndNames) {
  tagDATEFIELDS bad = kMarch5;
  bad.month = 13;
  bad.dayOfWeek = 9;
  EXPECT_EQ(u"  13   5", Date(u"MMMM MMM M dddd ddd d", bad));
  bad.month = 0;
  EXPECT_EQ(u", 5", Date(u"MMMM, d", bad));
  EXPECT_EQ(u" 5", Date(u"MMMM d", kMarch5, nullptr));

  std::u16string longName(300, u'x');
  const char16_t* names[38];
  for (const char16_t*& name : names) name = longName.c_str();
  EXPECT_EQ(std::u16string(DATE_PIECE_CHARS - 1, u'x'), Date(u"MMMM MMMM MMMM", kMarch5, names));

  // A doubled '%' cut in half at the end of the area must not leave a directive behind.
  std::u16string percents = std::u16string(DATE_PIECE_CHARS - 2, u'y') + u"%%";
  for (const char16_t*& name : names) name = percents.c_str();
  EXPECT_EQ(std::u16string(DATE_PIECE_CHARS - 2, u'y'), Date(u"MMMM", kMarch5, names));

  tagDATEPICTURES hostile = kDefaults;
  hostile.am = u"%s";
  hostile.time = u"tt t";
  EXPECT_EQ(u"%s %", Format(hostile, &kMarch5, u"%time", u"injected"));
}

}  // namespace
