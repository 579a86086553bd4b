#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/LinkRules.h"
#include "tests/engine/UrlTestText.h"

namespace {

// A site http://www.site.org/docs/ with the default extension lists.
class FillItem : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(site.get(), 0, sizeof(tagSITESETTINGS));
    rules.site = site.get();
    rules.extLists[0] = u"ai arc exe pdf zip";
    rules.extLists[1] = u"mp3 wav";
    rules.extLists[2] = u"asp htm html php";
    rules.extLists[3] = u"gif jpg png";
    rules.extLists[4] = u"txt";
    rules.extLists[5] = u"avi mpg";
    rules.siteServer = u"www.site.org";
    rules.sitePort = 80;
    rules.startPath = u"/docs/";
    rules.startDepth = 2;
  }

  int Fill(const std::u16string& link,
           const std::u16string& base = u"http://www.site.org/docs/i.html",
           int* explicitPort = nullptr) {
    text.assign(link.begin(), link.end());
    text.resize(link.size() + 1);
    return FillItemWithURL(rules, text.data(), base.c_str(), item.get(), explicitPort);
  }

  std::unique_ptr<tagSITESETTINGS> site = std::make_unique<tagSITESETTINGS>();
  std::unique_ptr<tagTreeListItemFull> item = std::make_unique<tagTreeListItemFull>();
  tagRULECONTEXT rules = {};
  std::vector<char16_t> text;
};

TEST_F(FillItem, LeadingAndTrailingBlanks) {
  EXPECT_EQ(1, Fill(u"  a.html "));
  EXPECT_EQ(u"/docs/a.html", std::u16string(item->resource));
  EXPECT_EQ(0, item->commentstr[0]);

  site->NotIgnoreSpaces = 1;
  Fill(u" a.html");
  EXPECT_EQ(u"Extra spaces in url", std::u16string(item->commentstr));
  EXPECT_EQ(u"/docs/ a.html", std::u16string(item->resource));
}

TEST_F(FillItem, AddressesNoDownloaderServes) {
  for (const std::u16string link : {u"mailto:a@b.org", u"JavaScript:go()", u"news:x", u"tel:+123",
                                    u"data:image/png;base64,AAAA", u"about:blank", u"ws://h/s",
                                    u"svn+ssh://h/r", u"ftps://h/"}) {
    EXPECT_EQ(1, Fill(link)) << Narrow(link);
    EXPECT_EQ(PROTOCOL_NONE, item->protocol) << Narrow(link);
    EXPECT_EQ(1, item->extern_);
    EXPECT_EQ(link, std::u16string(item->Url));
    EXPECT_EQ(link, std::u16string(item->resource));
    EXPECT_EQ(0, item->server[0]);
  }
  // A data: address too long for the record is only shown, so it is cut.
  EXPECT_EQ(1, Fill(u"data:text/plain," + std::u16string(5000, u'x')));
  EXPECT_EQ(2047u, std::u16string(item->Url).size());
}

TEST_F(FillItem, DrivePathsBecomeFileAddresses) {
  EXPECT_EQ(1, Fill(u"c:\\My Dir\\f.htm", u""));
  EXPECT_EQ(u"file://c:/My Dir/f.htm", std::u16string(item->Url));
  EXPECT_EQ(PROTOCOL_FILE, item->protocol);
  EXPECT_EQ(u"c:", std::u16string(item->server));
  EXPECT_EQ(u"/My Dir/f.htm", std::u16string(item->resource));
  EXPECT_EQ(RES_HTML, item->restype);
}

TEST_F(FillItem, ParentStepFromTheServerRoot) {
  const std::u16string base = u"http://www.site.org/index.html";
  EXPECT_EQ(0, Fill(u"../a.html", base));
  EXPECT_EQ(u"Relative link directory overflow", std::u16string(item->statusstr));
  site->IgnoreRelative = 1;
  EXPECT_EQ(1, Fill(u"../a.html", base));
  EXPECT_EQ(u"http://www.site.org/../a.html", std::u16string(item->Url));
  EXPECT_EQ(u"Relative link directory overflow", std::u16string(item->comment));
  EXPECT_EQ(0, item->statusstr[0]);
}

