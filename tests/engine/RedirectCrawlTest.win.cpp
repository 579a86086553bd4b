// One scan, with the default settings, of a site whose redirects lead off the network, loop,
// never end or are cut short: every link ends with its verdict and the run ends on its own.
#include "tests/support/WinGTest.h"

#include <algorithm>
#include <map>

#include "app/SettingsFields.h"
#include "tests/engine/CrawlTestSupport.h"
#include "tests/engine/RedirectSite.h"

namespace {

int CountRequests(const std::vector<std::string>& requests, const std::string& prefix) {
  return static_cast<int>(std::count_if(requests.begin(), requests.end(), [&](const auto& line) {
    return line.find(' ') != std::string::npos &&
           line.compare(line.find(' ') + 1, prefix.size(), prefix) == 0;
  }));
}

TEST(RedirectCrawlTest, EveryRedirectEndsWithItsVerdictAndTheRunEndsOnItsOwn) {
  RedirectSite site;
  ASSERT_TRUE(site.Start());
  TestFolder folder(u"tl-redirects-");
  CrawlFixture crawl;
  SetDefaultSettings(crawl.settings);
  tagSITESETTINGS options;
  InitSiteSettings(options);
  CLinkFinder& engine = crawl.Open(folder.File(u"redirects.fdb"));
  const std::string root = "http://127.0.0.1:" + std::to_string(site.Port());
  const std::string start = root + "/";
  ASSERT_EQ(1, crawl.Start(std::u16string(start.begin(), start.end()), options));
  ASSERT_TRUE(crawl.WaitForEnd()) << "the run ends on its own";
  EXPECT_EQ(1, engine.IsStopped());
  crawl.engine.reset();

  std::map<std::string, StoredLink> links;
  std::vector<StoredLink> rows = crawl.Stored();
  for (const StoredLink& link : rows) {
    if (link.first) links[link.resource] = link;
  }
  const std::string sentinel = site.Sentinel();
  const std::string pageLink =
      sentinel.substr(0, sentinel.rfind('/')) + "/." + sentinel.substr(sentinel.rfind('/'));
  const struct {
    std::string resource;
    int32_t statusval;
    std::string statusstr;
    std::string inNote;
  } expected[] = {
      {"/missing", STATUSVAL_BROKEN, "404 Not Found", ""},
      {"/to-file", STATUSVAL_BROKEN, "Redirect to \"file://" + sentinel + "\" cannot be followed",
       ""},
      {"/to-js", STATUSVAL_BROKEN, "Redirect to \"javascript:alert(1)\" cannot be followed", ""},
      {"/to-mailto", STATUSVAL_BROKEN,
       "Redirect to \"mailto:someone@example.test\" cannot be followed", ""},
      {"/to-data", STATUSVAL_BROKEN, "Redirect to \"data:text/html,hi\" cannot be followed", ""},
      {pageLink, STATUSVAL_NOTCHECKABLE, "Not checked", "Local file link on a web page"},
      {"/loop/a", STATUSVAL_OK, "302 Found", "Redirects to /loop/b"},
      {"/loop/b", STATUSVAL_BROKEN, "Redirect loop",
       root + "/loop/b -> " + root + "/loop/a -> " + root + "/loop/b"},
      {"/ring/19", STATUSVAL_OK, "302 Found", "Redirects to /ring/20"},
      {"/ring/20", STATUSVAL_BROKEN, "Too many redirects", "Redirects to /ring/21"},
      {"/grow?n=20", STATUSVAL_OK, "302 Found", ""},
      {"/grow?n=21", STATUSVAL_BROKEN, "Too many redirects", "Redirects to /grow?n=22"},
      {"/chain20/19", STATUSVAL_OK, "302 Found", ""},
      {"/chain20/20", STATUSVAL_OK, "200 OK", ""},
      {"/chain21/20", STATUSVAL_BROKEN, "Too many redirects", "Redirects to /chain21/21"},
      {"/code/301", STATUSVAL_OK, "301 Moved Permanently", "Redirects to /done/301"},
      {"/code/302", STATUSVAL_OK, "302 Found", "Redirects to /done/302"},
      {"/code/303", STATUSVAL_OK, "303 See Other", "Redirects to /done/303"},
      {"/code/307", STATUSVAL_OK, "307 Temporary Redirect", "Redirects to /done/307"},
      {"/code/308", STATUSVAL_OK, "308 Permanent Redirect", "Redirects to /done/308"},
      {"/done/308", STATUSVAL_OK, "200 OK", ""},
      {"/cut", STATUSVAL_BROKEN, "Incomplete reply", ""},
  };
  for (const auto& link : expected) {
    SCOPED_TRACE(link.resource);
    ASSERT_EQ(1u, links.count(link.resource));
    const StoredLink& stored = links[link.resource];
    EXPECT_EQ(link.statusval, stored.statusval);
    EXPECT_EQ(link.statusstr, stored.statusstr);
    EXPECT_NE(std::string::npos, stored.commentstr.find(link.inNote)) << stored.commentstr;
  }
  // Targets that were refused are neither stored nor asked for.
  for (const char* resource : {"/ring/21", "/grow?n=22", "/chain21/21"}) {
    EXPECT_EQ(0u, links.count(resource)) << resource;
  }
  for (const StoredLink& link : rows) {
    EXPECT_EQ('/', link.resource[0]) << "a refused target is not stored: " << link.resource;
    EXPECT_NE(sentinel, link.resource);
  }
  const std::vector<std::string> requests = site.Requests();
  EXPECT_EQ(21, CountRequests(requests, "/ring/"));
  EXPECT_EQ(21, CountRequests(requests, "/grow?"));
  EXPECT_EQ(21, CountRequests(requests, "/chain21/"));
  EXPECT_EQ(0, CountRequests(requests, "/data:"));
  EXPECT_FALSE(site.SentinelTouched()) << "the checker opened the local file";
}

}  // namespace
