// A crawl of a page on 127.0.0.1 whose links lead to an FTP server and to RTSP streams,
// one of them only reachable through a SOCKS5 proxy.
#include "tests/support/WinGTest.h"

#include <map>

#include "tests/engine/CrawlTestSupport.h"
#include "tests/engine/SchemeSite.h"

namespace {

TEST(SchemeCrawlTest, FtpAndRtspLinksAreCheckedDirectAndThroughTheProxy) {
  TestFolder folder(u"tl-schemes-");
  SchemeSite site;
  ASSERT_TRUE(site.Start());
  CrawlFixture crawl;
  SetSettingsText(crawl.settings.HTTPCodes, u"200");
  crawl.settings.URLTimeout = 20;
  // The proxy takes the rtsp links; the local bypass keeps the page and the local streams
  // direct.
  crawl.settings.UseProxy = 1;
  crawl.settings.ProxyBypassLocal = 1;
  crawl.settings.HTTPProxyType = 2;
  crawl.settings.HTTPProxyPort = static_cast<uint16_t>(site.SocksPort());
  SetSettingsText(crawl.settings.HTTPProxyAddress, u"127.0.0.1");
  tagSITESETTINGS options;
  InitSiteSettings(options);
  options.RecheckBadLinksTimes = 1;
  CLinkFinder& engine = crawl.Open(folder.File(u"schemes.fdb"));
  const std::string start = "http://127.0.0.1:" + std::to_string(site.HttpPort()) + "/";
  ASSERT_EQ(1, crawl.Start(std::u16string(start.begin(), start.end()), options));
  ASSERT_TRUE(crawl.WaitForEnd());
  EXPECT_EQ(1, engine.IsStopped());

  std::map<std::string, StoredLink> links;
  for (const StoredLink& link : crawl.Stored()) {
    if (link.first) links[link.resource] = link;
  }
  const struct {
    const char* resource;
    int32_t statusval;
    const char* statusstr;
    const char* commentstr;
  } expected[] = {
      {"/file.txt", STATUSVAL_OK, "OK", ""},
      {"/docs", STATUSVAL_OK, "\"docs\" is a directory", ""},
      {"/missing.txt", STATUSVAL_BROKEN, "File not found", ""},
      {"/nodir/x.txt", STATUSVAL_BROKEN, nullptr, "LIST retrieve failed"},
      {"/405/open", STATUSVAL_OK, "405 Method Not Allowed", ""},
      {"/404/gone", STATUSVAL_BROKEN, "404 Not Found", ""},
      {"/405/proxied", STATUSVAL_OK, "405 Method Not Allowed", ""},
  };
  for (const auto& link : expected) {
    SCOPED_TRACE(link.resource);
    ASSERT_EQ(1u, links.count(link.resource));
    const StoredLink& stored = links[link.resource];
    EXPECT_EQ(link.statusval, stored.statusval);
    if (link.statusstr) {
      EXPECT_EQ(link.statusstr, stored.statusstr);
    }
    EXPECT_EQ(link.commentstr, stored.commentstr);
  }
  EXPECT_EQ(0u, links["/nodir/x.txt"].statusstr.rfind("550 ", 0)) << "the server's reply";
  EXPECT_EQ("stream.test", links["/405/proxied"].server);
  // Greeting without authentication, then a connect by name (type 3) to port 554.
  EXPECT_EQ(std::string("\x05\x01\x00\x05\x01\x00\x03\x0b", 8) + "stream.test" +
                std::string("\x02\x2a", 2),
            site.SocksRequests());
}

}  // namespace
