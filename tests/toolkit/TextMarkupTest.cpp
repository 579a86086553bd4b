#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

#include "toolkit/TextLayout.h"
#include "toolkit/TextMarkup.h"

namespace {

std::vector<MarkupToken> Tokens(const std::u16string& text, bool plain = false) {
  return TokenizeMarkup(text.data(), static_cast<int>(text.size()), plain);
}

std::u16string Copy(const std::u16string& text) {
  return MarkupCopyText(text.data(), static_cast<int>(text.size()), false);
}

TEST(TextMarkup, EscapesReadTheirArguments) {
  const struct {
    std::u16string text;
    MarkupKind kind;
    int32_t value;
    int length;
  } rows[] = {
      {u"\\\\", MarkupKind::Char, u'\\', 2},
      {u"\\b", MarkupKind::Bold, -1, 2},
      {u"\\b0", MarkupKind::Bold, 0, 3},
      {u"\\i1", MarkupKind::Italic, 1, 3},
      {u"\\w", MarkupKind::FontUnderline, -1, 2},
      {u"\\o2", MarkupKind::StrikeOut, 2, 3},
      {u"\\u0", MarkupKind::DrawnUnderline, 0, 3},
      {u"\\s", MarkupKind::Size, 10, 2},
      {u"\\s99999999999", MarkupKind::Size, 500, 13},
      {u"\\c#0000FF", MarkupKind::Colour, 0x0000FF, 9},
      {u"\\c#1234567", MarkupKind::Colour, 0x123456, 9},
      {u"\\c255,0,0", MarkupKind::Colour, 0x0000FF, 9},
      {u"\\c256,1", MarkupKind::Colour, 0x000100, 7},
      {u"\\c#", MarkupKind::Colour, 0, 3},
      {u"\\cx", MarkupKind::Colour, 0, 2},
      {u"\\t", MarkupKind::Tab, 80, 2},
      {u"\\t0", MarkupKind::Tab, 80, 3},
      {u"\\t5", MarkupKind::Tab, 5, 3},
      {u"\\l", MarkupKind::Indent, 80, 2},
      {u"\\l0", MarkupKind::Indent, 0, 3},
      {u"\\h1,7", MarkupKind::LinkStart, 7, 5},
      {u"\\h2", MarkupKind::LinkStart, 0, 3},
      {u"\\h0,7", MarkupKind::LinkEnd, 0, 3},
      {u"\\h", MarkupKind::LinkEnd, 0, 2},
      {u"\\p4", MarkupKind::Picture, 4, 3},
      {u"\\p1,ct", MarkupKind::Picture, 1, 5},
      {u"\\q", MarkupKind::Unknown, 0, 2},
  };
  for (const auto& row : rows) {
    std::vector<MarkupToken> tokens = Tokens(row.text);
    ASSERT_FALSE(tokens.empty()) << std::string(row.text.begin(), row.text.end());
    EXPECT_EQ(row.kind, tokens[0].kind) << std::string(row.text.begin(), row.text.end());
    EXPECT_EQ(row.value, tokens[0].value) << std::string(row.text.begin(), row.text.end());
    EXPECT_EQ(row.length, tokens[0].length) << std::string(row.text.begin(), row.text.end());
  }
  MarkupToken picture = Tokens(u"\\p1,bi")[0];
  EXPECT_EQ(2, picture.align);
  EXPECT_EQ(0x00660046u, picture.rop);
  EXPECT_EQ(kRopSrcCopy, Tokens(u"\\p1")[0].rop);
  EXPECT_TRUE(Tokens(u"ab\\").size() == 2) << "a lone backslash at the end is dropped";
  std::vector<MarkupToken> ideographs = Tokens(u"\x4E00\x4E01");
  ASSERT_EQ(4u, ideographs.size());
  EXPECT_EQ(MarkupKind::WordBreak, ideographs[1].kind);
  EXPECT_EQ(3u, Tokens(u"a\\b", true).size()) << "plain text has no escapes";
}

TEST(TextMarkup, CopyRemovesExactlyWhatDrawingReads) {
  const struct {
    std::u16string text;
    std::u16string copy;
  } rows[] = {
      {u"a\\\\b", u"a\\b"},         {u"a\\t5b", u"a\tb"},
      {u"a\nb", u"a\r\nb"},         {u"a\tb", u"ab"},
      {u"\\p1,ct x", u"t x"},       {u"\\p1,cp x", u" x"},
      {u"\\p1,b Hello", u" Hello"}, {u"\\c255,0,0x", u"x"},
      {u"\\c#FFx", u"x"},           {u"\\h1,12link\\h0 y", u"link y"},
      {u"\\h0,5", u",5"},           {u"\\b1\\i\\w0\\o\\u1\\s12\\l20z", u"z"},
      {u"\\q\\z", u"\\q\\z"},       {u"\\", u""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.copy, Copy(row.text)) << std::string(row.text.begin(), row.text.end());
  std::u16string plain = u"C:\\a\tb\n";
  EXPECT_EQ(plain, MarkupCopyText(plain.data(), static_cast<int>(plain.size()), true));
}

// Characters 10 pixels wide and 10 high, pictures 30 by 20; bold makes them 12 wide.
struct FakeStyle {
  bool bold = false;
};

TextMeasurer FakeMeasurer(FakeStyle* style) {
  return TextMeasurer{style, [](void* c) { static_cast<FakeStyle*>(c)->bold = false; },
                      [](void* c, const MarkupToken& t) {
                        if (t.kind == MarkupKind::Bold)
                          static_cast<FakeStyle*>(c)->bold = t.value != 0;
                      },
                      [](void* c, const MarkupToken& t, int* w, int* h) {
                        bool picture = t.kind == MarkupKind::Picture;
                        *w = picture ? 30 : static_cast<FakeStyle*>(c)->bold ? 12 : 10;
                        *h = picture ? 20 : 10;
                      }};
}

TextLayout Lay(const std::u16string& text, int width, bool plain = false) {
  FakeStyle style;
  return LayOutText(Tokens(text, plain), width, 0, plain, FakeMeasurer(&style));
}

TEST(TextLayout, LinesAreJustifiedExceptBeforeALineFeedAndAtTheEnd) {
  TextLayout layout = Lay(u"aa bb cc dd ee\nff gg", 75);
  ASSERT_EQ(3u, layout.lines.size());
  const LayoutLine& first = layout.lines[0];
  ASSERT_EQ(3, first.endWord - first.firstWord);
  EXPECT_EQ(0, layout.words[0].x);
  EXPECT_EQ(75, layout.words[2].x + layout.words[2].width) << "ends at the right edge";
  EXPECT_EQ(24, layout.words[4].x) << "line before a line feed: 4-pixel gaps";
  EXPECT_EQ(24, layout.words[6].x) << "last line ragged";
  EXPECT_EQ(30, layout.height);
}

TEST(TextLayout, WideWordsStandAloneAndTabsAndPicturesPlaceWords) {
  TextLayout layout = Lay(u"a wordwiderthanthecontrol b", 50);
  ASSERT_EQ(3u, layout.lines.size());
  EXPECT_EQ(230, layout.words[1].width);
  layout = Lay(u"ab\\t50c \\p1 x\\l15\nnext", 400);
  EXPECT_EQ(50, layout.words[1].x);
  EXPECT_EQ(20, layout.lines[0].height) << "the picture is the tallest";
  EXPECT_EQ(15, layout.words.back().x) << "indent from the next line on";
  layout = Lay(u"C:\\dir\\file/name", 45, true);
  EXPECT_GE(layout.lines.size(), 3u) << "plain text breaks after slashes";
  layout = Lay(u"\\b1ab\\b0 cd", 400);
  EXPECT_EQ(24, layout.words[0].width);
  EXPECT_EQ(Lay(u"\n\n", 100).height, 20) << "empty lines keep their height";
}

// Random texts and widths: layout ends, places each word once and in order, and never
// puts two words on a line that they overflow. TL_FUZZ_SECONDS=n runs longer.
double FuzzSeconds() {
  const char* value = std::getenv("TL_FUZZ_SECONDS");
  return value ? std::atof(value) : 1.5;
}

TEST(TextMarkupFuzz, RandomTextsLayOutEveryWordOnceInOrder) {
  const char16_t* pieces[] = {u"a",
                              u"bb",
                              u"wwwwwwwwwwwwwww",
                              u" ",
                              u"  ",
                              u"\n",
                              u"\t",
                              u"\\",
                              u"\\\\",
                              u"\\b",
                              u"\\b1",
                              u"\\t",
                              u"\\t0",
                              u"\\t7",
                              u"\\l",
                              u"\\l900",
                              u"\\h1,3",
                              u"\\h",
                              u"\\p2,cp",
                              u"\\c#",
                              u"\\c1,2,",
                              u"\\s99999999999",
                              u"\xD800",
                              u"\x4E00",
                              u"/",
                              u"\\q",
                              u"\\s"};
  std::mt19937 random(99);
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(FuzzSeconds());
  while (std::chrono::steady_clock::now() < until) {
    std::u16string text;
    int n = random() % 60;
    for (int i = 0; i < n; ++i) text += pieces[random() % (sizeof(pieces) / sizeof(pieces[0]))];
    bool plain = random() % 4 == 0;
    int width = static_cast<int>(random() % 200);
    std::vector<MarkupToken> tokens = Tokens(text, plain);
    for (const MarkupToken& t : tokens) {
      ASSERT_GE(t.start, 0);
      ASSERT_LE(t.start + t.length, static_cast<int>(text.size()));
    }
    MarkupCopyText(text.data(), static_cast<int>(text.size()), plain);
    FakeStyle style;
    TextLayout layout = LayOutText(tokens, width, 3, plain, FakeMeasurer(&style));
    int next = 0;
    for (const LayoutWord& word : layout.words) {
      ASSERT_GE(word.firstToken, next);
      ASSERT_GT(word.endToken, word.firstToken);
      next = word.endToken;
    }
    int expectWord = 0;
    for (const LayoutLine& line : layout.lines) {
      ASSERT_EQ(expectWord, line.firstWord);
      expectWord = line.endWord;
      int visible = 0;
      for (int w = line.firstWord; w < line.endWord; ++w) visible += layout.words[w].visible;
      if (visible > 1) {
        const LayoutWord* last = nullptr;
        for (int w = line.firstWord; w < line.endWord; ++w)
          if (layout.words[w].visible) last = &layout.words[w];
        ASSERT_LE(last->x + last->width, width) << "only a word alone may overflow";
      }
    }
    ASSERT_EQ(expectWord, static_cast<int>(layout.words.size()));
  }
}

}  // namespace
