#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "charset/Charset.h"
#include "charset/CharsetTables.h"

namespace {

constexpr char kGuard = '\x5A';
constexpr char16_t kGuard16 = 0x5A5A;

// Converts with exactly `room` units of buffer plus guard units behind it.
int ToUnicode(const char* charset, const std::string& bytes, uint32_t room, std::u16string* out) {
  std::vector<char16_t> buffer(room + 4, kGuard16);
  uint32_t size = room;
  const int result = ConvertToUnicode(charset, bytes.data(), static_cast<uint32_t>(bytes.size()),
                                      buffer.data(), &size);
  for (uint32_t i = room; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], kGuard16) << i;
  if (result == CHARSET_OK) {
    EXPECT_LT(size, room);
    EXPECT_EQ(buffer[size], 0);
    out->assign(buffer.data(), size);
  }
  return result;
}

int FromUnicode(const char* charset, const std::u16string& text, uint32_t room, std::string* out) {
  std::vector<char> buffer(room + 8, kGuard);
  uint32_t size = room;
  const int result = ConvertFromUnicode(charset, text.data(), static_cast<uint32_t>(text.size()),
                                        buffer.data(), &size);
  for (uint32_t i = room; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], kGuard) << i;
  if (result == CHARSET_OK) {
    EXPECT_LE(size, room);
    out->assign(buffer.data(), size);
  }
  return result;
}

std::u16string Decode(const char* charset, const std::string& bytes) {
  uint32_t room = 0;
  EXPECT_EQ(GetMaxToUnicode(charset, static_cast<uint32_t>(bytes.size()), &room), CHARSET_OK);
  std::u16string text;
  EXPECT_EQ(ToUnicode(charset, bytes, room, &text), CHARSET_OK) << charset;
  return text;
}

TEST(Convert, UnknownOrMissingNamesHaveNoConverter) {
  for (const char* name : {"no-such-charset", "", static_cast<const char*>(nullptr), "macgreek"}) {
    SCOPED_TRACE(name ? name : "(null)");
    uint32_t size = 100;
    char bytes[100];
    char16_t units[100];
    EXPECT_EQ(GetMaxFromUnicode(name, 10, &size), CHARSET_NO_CONVERTER);
    EXPECT_EQ(GetMaxToUnicode(name, 10, &size), CHARSET_NO_CONVERTER);
    EXPECT_EQ(ConvertFromUnicode(name, u"abc", 3, bytes, &size), CHARSET_NO_CONVERTER);
    EXPECT_EQ(ConvertToUnicode(name, "abc", 3, units, &size), CHARSET_NO_CONVERTER);
    EXPECT_EQ(ConvertAvailable(name), 0);
    EXPECT_EQ(size, 100u);
  }
}

// Every fallback alias converts exactly as the converter its row names (macgreek's
// converter is not built into this ICU).
TEST(Convert, FallbackAliasesOpenTheirConverter) {
  std::string allBytes;
  for (int b = 1; b < 256; ++b) allBytes += static_cast<char>(b);
  for (const CharsetAlias& row : kFallbackAliases) {
    SCOPED_TRACE(row.alias);
    if (std::strcmp(row.alias, "macgreek") == 0) {
      EXPECT_EQ(ConvertAvailable(row.alias), 0);
      continue;
    }
    EXPECT_EQ(ConvertAvailable(row.alias), 1);
    EXPECT_EQ(Decode(row.alias, allBytes), Decode(row.converter, allBytes));
  }
  EXPECT_EQ(Decode("ECMS-118", "\xE1\xE2"), u"αβ");
  EXPECT_EQ(Decode("858", "\xD5"), u"€");
  EXPECT_EQ(Decode("unicode-1-1", std::string("\0A\x04\x10", 4)), u"A\u0410");
}

TEST(Convert, AmbiguousAliasWarningIsNotAFailure) {
  EXPECT_EQ(ConvertAvailable("windows-1252"), 1);
  EXPECT_EQ(Decode("windows-1252", "Gr\xFC\xDF \x80 \x93x\x94"), u"Grüß € “x”");
  std::string bytes;
  EXPECT_EQ(FromUnicode("windows-1252", u"Grüß €", 20, &bytes), CHARSET_OK);
  EXPECT_EQ(bytes, "Gr\xFC\xDF \x80");
}