TEST_F(FillItem, RecordFields) {
  int explicitPort = -1;
  EXPECT_EQ(1, Fill(u"sub/page.html#s1?a=2", u"http://www.site.org/docs/i.html", &explicitPort));
  EXPECT_EQ(u"http://www.site.org/docs/sub/page.html#s1?a=2", std::u16string(item->Url));
  EXPECT_EQ(PROTOCOL_HTTP, item->protocol);
  EXPECT_EQ(80u, item->port);
  EXPECT_EQ(0, explicitPort);
  EXPECT_EQ(u"/docs/sub/page.html?a=2", std::u16string(item->resource));
  EXPECT_EQ(u"#s1", std::u16string(item->bookmark));
  EXPECT_EQ(RES_HTML, item->restype);
  EXPECT_EQ(0, item->extern_);
  EXPECT_EQ(1, item->flags);
  EXPECT_EQ(3, item->dir);

  EXPECT_EQ(1, Fill(u"https://u:p@www.site.org:8443/docs/x.css?v=1/2", u"", &explicitPort));
  EXPECT_EQ(PROTOCOL_HTTPS, item->protocol);
  EXPECT_EQ(8443u, item->port);
  EXPECT_EQ(1, explicitPort);
  EXPECT_EQ(u"u", std::u16string(item->username));
  EXPECT_EQ(u"p", std::u16string(item->userpass));
  EXPECT_EQ(RES_STYLESHEET, item->restype);
  EXPECT_EQ(0, item->extern_);  // no base: never external
  EXPECT_EQ(2, item->dir);

  EXPECT_EQ(1, Fill(u"www.site.org", u""));
  EXPECT_EQ(u"http://www.site.org", std::u16string(item->Url));
  EXPECT_EQ(u"/", std::u16string(item->resource));
  EXPECT_EQ(1, Fill(u"localhost:8080/x", u""));
  EXPECT_EQ(PROTOCOL_HTTP, item->protocol);
  EXPECT_EQ(8080u, item->port);
}

TEST_F(FillItem, ExtensionTyping) {
  const std::vector<std::pair<std::u16string, int32_t>> cases = {
      {u"a.exe", RES_APPLICATION},   {u"a.mp3", RES_AUDIO},
      {u"a.php?x=1.gif", RES_HTML},  {u"a", RES_HTML},
      {u"a.png", RES_IMAGE},         {u"a.txt", RES_TEXT},
      {u"a.avi", RES_VIDEO},         {u"a.css", RES_STYLESHEET},
      {u"a.cssx", RES_STYLESHEET},   {u"a.xyz", RES_UNKNOWN},
      {u"dir.v2/page", RES_UNKNOWN}, {u"a.PNG", RES_UNKNOWN},
      {u"a.ht", RES_UNKNOWN},
  };
  for (const auto& c : cases) {
    Fill(c.first);
    EXPECT_EQ(c.second, item->restype) << Narrow(c.first);
  }
  site->CheckIgnoreCase = 1;
  EXPECT_EQ(RES_IMAGE, LookupFileType(rules, u"PNG"));
  EXPECT_EQ(RES_STYLESHEET, LookupFileType(rules, u"CSS"));
}

TEST_F(FillItem, InsideOrOutsideTheSite) {
  struct Case {
    std::u16string link;
    int notIgnoreWww, ignoreCase, parentDir, external;
  };
  const std::vector<Case> cases = {
      {u"http://www.site.org/docs/a.html", 0, 0, 0, 0},
      {u"http://site.org/docs/a.html", 0, 0, 0, 0},
      {u"http://site.org/docs/a.html", 1, 0, 0, 1},
      {u"http://WWW.Site.org/docs/a.html", 0, 0, 0, 1},
      {u"http://WWW.Site.org/docs/a.html", 0, 1, 0, 0},
      {u"http://www.site.org:81/docs/a.html", 0, 0, 0, 1},
      {u"http://other.org/docs/a.html", 0, 0, 0, 1},
      {u"http://www.site.org/other/a.html", 0, 0, 0, 1},
      {u"http://www.site.org/other/a.html", 0, 0, 1, 0},
      {u"http://www.site.org/Docs/a.html", 0, 1, 0, 0},
  };
  for (const Case& c : cases) {
    site->NotIgnoreWWW = c.notIgnoreWww;
    site->CheckIgnoreCase = c.ignoreCase;
    site->CheckParentDir = c.parentDir;
    EXPECT_EQ(1, Fill(c.link));
    EXPECT_EQ(c.external, item->extern_)
        << Narrow(c.link) << " www " << c.notIgnoreWww << " case " << c.ignoreCase;
    EXPECT_EQ(c.external ? 0 : 1, item->flags);
  }
  // The site written without "www." and a link with it.
  rules.siteServer = u"site.org";
  EXPECT_EQ(0, LinkDomainExternal(rules, u"www.site.org", 80));
}

TEST_F(FillItem, EscapedStartFolderStillMatches) {
  rules.startPath = u"/my docs/";
  EXPECT_EQ(1, Fill(u"http://www.site.org/my%20docs/a.html"));
  EXPECT_EQ(0, item->extern_);
}

TEST_F(FillItem, MalformedAddresses) {
  const std::vector<std::u16string> links = {
      u"http://www.site.org:99999/",
      u"http://www.site.org:0/",
      u"http://" + std::u16string(300, u'h') + u"/",
      u"http://" + std::u16string(300, u'u') + u"@h/",
      u"http://h/" + std::u16string(2100, u'a'),
      std::u16string(2100, u'r'),
  };
  for (const std::u16string& link : links) {
    EXPECT_EQ(0, Fill(link)) << Narrow(link.substr(0, 30));
    EXPECT_EQ(u"URL using bad/illegal format or missing URL", std::u16string(item->statusstr));
    EXPECT_EQ(link.substr(0, 2047), std::u16string(item->Url));
  }
  EXPECT_EQ(0, Fill(u"   "));
  EXPECT_EQ(u"URL is empty", std::u16string(item->statusstr));
}

}  // namespace
