// A crawl of a small site served on 127.0.0.1 by the scripted HTTP peer.
#include "tests/support/WinGTest.h"

#include <map>

#include "tests/engine/CrawlTestSupport.h"
#include "tests/engine/WebSite.h"

namespace {

TEST(WebCrawlTest, SiteIsCheckedThroughItsLinksRobotsAndRedirects) {
  TestFolder folder(u"tl-web-");
  WebSite site;
  ASSERT_TRUE(site.Start());
  CrawlFixture crawl;
  SetSettingsText(crawl.settings.HTTPCodes, u"200 201 202 301 302 401");
  tagSITESETTINGS options;
  InitSiteSettings(options);
  options.RecheckBadLinksTimes = 1;
  CLinkFinder& engine = crawl.Open(folder.File(u"web.fdb"));
  const std::string start = "http://127.0.0.1:" + std::to_string(site.Port()) + "/";
  ASSERT_EQ(1, crawl.Start(std::u16string(start.begin(), start.end()), options));
  ASSERT_TRUE(crawl.WaitForEnd());
  EXPECT_EQ(1, engine.IsStopped());

  std::map<std::string, StoredLink> links;
  for (const StoredLink& link : crawl.Stored()) {
    if (link.first) links[link.resource + link.bookmark] = link;
  }
  EXPECT_EQ(STATUSVAL_OK, links["/"].statusval);
  EXPECT_EQ(STATUSVAL_OK, links["/robots.txt"].statusval);
  EXPECT_EQ(STATUSVAL_OK, links["/a.html"].statusval);
  EXPECT_EQ(STATUSVAL_BROKEN, links["/missing.html"].statusval);
  EXPECT_EQ(STATUSVAL_SKIPPED, links["/private/x.html"].statusval);
  EXPECT_EQ("Disallowed in robots.txt", links["/private/x.html"].commentstr);
  EXPECT_EQ(STATUSVAL_OK, links["/moved.html#top"].statusval);
  EXPECT_NE(std::string::npos, links["/moved.html#top"].commentstr.find("Redirects to"));
  EXPECT_EQ(1u, links.count("/a.html#top")) << "the target keeps the bookmark";
}

}  // namespace