// A settings file names a charset by any alias; the charset list names converters.
TEST(Convert, ConverterNameOfAnAlias) {
  const struct {
    const char* charset;
    const char* converter;  // "": none opens
  } table[] = {
      {"windows-1252", "ibm-5348_P100-1997"},
      {"US_ASCII", "US-ASCII"},
      {"utf8", "UTF-8"},
      {"no-such-charset", ""},
      {"", ""},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.charset);
    char name[50] = "x";
    EXPECT_EQ(CharsetConverterName(row.charset, name, sizeof(name)), row.converter[0] ? 1 : 0);
    EXPECT_STREQ(name, row.converter);
  }
  // A fallback alias names the converter it stands for, which opens under that name.
  char name[50] = {};
  ASSERT_EQ(CharsetConverterName("ECMS-118", name, sizeof(name)), 1);
  EXPECT_EQ(ConvertAvailable(name), 1);
  EXPECT_STRNE(name, "ECMS-118");
  char small[4] = "xyz";
  EXPECT_EQ(CharsetConverterName("utf8", small, sizeof(small)), 1);
  EXPECT_STREQ(small, "UTF");
  EXPECT_EQ(CharsetConverterName(nullptr, small, sizeof(small)), 0);
  EXPECT_STREQ(small, "");
}

TEST(Convert, RoundTripsWithSizesFromGetMax) {
  const std::u16string russian = u"Съешь же ещё этих мягких французских булок, да выпей чаю.";
  const std::u16string japanese = u"いろはにほへと ちりぬるを、漢字とカタカナ。";
  const std::u16string halfWidth = japanese + u"ｶﾅ";
  const std::u16string everything = u"Aä€ж漢😀\U0010FFFD";
  const struct {
    const char* charset;
    const std::u16string& text;
  } cases[] = {
      {"Shift_JIS", halfWidth},  {"ISO-2022-JP", japanese}, {"EUC-JP", halfWidth},
      {"GB18030", everything},   {"GB18030", japanese},     {"KOI8-R", russian},
      {"windows-1251", russian}, {"UTF-8", everything},     {"UTF-16", everything},
      {"UTF-16LE", everything},  {"UTF-16BE", everything},  {"UTF-32", everything},
      {"UTF-32LE", everything},  {"UTF-32BE", everything},  {"UTF-7", everything},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.charset);
    uint32_t room = 0;
    ASSERT_EQ(GetMaxFromUnicode(c.charset, static_cast<uint32_t>(c.text.size()), &room),
              CHARSET_OK);
    std::string bytes;
    ASSERT_EQ(FromUnicode(c.charset, c.text, room, &bytes), CHARSET_OK);
    EXPECT_EQ(Decode(c.charset, bytes), c.text);
  }
}

TEST(Convert, TerminatorMatchesTheCodeUnit) {
  const struct {
    const char* charset;
    uint32_t width;
    uint32_t bytes;  // for u"ab"
  } cases[] = {
      {"UTF-16LE", 2, 4},  {"UTF-16BE", 2, 4},   {"UTF-16", 2, 6}, {"UTF-32", 4, 12},
      {"UTF-32LE", 4, 8},  {"UTF-32BE", 4, 8},   {"UTF-8", 1, 2},  {"windows-1252", 1, 2},
      {"Shift_JIS", 1, 2}, {"x-utf-32le", 4, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.charset);
    std::vector<char> buffer(64, kGuard);
    uint32_t size = 32;
    ASSERT_EQ(ConvertFromUnicode(c.charset, u"ab", 2, buffer.data(), &size), CHARSET_OK);
    EXPECT_EQ(size, c.bytes);
    for (uint32_t i = 0; i < c.width; ++i) EXPECT_EQ(buffer[size + i], '\0');
    EXPECT_EQ(buffer[size + c.width], kGuard);

    std::string out;
    EXPECT_EQ(FromUnicode(c.charset, u"ab", c.width, &out), CHARSET_BUFFER_TOO_SMALL);
    EXPECT_EQ(FromUnicode(c.charset, u"ab", c.width + 1, &out), CHARSET_OK);
    EXPECT_EQ(out.size() % c.width, 0u);
  }
}

