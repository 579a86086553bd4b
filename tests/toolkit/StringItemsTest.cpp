#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/Markup.h"
#include "toolkit/StringItems.h"

namespace {

std::u16string Unescape(const std::u16string& text) {
  return UnescapeMarkupText(MarkupSpan{text.data(), static_cast<int>(text.size())});
}

int32_t Number(const std::u16string& text) {
  return ParseMarkupNumber(MarkupSpan{text.data(), static_cast<int>(text.size())});
}

TEST(Markup, UnescapesTextValues) {
  const struct {
    std::u16string in, out;
  } rows[] = {
      {u"  A\\n   B  ", u" A\nB"},
      {u"a&#60;b&#x3E;c", u"a<b>c"},
      {u"x&amp;y", u"x&amp;y"},
      {u"&# 1", u"&# 1"},
      {u"a&#0;b", u"ab"},
      {u"\\\\ \\t\\S\\q", u"\\ \t q"},
      {u"&#x1F600;", u"\U0001F600"},
      {u"&#99999999999;", u"\uFFFD"},
      {u"&#xD800;", u"\uFFFD"},
      {u"end\\", u"end\\"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.out, Unescape(row.in));
}

TEST(Markup, ReadsNumbers) {
  EXPECT_EQ(31, Number(u"#1F"));
  EXPECT_EQ(31, Number(u"0x1f"));
  EXPECT_EQ(0, Number(u"0X1F"));
  EXPECT_EQ(-20, Number(u"-20"));
  EXPECT_EQ(static_cast<int32_t>(0x90C800C4u), Number(u"#90C800C4"));
  EXPECT_EQ(0, Number(u"abc"));
  EXPECT_EQ(0, Number(u""));
}

TEST(Markup, ScansElementsAttributesAndComments) {
  std::u16string text = u"x<!-- <item> --><ITEM Title = 'a b' flags=\"x\" id=7 bare/>tail<open";
  int pos = 0;
  MarkupSpan element, name, value;
  ASSERT_TRUE(NextMarkupElement(text.data(), static_cast<int>(text.size()), &pos, &element));
  EXPECT_TRUE(MarkupEquals(MarkupElementName(element), u"item"));
  EXPECT_TRUE(IsMarkupSelfClosing(element));
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  int apos = 0;
  while (NextMarkupAttribute(element, &apos, &name, &value))
    attributes.emplace_back(std::u16string(name.text, name.length),
                            std::u16string(value.text, value.length));
  ASSERT_EQ(4u, attributes.size());
  EXPECT_EQ(u"a b", attributes[0].second);
  EXPECT_EQ(u"x", attributes[1].second);
  EXPECT_EQ(u"7", attributes[2].second);
  EXPECT_EQ(u"bare/", attributes[3].first);
  ASSERT_TRUE(NextMarkupElement(text.data(), static_cast<int>(text.size()), &pos, &element));
  EXPECT_EQ(u"open", std::u16string(element.text, element.length))
      << "unterminated runs to the end";
  EXPECT_FALSE(NextMarkupElement(text.data(), static_cast<int>(text.size()), &pos, &element));
}

TEST(DecodeStringValue, DecodesEscapesMarksAndPercentSigns) {
  const struct {
    const char16_t* value;
    const char16_t* words;
    std::u16string stored;
  } rows[] = {
      {u"50% done", nullptr, u"50%% done"},
      {u"A\\nB", nullptr, u"A\nB"},
      {u"At line %% column %%", u"%d%d", u"At line %d column %d"},
      {u"At line %% column %%", nullptr, u"At line  column "},
      {u"%% and %% and %%", u" %s  %%d ", u"%s and %%d and "},
      {u"%n%s%x", nullptr, u"%%n%%s%%x"},
      {u"\\r\\t\\s\\\\\\q", nullptr, u"\r\t \\q"},
      {u"\\%", nullptr, u"%%"},
      {u"tail\\", nullptr, u"tail\\"},
      {u"", nullptr, u""},
  };
  for (const auto& row : rows) {
    std::u16string value(row.value);
    EXPECT_EQ(row.stored,
              DecodeStringValue(value.data(), static_cast<int>(value.size()), row.words))
        << std::string(value.begin(), value.end());
  }
}

class StringItemsTest : public ::testing::Test {
 protected:
  const char16_t* ok = nullptr;
  const char16_t* cancel = nullptr;
  const char16_t* position = nullptr;
  const char16_t* key = nullptr;
  tagSTRINGITEM items[4] = {
      {u"Msg", u"OK", nullptr, &ok},
      {u"Msg", u"Cancel", nullptr, &cancel},
      {u"Location", u"AtPosition", u"%d%d", &position},
      {u"Test", u"key", nullptr, &key},
  };
  bool filled[4] = {};

  void SetUp() override {
    for (auto& item : items) *item.destination = g_emptyString;
  }
  void TearDown() override { FreeStringItems(items, 4); }

  int Fill(const std::u16string& text, int format, bool fallback) {
    return FillStringItems(items, 4, text.data(), static_cast<int>(text.size()), format, fallback,
                           filled);
  }
};

TEST_F(StringItemsTest, IniFormTakesKeysAndValuesAsTheyStand) {
  EXPECT_EQ(3, Fill(u"junk=1\r\n[msg]\n\nok=Okay\r\ncomment line\n[Test]\nkey = value\nKEY=v=w\n"
                    u"[Location\nAtPosition=At %% col %%",
                    STRINGFORMAT_INI, false));
  EXPECT_EQ(std::u16string(u"Okay"), ok);
  EXPECT_EQ(g_emptyString, cancel);
  EXPECT_EQ(std::u16string(u"v=w"), key) << "'key = value' does not match 'key'";
  EXPECT_EQ(std::u16string(u"At %d col %d"), position) << "a section name runs to the line end";
}

TEST_F(StringItemsTest, RepeatedKeysCountOnceAndTheFallbackFillsTheRest) {
  EXPECT_EQ(1, Fill(u"[Msg]\nOK=first\nOK=second\nOK=third\n", STRINGFORMAT_INI, false));
  EXPECT_EQ(std::u16string(u"third"), ok);
  EXPECT_EQ(3,
            Fill(u"[Msg]\nOK=fallback\nCancel=Cancel\n[Location]\nAtPosition=At line %% column %%\n"
                 u"[Test]\nkey=\n",
                 STRINGFORMAT_INI, true));
  EXPECT_EQ(std::u16string(u"third"), ok) << "the fallback fills only empty items";
  EXPECT_EQ(std::u16string(u"At line %d column %d"), position);
  EXPECT_NE(g_emptyString, key) << "an empty value fills its item";
  EXPECT_EQ(4, FreeStringItems(items, 4));
  EXPECT_EQ(g_emptyString, ok);
  EXPECT_EQ(0, FreeStringItems(items, 4));
}

TEST_F(StringItemsTest, XmlFormReadsEntriesInsideStringtableAndSection) {
  std::u16string xml =
      u"<entry name='OK' value='outside'/>"
      u"<stringtable><!-- <section name=\"Msg\"> -->"
      u"<section name=\"msg\"><entry name=\"ok\" name=\"Cancel\" value=\"a&#60;b\\\\\\\\n\" "
      u"value=\"x\"/>"
      u"</section><entry name=\"Cancel\" value=\"no section\"/>"
      u"<section name='Location'><entry value='%% : %%' name='AtPosition'/></section>"
      u"</stringtable><section name='Test'><entry name='key' value='after'/>";
  EXPECT_EQ(2, Fill(xml, STRINGFORMAT_XML, false));
  EXPECT_EQ(std::u16string(u"a<b\\n"), ok) << "first attribute wins; unescaped, then decoded";
  EXPECT_EQ(g_emptyString, cancel);
  EXPECT_EQ(std::u16string(u"%d : %d"), position);
  EXPECT_EQ(g_emptyString, key);
}

TEST_F(StringItemsTest, HostileTextFillsNothingAndNeverCrashes) {
  const std::u16string inputs[] = {
      u"",
      u"[",
      u"[[[[",
      u"=\n=\n",
      u"[Msg]",
      u"[Msg]\nOK",
      u"<",
      u"<<<>>>",
      u"<!--",
      u"<stringtable><section name=",
      u"<entry name=\"OK\" value=\"",
      std::u16string(3000, u'['),
      std::u16string(1, u'\0') + u"[Msg]\0OK=1",
  };
  for (const auto& input : inputs) {
    Fill(input, STRINGFORMAT_INI, false);
    Fill(input, STRINGFORMAT_XML, false);
  }
  EXPECT_EQ(g_emptyString, ok);
}

}  // namespace
