#include <gtest/gtest.h>

#include <string>

#include "engine/BadLinks.h"
#include "engine/BrokenText.h"
#include "engine/FieldText.h"
#include "engine/HtmlText.h"
#include "engine/MarkupText.h"
#include "engine/ProgressMath.h"
#include "engine/ReportText.h"
#include "engine/ResultRows.h"
#include "engine/ZoneBias.h"

namespace {

std::u16string Without(std::u16string text, const std::u16string& piece) {
  for (size_t at; (at = text.find(piece)) != std::u16string::npos;) text.erase(at, piece.size());
  return text;
}

TEST(ReportHtml, EscapesMarkupAndBreaksLongRunsAfter50Then49Characters) {
  EXPECT_EQ(u"&lt;script&gt;&quot;x&quot; &amp; y", HTMLEscape(u"<script>\"x\" & y"));

  const std::u16string url(120, u'a');
  const std::u16string broken = InsertWordBreaks(url);
  EXPECT_EQ(url.substr(0, 50) + u"<wbr>" + url.substr(50, 49) + u"<wbr>" + url.substr(99), broken);
  // After a blank the run restarts: 49 more characters before the break.
  const std::u16string spaced = u"x " + std::u16string(60, u'b');
  EXPECT_EQ(u"x " + std::u16string(49, u'b') + u"<wbr>" + std::u16string(11, u'b'),
            InsertWordBreaks(spaced));
}

TEST(ReportHtml, WordBreaksKeepEntitiesWholeInLongUrls) {
  std::u16string url = u"http://h/?";
  while (url.size() < 2047) url += u"a&";
  url.resize(2047);
  const std::u16string escaped = HTMLEscape(url.c_str());
  const std::u16string broken = InsertWordBreaks(escaped);
  EXPECT_EQ(escaped, Without(broken, u"<wbr>"));
  for (size_t at = broken.find(u'&'); at != std::u16string::npos; at = broken.find(u'&', at + 1))
    EXPECT_EQ(u"&amp;", broken.substr(at, 5)) << at;
  // The 50th character is the 'a' of "...a&amp;": the break follows a whole entity.
  const std::u16string start =
      InsertWordBreaks(HTMLEscape(u"0123456789012345678901234567890123456789012345678&xyz"));
  EXPECT_EQ(u"0123456789012345678901234567890123456789012345678&amp;<wbr>xyz", start);
}

TEST(ReportHtml, OnlyFetchableSchemesBecomeLinks) {
  const struct {
    const char16_t* url;
    bool linkable;
  } cases[] = {{u"http://a/", true},
               {u"HTTPS://a/", true},
               {u"ftp://a/", true},
               {u"rtsp://a/", true},
               {u"file:///c:/x", true},
               {u"javascript:alert(1)", false},
               {u"data:text/html,x", false},
               {u"http:/a", false},
               {u"", false},
               {nullptr, false}};
  for (const auto& c : cases) EXPECT_EQ(c.linkable, IsLinkableUrl(c.url)) << (c.url ? 1 : 0);
}

TEST(ReportFields, CsvQuotesOnlyWhenNeededAndTabFieldsLoseBreaks) {
  EXPECT_EQ(u"Link URL", CsvField(u"Link URL"));
  EXPECT_EQ(u"\"A, \"\"B\"\"\"", CsvField(u"A, \"B\""));
  EXPECT_EQ(u"\"a\r\nb\"", CsvField(u"a\r\nb"));
  EXPECT_EQ(u"", CsvField(nullptr));
  EXPECT_EQ(u"a b  c d", TabField(u"a\tb\r\nc d"));
}

TEST(ReportFields, ZoneSuffixFollowsTheBiasSign) {
  EXPECT_EQ(u" +0100", FormatZoneBias(-60));
  EXPECT_EQ(u" -0500", FormatZoneBias(300));
  EXPECT_EQ(u" +0000", FormatZoneBias(0));
  EXPECT_EQ(u" +0530", FormatZoneBias(-330));
  EXPECT_EQ(u" -0930", FormatZoneBias(570));
}

TEST(ResultLists, BrokenDescriptionWithAndWithoutReferringPage) {
  const BrokenTexts texts = {u"On page",     u"at line",     u"column",
                             u"the link to", u"The link to", u"gives the error"};
  EXPECT_EQ(
      u"On page \bhttp://s/p.html\b\nat line 3 column 7, <img src>,\n"
      u"the link to \b\"http://s/i.png\"\b\ngives the error: \f404 Not Found\f.",
      BrokenDescription(texts, u"http://s/i.png", u"http://s/p.html", 3, 7, u"<img src>",
                        u"404 Not Found"));
  EXPECT_EQ(u"The link to \b\"http://s/\"\b\ngives the error: \fHost not found\f.",
            BrokenDescription(texts, u"http://s/", u"", 0, 0, u"", u"Host not found"));
  EXPECT_EQ(
      u"The link to \"http://s/\"\ngives the error: x.",
      StripMarkup(BrokenDescription(texts, u"http://s/", nullptr, 0, 0, nullptr, u"x").c_str()));
}

TEST(ResultLists, ItemDataCarriesTypeAndStatusBits) {
  const struct {
    int32_t restype, statusval;
    uint32_t itemData;
  } kRows[] = {{2, 1, 0x00000002u}, {3, 2, 0x00020003u}, {8, 4, 0x00040008u},
               {2, 5, 0x00010002u}, {7, 7, 0x00080007u}, {-1, 0, 0x0000FFFFu}};
  for (const auto& row : kRows) {
    const uint32_t itemData = EncodeLinkRow(row.restype, LinkRowBits(row.statusval));
    EXPECT_EQ(row.itemData, itemData) << row.restype << " " << row.statusval;
    EXPECT_EQ(static_cast<uint32_t>(row.restype) & 0xFFFFu, DecodeLinkRow(itemData).restype);
    EXPECT_EQ(LinkRowBits(row.statusval), DecodeLinkRow(itemData).bits);
  }
  EXPECT_EQ(0x00100007u, EncodeLinkRow(RES_STYLESHEET, LINKROW_CHECKING));
  EXPECT_EQ(nullptr, ProtocolName(0));
  EXPECT_EQ(u"rtsp", std::u16string(ProtocolName(5)));
  EXPECT_EQ(u"12.045 sec.", FormatAccessTime(12045, u"sec."));
}

TEST(ProgressFigures, BarLengthsAndTimeLeftStayInRange) {
  EXPECT_EQ(198, BarLength(395, 10, 5));
  EXPECT_EQ(80, BarLength(395, 10, 2));
  EXPECT_EQ(395, BarLength(395, 0, 0));
  EXPECT_EQ(395, BarLength(395, 10, 25));
  EXPECT_EQ(395, BarLength(395, 0, 3));
  EXPECT_EQ(1, BarLength(395, 10, 0));
  EXPECT_EQ(0, BarLength(-4, 10, 5));
  EXPECT_EQ(30000u, TimeLeft(10, 5, 30000));
  EXPECT_EQ(0u, TimeLeft(10, 0, 30000));
  EXPECT_EQ(0u, TimeLeft(10, 12, 30000));
  EXPECT_EQ(3000000000000ull, TimeLeft(4000000000u, 2000000000u, 3000000000000ull));
}

}  // namespace

TEST(Recheck, BadLinksAreCollectedOnceUnderTheSitesCaseRule) {
  const struct {
    int32_t ignoreCase;
    const char* server;
    const char* resource;
    const char* bookmark;
    size_t entries;  // after the first link and this one
  } cases[] = {
      {0, "s", "/i.png", "", 1}, {0, "S", "/i.png", "", 1},  {0, "s", "/I.PNG", "", 2},
      {1, "s", "/I.PNG", "", 1}, {1, "s", "/i.png", "B", 2}, {0, "ſ", "/i.png", "", 1},
  };
  for (const auto& c : cases) {
    BadLinkList list;
    list.ignoreCase = c.ignoreCase;
    CollectBadLink(list, {1, "", "", "s", 80, "/i.png", "", "", 3, 0, 0});
    CollectBadLink(list, {1, "", "", c.server, 80, c.resource, c.bookmark, "", 3, 0, 1});
    EXPECT_EQ(c.entries, list.entries.size()) << c.server << c.resource << c.bookmark;
    // A page met again as the broken link itself counts as broken.
    if (c.entries == 1) {
      EXPECT_EQ(1, list.entries[0].broken);
    }
  }
}