// Every room from none to more than enough: never a write past the room, a cut output is
// a prefix of the whole one, and UTF-16 never ends on half a surrogate pair.
TEST(Convert, EveryRoomSizeNearTheBoundary) {
  const std::u16string text = u"aé€😀b😀";
  const std::string utf8 =
      "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
      "b\xF0\x9F\x98\x80";
  for (uint32_t room = 0; room <= text.size() + 4; ++room) {
    SCOPED_TRACE(room);
    std::u16string decoded;
    const int result = ToUnicode("UTF-8", utf8, room, &decoded);
    if (room <= 2) {
      EXPECT_EQ(result, CHARSET_BUFFER_TOO_SMALL);
      continue;
    }
    ASSERT_EQ(result, CHARSET_OK);
    EXPECT_EQ(decoded, text.substr(0, decoded.size()));
    EXPECT_GE(decoded.size() + 1, std::min<size_t>(room - 2, text.size()));
    if (room - 2 >= text.size()) {
      EXPECT_EQ(decoded, text);
    }
    EXPECT_TRUE(decoded.empty() || decoded.back() < 0xD800 || decoded.back() > 0xDBFF);
  }
  std::u16string one;
  ASSERT_EQ(ToUnicode("UTF-8", "xyz", 3, &one), CHARSET_OK);
  EXPECT_EQ(one, u"x");

  // A cut output ends on a whole character: decoding it and encoding that again gives the
  // same bytes.
  const struct {
    const char* charset;
    std::u16string text;
  } cuts[] = {
      {"UTF-8", text},
      {"UTF-16LE", text},
      {"UTF-32BE", text},
      {"ISO-2022-JP", text},
      {"Shift_JIS", u"a\u65E5\u672C\u8A9Eb\u65E5"},
      {"GB18030", text + u"\u4E2D"},
  };
  for (const auto& c : cuts) {
    std::string whole;
    ASSERT_EQ(FromUnicode(c.charset, c.text, 100, &whole), CHARSET_OK);
    for (uint32_t room = 0; room <= whole.size() + 5; ++room) {
      SCOPED_TRACE(std::string(c.charset) + " room " + std::to_string(room));
      std::string cut;
      const int result = FromUnicode(c.charset, c.text, room, &cut);
      if (result == CHARSET_BUFFER_TOO_SMALL) {
        EXPECT_LE(room, 4u);
        continue;
      }
      ASSERT_EQ(result, CHARSET_OK);
      if (std::strcmp(c.charset, "ISO-2022-JP") == 0) continue;
      EXPECT_EQ(cut, whole.substr(0, cut.size()));
      std::string again;
      ASSERT_EQ(FromUnicode(c.charset, Decode(c.charset, cut), 100, &again), CHARSET_OK);
      EXPECT_EQ(again, cut);
    }
  }
}

TEST(Convert, IncompleteSequenceAtTheEndIsDropped) {
  EXPECT_EQ(Decode("UTF-8", "abc\xE2\x82"), u"abc");
  EXPECT_EQ(Decode("Shift_JIS", "abc\x82"), u"abc");
  EXPECT_EQ(Decode("UTF-16LE", std::string("a\0b", 3)), u"a");
  EXPECT_EQ(Decode("UTF-8",
                   "a\xFF"
                   "b"),
            u"a\xFFFD"
            u"b");
}

TEST(Convert, MaximumSizes) {
  uint32_t size = 0;
  EXPECT_EQ(GetMaxToUnicode("UTF-8", 100, &size), CHARSET_OK);
  EXPECT_EQ(size, 220u);
  EXPECT_EQ(GetMaxFromUnicode("UTF-8", 100, &size), CHARSET_OK);
  EXPECT_EQ(size, 330u);
  EXPECT_EQ(GetMaxFromUnicode("windows-1252", 0, &size), CHARSET_OK);
  EXPECT_EQ(size, 10u);
  // Sizes that do not fit the result type are failures, not wrapped small numbers.
  EXPECT_EQ(GetMaxToUnicode("UTF-8", 0xFFFFFFF0u, &size), CHARSET_FAILED);
  EXPECT_EQ(GetMaxFromUnicode("UTF-8", 0x7FFFFFFFu, &size), CHARSET_FAILED);
  EXPECT_EQ(GetMaxToUnicode("UTF-8", 10, nullptr), CHARSET_FAILED);
}

// ICU takes at most 1 G units or 2 GB per call; a larger room is still a room.
TEST(Convert, RoomsBeyondWhatIcuTakesInOneCall) {
  std::vector<char16_t> units(16, kGuard16);
  uint32_t size = 0xFFFFFFFF;
  ASSERT_EQ(ConvertToUnicode("UTF-8", "abc", 3, units.data(), &size), CHARSET_OK);
  EXPECT_EQ(std::u16string(units.data(), size), u"abc");
  std::vector<char> bytes(16, kGuard);
  size = 0xFFFFFFFF;
  ASSERT_EQ(ConvertFromUnicode("UTF-8", u"abc", 3, bytes.data(), &size), CHARSET_OK);
  EXPECT_EQ(std::string(bytes.data(), size), "abc");
}

TEST(Convert, MissingBuffersFail) {
  uint32_t size = 10;
  char16_t units[10];
  char bytes[10];
  EXPECT_EQ(ConvertToUnicode("UTF-8", nullptr, 3, units, &size), CHARSET_FAILED);
  EXPECT_EQ(ConvertToUnicode("UTF-8", "abc", 3, nullptr, &size), CHARSET_FAILED);
  EXPECT_EQ(ConvertFromUnicode("UTF-8", nullptr, 3, bytes, &size), CHARSET_FAILED);
  EXPECT_EQ(ConvertFromUnicode("UTF-8", u"abc", 3, bytes, nullptr), CHARSET_FAILED);
  EXPECT_EQ(ConvertToUnicode("UTF-8", nullptr, 0, units, &size), CHARSET_OK);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(units[0], 0);
}

}  // namespace
