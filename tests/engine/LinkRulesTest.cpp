#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/LinkRules.h"
#include "engine/TextCopy.h"
#include "tests/engine/UrlTestText.h"

namespace {

class LinkRules : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(site.get(), 0, sizeof(tagSITESETTINGS));
    site->CheckHyperlinks = site->CheckImages = site->CheckOthers = 1;
    rules.site = site.get();
    rules.siteServer = u"site.org";
    rules.sitePort = 80;
    rules.startPath = u"/docs/";
    rules.startDepth = 2;
  }

  tagTreeListItemFull& Link(const std::u16string& resource, int32_t restype, int32_t external,
                            int32_t protocol = PROTOCOL_HTTP) {
    std::memset(item.get(), 0, sizeof(tagTreeListItemFull));
    CopyField(item->resource, resource.c_str());
    CopyField(item->server, external ? u"other.org" : u"site.org");
    item->restype = restype;
    item->extern_ = external;
    item->protocol = protocol;
    for (char16_t c : resource) item->dir += c == u'/';
    return *item;
  }

  std::unique_ptr<tagSITESETTINGS> site = std::make_unique<tagSITESETTINGS>();
  std::unique_ptr<tagTreeListItemFull> item = std::make_unique<tagTreeListItemFull>();
  tagRULECONTEXT rules = {};
};

