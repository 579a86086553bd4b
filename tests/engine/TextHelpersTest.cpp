#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TextHelpers.h"

namespace {

std::string ToUtf8(const std::u16string& text, int size) {
  std::string out(static_cast<size_t>(size) + 8, '\x7F');
  const int written = Utf16ToUtf8(text.data(), static_cast<int>(text.size()), &out[0], size);
  for (size_t i = static_cast<size_t>(size); i < out.size(); ++i) {
    EXPECT_EQ('\x7F', out[i]) << "byte written past the size";
  }
  return out.substr(0, static_cast<size_t>(written));
}

std::u16string ToUtf16(const std::string& bytes, int size) {
  std::u16string out(static_cast<size_t>(size) + 8, u'\x7F');
  const int written = Utf8ToUtf16(bytes.data(), static_cast<uint32_t>(bytes.size()), &out[0], size);
  for (size_t i = static_cast<size_t>(size); i < out.size(); ++i) {
    EXPECT_EQ(u'\x7F', out[i]) << "unit written past the size";
  }
  return out.substr(0, static_cast<size_t>(written));
}

struct Utf16Case {
  std::u16string text;
  std::string utf8;
};

const Utf16Case kEncodeCases[] = {
    {u"", ""},
    {u"abc", "abc"},
    {u"\u00E9", "\xC3\xA9"},
    {u"\u20AC", "\xE2\x82\xAC"},
    {u"\U0001F600", "\xF0\x9F\x98\x80"},
    {u"a\xD800", "a"},                  // a high surrogate ends the input: stop
    {u"a\xD800z", "a\xEF\xBF\xBDz"},    // lone high in the middle
    {u"a\xDC00z", "a\xEF\xBF\xBDz"},    // lone low
    {u"\xDC00\xD800", "\xEF\xBF\xBD"},  // low then high at the end
    {u"\xD800\xD800\xDC00", "\xEF\xBF\xBD\xF0\x90\x80\x80"},
    {std::u16string(1, u'\0') + u"x", std::string(1, '\0') + "x"},
};

TEST(Utf16ToUtf8, EncodesAndReplacesLoneSurrogates) {
  for (const Utf16Case& c : kEncodeCases) {
    EXPECT_EQ(c.utf8, ToUtf8(c.text, 64)) << "case of " << c.utf8.size() << " bytes";
  }
}

// Each sequence length at the exact fit and one byte short, after a one-byte prefix.
TEST(Utf16ToUtf8, StopsBeforeASequenceThatDoesNotFit) {
  const struct {
    std::u16string character;
    int bytes;
  } kWidths[] = {{u"a", 1}, {u"\u00E9", 2}, {u"\u20AC", 3}, {u"\U0001F600", 4}};
  for (const auto& w : kWidths) {
    const std::u16string text = u"x" + w.character + u"y";
    EXPECT_EQ(1u + w.bytes, ToUtf8(text, 1 + w.bytes).size()) << w.bytes;
    EXPECT_EQ(1u, ToUtf8(text, w.bytes).size()) << w.bytes;
    EXPECT_EQ(2u + w.bytes, ToUtf8(text, 64).size()) << w.bytes;
  }
  EXPECT_EQ("", ToUtf8(u"\u20AC", 2)) << "two bytes of room take nothing of three";
  EXPECT_EQ("", ToUtf8(u"abc", 0));
}

TEST(Utf16ToUtf8, ReplacementOfALoneSurrogateIsBoundedToo) {
  EXPECT_EQ("a", ToUtf8(u"a\xDC00", 3));
  EXPECT_EQ("a\xEF\xBF\xBD", ToUtf8(u"a\xDC00", 4));
}

struct DecodeCase {
  std::string bytes;
  std::u16string text;
};

const DecodeCase kDecodeCases[] = {
    {"\xC3\xA9", u"\u00E9"},
    {"\xEF\xBB\xBFok", u"ok"},                // a leading byte-order mark goes
    {"ok\xEF\xBB\xBF", u"ok\uFEFF"},          // elsewhere it stays
    {"\xEF\xBB\xBF\xEF\xBB\xBF", u"\uFEFF"},  // only the first one is a mark
    {"a\xC0\x80z", u"a"},                     // overlong zero
    {"a\xE0\x80\xAFz", u"a"},                 // overlong three-byte form
    {"a\xF0\x80\x80\xAFz", u"a"},             // overlong four-byte form
    {"a\xED\xA0\x80z", u"a"},                 // encoded surrogate
    {"a\xF4\x90\x80\x80z", u"a"},             // above U+10FFFF
    {"a\xF8\x88\x80\x80\x80z", u"a"},         // five-byte form
    {"a\xFC\x84\x80\x80\x80\x80z", u"a"},     // six-byte form
    {"a\x80z", u"a"},                         // continuation where a lead is due
    {"a\xC3z", u"a"},                         // lead without its continuation
    {"a\xE2\x82", u"a"},                      // truncated at the end
    {"\xF0\x9F\x98\x80", u"\U0001F600"},
    {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
};

TEST(Utf8ToUtf16, DecodesAndStopsAtMalformedInput) {
  for (const DecodeCase& c : kDecodeCases) {
    EXPECT_EQ(c.text, ToUtf16(c.bytes, 64)) << "input of " << c.bytes.size() << " bytes";
  }
}

TEST(Utf8ToUtf16, WritesASurrogatePairOnlyWhenBothUnitsFit) {
  EXPECT_EQ(u"x", ToUtf16("x\xF0\x9F\x98\x80", 2));
  EXPECT_EQ(u"x\U0001F600", ToUtf16("x\xF0\x9F\x98\x80", 3));
  EXPECT_EQ(u"ab", ToUtf16("abc", 2));
  EXPECT_EQ(u"", ToUtf16("abc", 0));
}

TEST(Utf8ToUtf16, RoundTripsEveryScalarValueClass) {
  std::u16string text;
  for (char32_t cp : {0x1u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0xFFFFu,
                      0x10000u, 0x10FFFFu}) {
    if (cp > 0xFFFF) {
      text += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(cp);
    }
  }
  const std::string utf8 = ToUtf8(text, 256);
  EXPECT_EQ(text, ToUtf16(utf8, 256));
}

TEST(Utf8ToUtf16, NullInputsWriteNothing) {
  char16_t out[4];
  EXPECT_EQ(0, Utf8ToUtf16(nullptr, 3, out, 4));
  EXPECT_EQ(0, Utf8ToUtf16("abc", 3, nullptr, 4));
  char bytes[4];
  EXPECT_EQ(0, Utf16ToUtf8(nullptr, 3, bytes, 4));
  EXPECT_EQ(0, Utf16ToUtf8(u"abc", 3, nullptr, 4));
}

struct CompareCase {
  const char16_t* a;
  const char16_t* b;
  int ignoreCase;
  int sign;
};

int Sign(int value) { return (value > 0) - (value < 0); }

const CompareCase kCompareCases[] = {
    {u"ABC", u"abc", 1, 0},
    {u"ABC", u"abc", 0, -1},
    {u"abc", u"abd", 1, -1},
    {u"b\u00FCcher.de", u"B\u00DCCHER.DE", 1, 0},
    {u"stra\u00DFe", u"STRASSE", 1, 0},  // full default folding
    {u"", u"", 0, 0},
    {u"a", u"", 0, 1},
    {u"\U0001F600", u"\uFFFF", 0, -1},  // code-unit order, as stored
    {nullptr, u"", 0, 0},
};

TEST(UnicodeCompare, FollowsTheCaseRule) {
  for (const CompareCase& c : kCompareCases) {
    EXPECT_EQ(c.sign, Sign(UnicodeCompare(c.a, c.b, c.ignoreCase)))
        << "ignoreCase " << c.ignoreCase;
  }
}

TEST(UnicodeCompareUTF8, MatchesTheUtf16Compare) {
  EXPECT_EQ(0, UnicodeCompareUTF8("ABC", "abc", 1));
  EXPECT_NE(0, UnicodeCompareUTF8("ABC", "abc", 0));
  EXPECT_EQ(0, UnicodeCompareUTF8("b\xC3\xBC"
                                  "cher.de",
                                  "B\xC3\x9C"
                                  "cher.de",
                                  1));
  EXPECT_NE(0, UnicodeCompareUTF8("b\xC3\xBC"
                                  "cher.de",
                                  "B\xC3\x9C"
                                  "cher.de",
                                  0));
  EXPECT_EQ(0, UnicodeCompareUTF8(nullptr, "", 0));
  EXPECT_GT(UnicodeCompareUTF8("b", "a", 0), 0);
}

TEST(UnicodeCompareN, ComparesAPrefixOfTheFirstText) {
  EXPECT_EQ(0, UnicodeCompareN(u"/docs/index.html", u"/docs", 5, 0));
  EXPECT_EQ(0, UnicodeCompareN(u"/DOCS/index.html", u"/docs", 5, 1));
  EXPECT_NE(0, UnicodeCompareN(u"/DOCS/index.html", u"/docs", 5, 0));
  EXPECT_LT(UnicodeCompareN(u"/do", u"/docs", 4, 0), 0);
  EXPECT_EQ(0, UnicodeCompareN(u"ab", u"", 0, 0));
  EXPECT_EQ(0, UnicodeCompareN(u"ab", u"", -3, 0));
}

TEST(UnicodeCompareN, StopsAtTheEndOfAShortFirstText) {
  // The first text is shorter than n and sits at the end of its buffer: a read past the
  // terminator would leave the vector (ASan) or compare garbage.
  std::vector<char16_t> shortText = {u'a', u'b', 0};
  EXPECT_EQ(0, UnicodeCompareN(shortText.data(), u"ab", 1000, 0));
}

}  // namespace
