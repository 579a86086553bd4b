// The marked entries of the broken-links list split into coloured segments, and the cut of
// cell texts with "...". Random input runs longer with TL_FUZZ_SECONDS=n.
#include "app/MarkedText.h"
#include "engine/BrokenText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// "P[text]" plain, "G[text]" green, "R[text]" dark red; lines joined by "|".
std::u16string Render(const std::u16string& text) {
  std::u16string out;
  const char16_t kTag[] = u"PGR";
  bool firstLine = true;
  for (const MarkedLine& line : SplitMarkedText(text.data(), static_cast<int>(text.size()))) {
    if (!firstLine) out += u'|';
    firstLine = false;
    for (const MarkedSegment& segment : line.Segments) {
      out += kTag[segment.Colour];
      out += u'[' + text.substr(segment.Start, segment.Length) + u']';
    }
  }
  return out;
}

TEST(MarkedText, SegmentsAndTheirColours) {
  const BrokenTexts english = {u"On page",     u"at line",     u"column",
                               u"the link to", u"The link to", u"gives the error"};
  const struct {
    std::u16string text;
    std::u16string expected;
  } kCases[] = {
      {u"", u""},
      {u"plain", u"P[plain]"},
      {u"a\bgreen\bb", u"P[a]G[green]P[b]"},
      {u"a\fred\fb", u"P[a]R[red]P[b]"},
      {u"\bg \fr\f g\b", u"G[g ]R[r]G[ g]"},
      {u"\fr \bg\b r\f", u"R[r ]G[g]R[ r]"},
      {u"\bg \fboth\b r\f.", u"G[g ]R[both]R[ r]P[.]"},
      {u"a\bopen\nnext\b", u"P[a]G[open]|P[next]"},
      {u"\f\f\b\b", u""},
      {u"\n\n", u"||"},
      {u"cr\ronly\r", u"P[cr\ronly\r]"},
      {u"\xD83D\b\xDE00\b", u"P[\xD83D]G[\xDE00]"},
      {BrokenDescription(english, u"http://s/x", u"http://s/", 3, 7, u"Home", u"404 Not Found"),
       u"P[On page ]G[http://s/]|P[at line 3 column 7, Home,]|P[the link to ]G[\"http://s/x\"]|"
       u"P[gives the error: ]R[404 Not Found]P[.]"},
      {BrokenDescription(english, u"http://s/", nullptr, 0, 0, nullptr, u"Timeout"),
       u"P[The link to ]G[\"http://s/\"]|P[gives the error: ]R[Timeout]P[.]"},
  };
  for (const auto& test : kCases) {
    EXPECT_EQ(test.expected, Render(test.text)) << std::string(test.text.begin(), test.text.end());
  }
}

// Widths of the first i + 1 characters: each character `each` pixels wide.
std::vector<int> Extents(int length, int each) {
  std::vector<int> extents(length);
  for (int i = 0; i < length; ++i) extents[i] = (i + 1) * each;
  return extents;
}

TEST(MarkedText, CutKeepsTheLongestFittingPrefix) {
  const std::u16string pair = u"abc\xD83D\xDE00xyz";  // the pair at 3 and 4
  const struct {
    std::u16string text;
    int room;
    int keep;
    bool ellipsis;
  } kCases[] = {
      {u"abcdefghij", 100, 10, false},  // exact fit
      {u"abcdefghij", 99, 6, true},     // one pixel short: 6 x 10 + 30 fits
      {u"abcdefghij", 90, 6, true},
      {u"abcdefghij", 89, 5, true},
      {u"abcdefghij", 10, 4, true},  // nothing fits: at least 4, clipped
      {u"abc", 20, 3, false},        // under 4 characters: clipped, no dots
      {u"abcd", 20, 4, false},       // the 4 kept would be the whole text
      {u"abcde", 20, 4, true},
      {pair, 70, 3 + 2, true},                 // 4 would end inside the pair
      {u"abcde\xD83D\xDE00xyz", 90, 5, true},  // 6 fits but ends inside the pair
      {u"\xD83D\xDE00\xD83D\xDE00\xD83D\xDE00", 45, 4, true},
      {u"", 0, 0, false},
  };
  for (const auto& test : kCases) {
    const int length = static_cast<int>(test.text.size());
    const std::vector<int> extents = Extents(length, 10);
    const CellCut cut = CutCellText(test.text.data(), length, extents.data(), 30, test.room);
    EXPECT_EQ(test.keep, cut.Keep) << test.room << " " << length;
    EXPECT_EQ(test.ellipsis, cut.Ellipsis) << test.room << " " << length;
  }
}

const char16_t* const kPieces[] = {u"\b",    u"\f",     u"\n",     u"\r",           u"a",
                                   u"word ", u"\xD800", u"\xDC00", u"\xD83D\xDE00", u"\x05D0\x05D1",
                                   u"\t",    u"\0"};

std::u16string RandomText(std::mt19937& random) {
  std::u16string text;
  const int pieces = std::uniform_int_distribution<int>(0, random() % 8 == 0 ? 5000 : 60)(random);
  for (int i = 0; i < pieces; ++i) {
    const std::u16string piece = kPieces[random() % (sizeof(kPieces) / sizeof(kPieces[0]))];
    text += piece.empty() ? std::u16string(1, 0) : piece;
  }
  return text;
}

double FuzzSeconds() {
  const char* value = std::getenv("TL_FUZZ_SECONDS");
  return value ? std::atof(value) : 1.5;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

TEST(MarkedText, RandomTextsSplitAndCutWithinBounds) {
  std::mt19937 random(6130);
  const auto stop = std::chrono::steady_clock::now() + std::chrono::duration<double>(FuzzSeconds());
  int runs = 0;
  while (std::chrono::steady_clock::now() < stop || runs < 200) {
    ++runs;
    const std::u16string text = RandomText(random);
    const int length = static_cast<int>(text.size());
    // The segments, read back in order, are the text without its marks and line breaks.
    std::u16string shown, expected;
    size_t lines = 0;
    for (const MarkedLine& line : SplitMarkedText(text.data(), length)) {
      ++lines;
      for (const MarkedSegment& segment : line.Segments) {
        ASSERT_GT(segment.Length, 0);
        ASSERT_LE(segment.Start + segment.Length, length);
        shown += text.substr(segment.Start, segment.Length);
      }
    }
    size_t breaks = 0;
    for (char16_t c : text) {
      breaks += c == u'\n';
      if (c != u'\b' && c != u'\f' && c != u'\n') expected += c;
    }
    ASSERT_EQ(breaks + 1, lines);
    ASSERT_EQ(expected, shown);

    std::vector<int> extents(length);
    int width = 0;
    for (int i = 0; i < length; ++i) extents[i] = width += static_cast<int>(random() % 12);
    const int room = static_cast<int>(random() % 400) - 20;
    const CellCut cut = CutCellText(text.data(), length, extents.data(), 9, room);
    ASSERT_GE(cut.Keep, 0);
    ASSERT_LE(cut.Keep, length);
    if (cut.Ellipsis) {
      ASSERT_GE(cut.Keep, 4);
      ASSERT_LT(cut.Keep, length);
      ASSERT_FALSE(IsHigh(text[cut.Keep - 1]) && IsLow(text[cut.Keep]));
    } else {
      ASSERT_EQ(length, cut.Keep);
    }
  }
  std::printf("%d random texts\n", runs);
}

}  // namespace
