#include <gtest/gtest.h>

#include <string>

#include "scandb/Utf8Clean.h"

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

struct CleanCase {
  const char* name;
  std::string input;
  size_t maxBytes;
  std::string expected;
};

TEST(Utf8Clean, ReplacesInvalidSequencesAndCutsAtCharacterBoundaries) {
  const CleanCase cases[] = {
      {"ascii", "plain text", 100, "plain text"},
      {"two three four bytes", "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", 100,
       "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"lone surrogate", "a\xED\xA0\x80z", 100, "a" + kFffd + kFffd + kFffd + "z"},
      {"overlong slash", "\xC0\xAF", 100, kFffd + kFffd},
      {"overlong three bytes", "\xE0\x80\xAF", 100, kFffd + kFffd + kFffd},
      {"above U+10FFFF", "\xF4\x90\x80\x80", 100, kFffd + kFffd + kFffd + kFffd},
      {"byte F5", "\xF5x", 100, kFffd + "x"},
      {"stray continuation",
       "a\x80"
       "b",
       100, "a" + kFffd + "b"},
      {"sequence cut by the end", "ab\xE2\x82", 100, "ab" + kFffd},
      {"sequence cut by ascii", "\xE2\x82z", 100, kFffd + "z"},
      {"cut before a CJK character", "ab\xE4\xB8\xAD", 4, "ab"},
      {"cut exactly after it", "ab\xE4\xB8\xAD", 5, "ab\xE4\xB8\xAD"},
      {"replacement does not fit", "ab\xFF", 4, "ab"},
      {"zero room", "abc", 0, ""},
  };
  for (const CleanCase& c : cases) {
    std::string out = ">";
    EXPECT_TRUE(AppendCleanUtf8(out, c.input.c_str(), c.maxBytes));
    EXPECT_EQ(out, ">" + c.expected) << c.name;
  }
}

TEST(Utf8Clean, CutLengthNeverSplitsACharacter) {
  const std::string text = "a\xC3\xA4\xF0\x9F\x98\x80z";  // a ä 😀 z: bytes 1, 2, 4, 1
  const size_t expected[] = {0, 1, 1, 3, 3, 3, 3, 7, 8, 8};
  for (size_t max = 0; max < sizeof(expected) / sizeof(expected[0]); ++max)
    EXPECT_EQ(Utf8CutLength(text.data(), text.size(), max), expected[max]) << max;
  const std::string stray(8, '\x80');
  EXPECT_EQ(Utf8CutLength(stray.data(), stray.size(), 5), 5u);
}

}  // namespace
