#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Format.h"

namespace {

template <typename... Args>
std::u16string F(const char16_t* format, Args... args) {
  std::vector<char16_t> buffer(20000, u'#');
  const int length = FormatStringW(buffer.data(), static_cast<int>(buffer.size()), format, args...);
  EXPECT_EQ(static_cast<size_t>(length), std::char_traits<char16_t>::length(buffer.data()));
  return std::u16string(buffer.data(), static_cast<size_t>(length));
}

template <typename... Args>
std::u16string X(int room, const char16_t* format, Args... args) {
  std::vector<char16_t> buffer(static_cast<size_t>(room), u'#');
  const int length = XmlPrintf(buffer.data(), room, format, args...);
  return std::u16string(buffer.data(), static_cast<size_t>(length));
}

struct Case {
  std::u16string expected;
  std::u16string actual;
};

TEST(FormatStringW, DirectivesPrintAsTheWindowsRuntimeDoes) {
  const Case cases[] = {
      {u"42", F(u"%d", 42)},
      {u"-42", F(u"%i", -42)},
      {u"   42", F(u"%5d", 42)},
      {u"42   |", F(u"%-5d|", 42)},
      {u"00042", F(u"%05d", 42)},
      {u"+5", F(u"%+d", 5)},
      {u" 5", F(u"% d", 5)},
      {u"-0042", F(u"%0+5d", -42)},
      {u"007", F(u"%.3d", 7)},
      {u"ff", F(u"%x", 255)},
      {u"0XFF", F(u"%#X", 255)},
      {u"10", F(u"%o", 8)},
      {u"4294967295", F(u"%u", -1)},
      {u"7", F(u"%ld", 7)},
      {u"4464", F(u"%hd", 70000)},
      {u"4464", F(u"%hu", 70000)},
      {u"-5000000000", F(u"%I64d", int64_t(-5000000000LL))},
      {u"18446744073709551615", F(u"%I64u", UINT64_MAX)},
      {u"02", F(u"%02I64u", uint64_t(2))},
      {u"123456789abcdef", F(u"%I64x", uint64_t(0x123456789ABCDEFULL))},
      {u"    42", F(u"%*d", 6, 42)},
      {u"42    |", F(u"%*d|", -6, 42)},
      {u"ab", F(u"%.*s", 2, u"abcdef")},
      {u"", F(u"%.*s", -1, u"abc")},
      {u"abc", F(u"%.3s", u"abcdef")},
      {u"    ab", F(u"%6s", u"ab")},
      {u"ab    |", F(u"%-6s|", u"ab")},
      {u"(null)", F(u"%s", static_cast<const char16_t*>(nullptr))},
      {u"(null)", F(u"%S", static_cast<const char*>(nullptr))},
      {u"abc", F(u"%S", "abc")},
      {u"\u00E9t\u00E9", F(u"%S", "\xE9t\xE9")},
      {u"ab", F(u"%.2S", "abcd")},
      {u"\u00E9", F(u"%c", u'\u00E9')},
      {u"A", F(u"%C", 'A')},
      {u"  x", F(u"%3c", u'x')},
      {u"3.14", F(u"%.2f", 3.14159)},
      {u"1.234568e+04", F(u"%e", 12345.678)},
      {u"1.23E-05", F(u"%G", 0.0000123)},
      {u"1.500000", F(u"%Lf", 1.5)},
      {u"100000", F(u"%g", 100000.0)},
      {u"0000000000001234", F(u"%p", reinterpret_cast<void*>(0x1234))},
      {u"%", F(u"%%")},
      {u"50% done", F(u"50%% done")},
      {u"q", F(u"%q")},
      {u"I32d", F(u"%I32d", 5)},
      {u"su", F(u"%su", u"s")},
      {u"\u03B11\u03B2", F(u"\u03B1%d\u03B2", 1)},
      {u"\U0001F600!", F(u"%s!", u"\U0001F600")},
      {u"end", F(u"end%")},
      {u"end", F(u"end%-5")},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.actual);
}

TEST(FormatStringW, NeverStoresThroughPercentN) {
  int target = 12345;
  EXPECT_EQ(u"n", F(u"%n", &target));
  EXPECT_EQ(12345, target);
}

TEST(FormatStringW, ClampsWidthAndPrecision) {
  EXPECT_EQ(4096u, F(u"%99999999999d", 1).size());
  EXPECT_EQ(4096u, F(u"%*d", INT_MIN, 1).size());
  EXPECT_EQ(u'1', F(u"%*d", INT_MIN, 1)[0]) << "a negative * width left-justifies";
  EXPECT_EQ(4096u, F(u"%.99999999s", std::u16string(5000, u'a').c_str()).size());
  // A conversion keeps at most its scratch size less one: 64 here.
  EXPECT_EQ(63u, F(u"%.99999999f", 1.0).size());
  EXPECT_EQ(4127u, F(u"%4096.99999999f", 1e300).size());
}

TEST(FormatStringW, EveryRoomWritesAtMostSizeLessOneAndTerminates) {
  const char16_t* format = u"ab%dcd%s|%5.1f|%S";
  const std::u16string full = F(format, 12345, u"\u00FCber", 2.75, "xyz");
  ASSERT_EQ(u"ab12345cd\u00FCber|  2.8|xyz", full);
  for (int size = 0; size <= static_cast<int>(full.size()) + 2; ++size) {
    std::vector<char16_t> buffer(full.size() + 8, u'#');
    const int length = FormatStringW(buffer.data(), size, format, 12345, u"\u00FCber", 2.75, "xyz");
    const int expected = size == 0 ? 0 : std::min<int>(size - 1, static_cast<int>(full.size()));
    ASSERT_EQ(expected, length) << size;
    if (size > 0) {
      EXPECT_EQ(full.substr(0, static_cast<size_t>(length)), std::u16string(buffer.data()));
    }
    for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i) {
      ASSERT_EQ(u'#', buffer[i]) << "written past size " << size;
    }
  }
}