TEST_F(LinkRules, CheckLinkAllowedMatrix) {
  struct Case {
    const char* what;
    std::u16string resource;
    int32_t restype, external, protocol;
    int32_t tagSITESETTINGS::*option;
    int32_t value;
    int answer;
    int32_t statusval;
  };
  const std::vector<Case> cases = {
      {"page", u"/docs/a.html", RES_HTML, 0, PROTOCOL_HTTP, nullptr, 0, 0, 0},
      {"pages off", u"/docs/a.html", RES_HTML, 0, PROTOCOL_HTTP, &tagSITESETTINGS::CheckHyperlinks,
       0, 2, 0},
      {"images off", u"/docs/a.gif", RES_IMAGE, 0, PROTOCOL_HTTP, &tagSITESETTINGS::CheckImages, 0,
       2, 0},
      {"others off", u"/docs/a.css", RES_STYLESHEET, 0, PROTOCOL_HTTP,
       &tagSITESETTINGS::CheckOthers, 0, 2, 0},
      {"others off, page", u"/docs/a.html", RES_HTML, 0, PROTOCOL_HTTP,
       &tagSITESETTINGS::CheckOthers, 0, 0, 0},
      {"no external", u"/a.html", RES_HTML, 1, PROTOCOL_HTTP, &tagSITESETTINGS::CheckNoExtern, 1, 2,
       0},
      {"external", u"/a.html", RES_HTML, 1, PROTOCOL_HTTP, nullptr, 0, 0, 0},
      {"first only", u"/docs/a.html", RES_HTML, 0, PROTOCOL_HTTP, &tagSITESETTINGS::CheckFirstOnly,
       1, 1, 0},
      {"first only, image", u"/docs/a.gif", RES_IMAGE, 0, PROTOCOL_HTTP,
       &tagSITESETTINGS::CheckFirstOnly, 1, 0, 0},
      {"ftp", u"/docs/a.html", RES_HTML, 0, PROTOCOL_FTP, nullptr, 0, 1, 0},
      {"parent folder", u"/other/a.html", RES_HTML, 0, PROTOCOL_HTTP, nullptr, 0, 1, 0},
      {"parent folder allowed", u"/other/a.html", RES_HTML, 0, PROTOCOL_HTTP,
       &tagSITESETTINGS::CheckParentDir, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    if (c.option) site.get()->*c.option = c.value;
    tagTreeListItemFull& link = Link(c.resource, c.restype, c.external, c.protocol);
    EXPECT_EQ(c.answer, CheckLinkAllowed(rules, &link)) << c.what;
    EXPECT_EQ(c.statusval, link.statusval) << c.what;
  }
}

TEST_F(LinkRules, DepthLimit) {
  site->CheckRestrict = 1;
  site->CheckLevel = 1;
  tagTreeListItemFull& page = Link(u"/docs/a.html", RES_HTML, 0);
  EXPECT_EQ(0, CheckLinkAllowed(rules, &page));
  EXPECT_EQ(0, page.statusval);

  tagTreeListItemFull& deeper = Link(u"/docs/sub/a.html", RES_HTML, 0);
  CopyField(deeper.commentstr, u"earlier");
  EXPECT_EQ(0, CheckLinkAllowed(rules, &deeper));
  EXPECT_EQ(STATUSVAL_SKIPPED, deeper.statusval);
  EXPECT_EQ(u"earlier; Checking file content is restricted by directory level",
            std::u16string(deeper.commentstr));

  // Level 0 and a start folder deeper than the link: never below zero.
  site->CheckLevel = 0;
  site->CheckParentDir = 1;
  rules.startPath = u"/";
  rules.startDepth = 5;
  tagTreeListItemFull& shallow = Link(u"/a/b.html", RES_HTML, 0);
  EXPECT_EQ(0, CheckLinkAllowed(rules, &shallow));
  EXPECT_EQ(0, shallow.statusval);
}

TEST_F(LinkRules, WildcardDomainAndBookmarkLists) {
  site->OnlyWildcard = 1;
  CopyField(site->sOnlyWildcard, u"/docs/*");
  EXPECT_EQ(0, IsWildcardRestricted(rules, &Link(u"/", RES_HTML, 0)));
  EXPECT_EQ(0, IsWildcardRestricted(rules, &Link(u"/docs/a/b.html", RES_HTML, 0)));
  EXPECT_EQ(1, IsWildcardRestricted(rules, &Link(u"/other.html", RES_HTML, 0)));
  EXPECT_EQ(0, IsWildcardRestricted(rules, &Link(u"/other.html", RES_HTML, 1)));
  CopyField(site->sOnlyWildcard, u"*");
  site->SkipWildcard = 1;
  CopyField(site->sSkipWildcard, u"*.pdf;/tmp/*");
  EXPECT_EQ(1, IsWildcardRestricted(rules, &Link(u"/docs/a.pdf?x", RES_APPLICATION, 0)));
  EXPECT_EQ(0, IsWildcardRestricted(rules, &Link(u"/docs/a.html", RES_HTML, 0)));

  site->SkipDomains = 1;
  CopyField(site->sSkipDomains, u"www.other.org");
  EXPECT_EQ(1, IsDomainRestricted(rules, &Link(u"/", RES_HTML, 1)));
  site->NotIgnoreWWW = 1;
  EXPECT_EQ(0, IsDomainRestricted(rules, &Link(u"/", RES_HTML, 1)));
  site->NotIgnoreWWW = 0;
  EXPECT_EQ(0, IsDomainRestricted(rules, &Link(u"/", RES_HTML, 0)));

  site->SkipBookmarks = 1;
  for (const char16_t* list : {u"top", u"#top"}) {
    CopyField(site->sSkipBookmarks, list);
    tagTreeListItemFull& link = Link(u"/docs/a.html", RES_HTML, 0);
    CopyField(link.bookmark, u"#top");
    EXPECT_EQ(1, IsBookmarkRestricted(rules, &link));
    link.extern_ = 1;
    EXPECT_EQ(0, IsBookmarkRestricted(rules, &link));
  }
  EXPECT_EQ(0, IsBookmarkRestricted(rules, &Link(u"/docs/a.html", RES_HTML, 0)));
}

TEST_F(LinkRules, DisplayServer) {
  char16_t shown[2048];
  GetDisplayLink(rules, u"http://site.org:8080/a", shown, 2048);
  EXPECT_EQ(u"http://site.org:8080/a", std::u16string(shown));
  site->DisplayURL = 1;
  CopyField(site->sDisplayURL, u"www.example.net");
  GetDisplayLink(rules, u"http://site.org:8080/a", shown, 2048);
  EXPECT_EQ(u"http://www.example.net/a", std::u16string(shown));
  char16_t back[2048];
  GetLinkFromDisplayBack(rules, back, 2048, shown);
  EXPECT_EQ(u"http://site.org/a", std::u16string(back));
}

TEST(AppendItemComment, JoinsWhileThereIsRoom) {
  auto item = std::make_unique<tagTreeListItemFull>();
  std::memset(item.get(), 0, sizeof(tagTreeListItemFull));
  AppendItemComment(item.get(), u"");
  EXPECT_EQ(0, item->commentstr[0]);
  AppendItemComment(item.get(), u"one");
  AppendItemComment(item.get(), u"two");
  EXPECT_EQ(u"one; two", std::u16string(item->commentstr));
  const std::u16string fill(245, u'x');  // 8 + 3 + 245 = 256: does not stay below 256
  AppendItemComment(item.get(), fill.c_str());
  EXPECT_EQ(u"one; two", std::u16string(item->commentstr));
  AppendItemComment(item.get(), fill.substr(1).c_str());
  EXPECT_EQ(254u, std::u16string(item->commentstr).size());
}

}  // namespace