TEST(FormatStringW, NullBufferReturnsTheWholeLength) {
  EXPECT_EQ(10, FormatStringW(nullptr, 0, u"%d items", 1234));
  EXPECT_EQ(8192, FormatStringW(nullptr, 0, u"%4096d%4096d", 1, 2));
  EXPECT_EQ(0, FormatStringW(nullptr, 0, nullptr));
}

TEST(XmlPrintf, EscapesStringArgumentsForMarkup) {
  const Case cases[] = {
      {u"a&#60;b", X(10, u"%s", u"a<b")},
      {u"a<b", X(10, u"%su", u"a<b")},
      {u"abc", X(4, u"abcdef")},
      {u"q", X(10, u"%q")},
      {u"a\\nb", X(10, u"%s", u"a\\nb")},
      {u"\\r\\n\\t", X(10, u"%s", u"\r\n\t")},
      {u"&#34;&#38;&#62;", X(20, u"%s", u"\"&>")},
      {u"&#60;&#38;&#62;", X(20, u"%S", "<&>")},
      {u"<&>", X(20, u"%SU", "<&>")},
      {u"   &#60;", X(20, u"%8s", u"<")},
      {u"<p>1</p>", X(20, u"<p>%d</p>", 1)},
      {u"&#6", X(4, u"%s", u"<")},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.actual);
}

TEST(XmlPrintf, RefusesMissingBuffersAndRoom) {
  EXPECT_EQ(0, XmlPrintf(nullptr, 10, u"abc"));
  char16_t buffer[2] = {u'#', u'#'};
  EXPECT_EQ(0, XmlPrintf(buffer, 0, u"abc"));
  EXPECT_EQ(u'#', buffer[0]);
  EXPECT_EQ(0, XmlPrintf(buffer, 1, u"abc"));
  EXPECT_EQ(0, buffer[0]);
}

TEST(XmlEscape, CountsWithANullBufferAndCutsAtTheRoom) {
  const std::u16string text = u"<a href=\"x\">&</a>";
  const int full = XmlEscape(nullptr, 0, text.c_str(), static_cast<int>(text.size()));
  EXPECT_EQ(static_cast<int>(std::u16string(u"&#60;a href=&#34;x&#34;&#62;&#38;&#60;/a&#62;").size()),
            full);
  char16_t small[6];
  EXPECT_EQ(5, XmlEscape(small, 6, text.c_str(), static_cast<int>(text.size())));
  EXPECT_EQ(std::u16string(u"&#60;"), small);
}

}  // namespace
