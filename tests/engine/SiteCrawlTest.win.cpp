// Scans of a generated site of about thirty pages served on 127.0.0.1, judged by the
// worksheet file, the links list and the server's log of every request.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <tuple>

#include "engine/CheckLinkHook.h"
#include "tests/engine/CrawlTestSupport.h"
#include "tests/engine/TestSite.h"

namespace {

// Stored results by resource and bookmark: the first occurrence, and every occurrence.
struct Results {
  explicit Results(const std::vector<StoredLink>& rows) : all(rows) {
    for (const StoredLink& link : rows) {
      if (link.first) first[link.resource + link.bookmark] = link;
    }
  }
  const StoredLink& operator[](const std::string& key) { return first[key]; }
  std::vector<StoredLink> all;
  std::map<std::string, StoredLink> first;
};

int CountRequests(const std::vector<SiteRequest>& log, const std::string& method,
                  const std::string& path) {
  int count = 0;
  for (const SiteRequest& request : log) {
    count += (method.empty() || request.method == method) && request.path == path;
  }
  return count;
}

class SiteCrawlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = new TestSite;
    ASSERT_TRUE(site_->Start());
  }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }
  void SetUp() override {
    InitSiteSettings(options_);
    SetSettingsText(crawl_.settings.HTTPCodes, u"200 201 202 301 302 401");
  }
  std::u16string Url(const std::string& path) {
    const std::string url = "http://127.0.0.1:" + std::to_string(site_->Port()) + path;
    return std::u16string(url.begin(), url.end());
  }
  // Scans from the path until the end of the run and its end message.
  Results Scan(const std::u16string& file, const std::string& path, HWND list = nullptr) {
    crawl_.Open(folder_.File(file), list);
    EXPECT_EQ(1, crawl_.Start(Url(path), options_));
    EXPECT_TRUE(crawl_.WaitForEnd());
    EXPECT_TRUE(crawl_.PumpUntil([&] { return crawl_.endMessages > 0; }));
    EXPECT_EQ(1, crawl_.engine->IsStopped());
    EXPECT_EQ(0, crawl_.engine->IsPaused());
    uint32_t counts[7] = {};
    crawl_.engine->GetTotalData(&counts[0], &counts[1], &counts[2], &counts[3], &counts[4],
                                &counts[5], &counts[6]);
    std::copy(counts, counts + 7, totals_);
    return Results(crawl_.Stored());
  }

  static TestSite* site_;
  TestFolder folder_{u"tl-site-"};
  CrawlFixture crawl_;
  tagSITESETTINGS options_;
  uint32_t totals_[7] = {};
};

TestSite* SiteCrawlTest::site_ = nullptr;

TEST_F(SiteCrawlTest, SiteIsScannedFromItsStartPage) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&init);
  HWND list = MakeReportList(crawl_.window, 15);
  options_.RecheckBadLinksTimes = 3;
  options_.GETAfterHEADFail = 1;
  options_.SizeLimitType = 2;
  Results links = Scan(u"site.fdb", "/index.html", list);
  const std::vector<SiteRequest> log = site_->Requests();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ("/robots.txt", log[0].path) << "robots.txt comes before any page";
  EXPECT_EQ(1, crawl_.endMessages);

  // No false broken link: exactly these are broken.
  std::set<std::string> brokenSet;
  for (const auto& entry : links.first) {
    if (IsBrokenStatusVal(entry.second.statusval)) brokenSet.insert(entry.first);
  }
  const std::set<std::string> expectedBroken = {"/missing.html", "/flaky.html", "/img/nothere.gif"};
  EXPECT_EQ(expectedBroken, brokenSet);
  for (int n = 1; n <= TestSite::kChainPages; ++n) {
    const std::string number = (n < 10 ? "0" : "") + std::to_string(n);
    EXPECT_EQ(STATUSVAL_OK, links["/p/" + number + ".html"].statusval) << n;
    EXPECT_EQ(1, CountRequests(log, "GET", "/p/" + number + ".html")) << "a page by GET, once";
    EXPECT_EQ(1, CountRequests(log, "HEAD", "/img/" + number + ".gif")) << "an image by HEAD";
    EXPECT_EQ(0, CountRequests(log, "GET", "/img/" + number + ".gif"));
  }
  EXPECT_EQ(STATUSVAL_BROKEN, links["/missing.html"].statusval);

  // The redirect is OK; its target is queued once, with the bookmark, which it declares.
  EXPECT_EQ(STATUSVAL_OK, links["/moved.html#part"].statusval);
  EXPECT_NE(std::string::npos, links["/moved.html#part"].commentstr.find("Redirects to"));
  int targets = 0;
  for (const StoredLink& link : links.all) targets += link.resource == "/target.html";
  EXPECT_EQ(1, targets);
  EXPECT_EQ("OK", links["/target.html#part"].statusstr);
  EXPECT_EQ("Bookmark \"#part\" found", links["/target.html#part"].commentstr);

  EXPECT_EQ(STATUSVAL_SKIPPED, links["/private/secret.html"].statusval);
  EXPECT_EQ("Disallowed in robots.txt", links["/private/secret.html"].commentstr);
  for (const SiteRequest& request : log) EXPECT_NE(0u, request.path.find("/private")) << "asked";
  for (const char* address : {"mailto:someone@example.test", "tel:+100"}) {
    EXPECT_EQ(STATUSVAL_NOTCHECKABLE, links[address].statusval) << address;
    EXPECT_EQ("Unsupported protocol", links[address].statusstr) << address;
  }

  // The cookie set by one page opens the next.
  EXPECT_EQ(STATUSVAL_OK, links["/gated.html"].statusval);
  for (const SiteRequest& request : log) {
    if (request.path == "/gated.html") {
      EXPECT_NE(std::string::npos, request.cookie.find("gate=open"));
    }
  }
  // A connection closed without reply: three tries, then a transient failure.
  EXPECT_EQ(3, CountRequests(log, "", "/flaky.html"));
  EXPECT_EQ(STATUSVAL_BROKEN_RETRIED, links["/flaky.html"].statusval);
  // A failed existence check is tried once more by GET.
  EXPECT_EQ(1, CountRequests(log, "HEAD", "/img/nothere.gif"));
  EXPECT_EQ(1, CountRequests(log, "GET", "/img/nothere.gif"));
  EXPECT_EQ(STATUSVAL_NOTCHECKABLE, links["/fake.html"].statusval) << "an image served as page";
  EXPECT_EQ(STATUSVAL_SKIPPED, links["/big.html"].statusval) << "cut at the maximum size";
  const std::string& size = links["/big.html"].ressize;
  EXPECT_EQ('+', size.back()) << size;
  EXPECT_LE(102400, std::stoi(size)) << "what arrived until the cut";

  // Bookmarks by name and id; one commented out.
  EXPECT_EQ("Bookmark \"#top\" found", links["/anchors.html#top"].commentstr);
  EXPECT_EQ("Bookmark \"#sec\" found", links["/anchors.html#sec"].commentstr);
  EXPECT_EQ("Bookmark \"#\xD1\x80\xD0\xB0\xD0\xB7\" found",
            links["/anchors.html#\xD1\x80\xD0\xB0\xD0\xB7"].commentstr)
      << "a Cyrillic anchor by a percent-encoded fragment";
  EXPECT_EQ("Bookmark \"#nowhere\" not found", links["/anchors.html#nowhere"].statusstr);
  EXPECT_EQ(STATUSVAL_OK, links["/anchors.html#nowhere"].statusval);
  // The page linked with and without bookmarks was parsed once: one row per place.
  std::map<std::tuple<std::string, int, int>, int> places;
  for (const StoredLink& link : links.all) {
    if (link.rel_url.find("/anchors.html") != std::string::npos) {
      ++places[std::make_tuple(link.resource, link.line, link.col)];
    }
  }
  EXPECT_EQ(3u, places.size());
  for (const auto& place : places) EXPECT_EQ(1, place.second) << std::get<0>(place.first);
  std::set<std::string> imageTitles;
  for (const StoredLink& link : links.all) {
    if (link.rel_url.find("/anchors.html") != std::string::npos && link.resource == "/img/01.gif") {
      imageTitles.insert(link.rel_title);
    }
  }
  const std::set<std::string> expectedTitles = {
      "when you click on \b\"Image: \"img/01.gif\" (Alt: \"One\")\"\b",
      "in tag \b\"img\" argument \"src\"\b"};
  EXPECT_EQ(expectedTitles, imageTitles);

  // <base href> resolves the later links; the style sheet's url() references are found.
  EXPECT_EQ(STATUSVAL_OK, links["/real/b.html"].statusval);
  EXPECT_EQ(STATUSVAL_OK, links["/real/"].statusval) << "the base itself is checked";
  EXPECT_EQ(STATUSVAL_OK, links["/img/bg.png"].statusval);
  EXPECT_EQ("in css \b\"url:\"\b", links["/img/bg.png"].rel_title);
  EXPECT_EQ(STATUSVAL_OK, links["/img/h1.png"].statusval);
  EXPECT_EQ(0u, links.first.count("/img/none.png")) << "commented out";

  // Pages in other encodings reach their links.
  EXPECT_EQ("UTF-16LE", links["/utf16.html"].charset);
  EXPECT_EQ("Sixteen", links["/utf16.html"].title);
  EXPECT_EQ(STATUSVAL_OK, links["/u16target.html"].statusval);
  EXPECT_EQ(2, links["/u16target.html"].line);
  EXPECT_EQ("utf-8", links["/utf8.html"].charset);
  EXPECT_EQ("Caf\xC3\xA9", links["/utf8.html"].title);
  EXPECT_EQ(STATUSVAL_OK, links["/caf\xC3\xA9.html"].statusval);
  EXPECT_EQ(STATUSVAL_OK, links["/my page.html"].statusval);
  EXPECT_EQ(STATUSVAL_OK, links["/\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.html"].statusval);
  EXPECT_EQ("windows-1251", links["/cp1251.html"].charset);

  // Long non-ASCII texts are kept to their columns at character boundaries.
  EXPECT_EQ(0u, TestSite::CjkTitle().find(links["/cjk.html"].title));
  EXPECT_EQ(255u, links["/cjk.html"].title.size()) << "85 characters of three bytes";
  EXPECT_EQ(STATUSVAL_OK, links[TestSite::LongResource()].statusval) << "stored whole";

  // The counters equal what the tables hold; the list has a row per result, with its bits.
  uint32_t broken = 0, pages = 0;
  for (const StoredLink& link : links.all) {
    broken += IsBrokenStatusVal(link.statusval);
    pages += link.restype == RES_HTML;
  }
  EXPECT_EQ(links.all.size(), totals_[0]) << "found";
  EXPECT_EQ(broken, totals_[1]);
  EXPECT_EQ(pages, totals_[2]);
  EXPECT_EQ(links.all.size(), totals_[5] + totals_[6]) << "internal and external";
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  ASSERT_EQ(static_cast<int>(links.first.size()), rows);
  std::map<uint32_t, int> bits;
  for (int row = 0; row < rows; ++row) {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    ++bits[static_cast<uint32_t>(item.lParam) >> 16];
  }
  std::map<uint32_t, int> expectedBits;
  for (const auto& entry : links.first) {
    const int32_t value = entry.second.statusval;
    ++expectedBits[value == 5 ? 1 : value == 2 ? 2 : value == 4 ? 4 : value == 7 ? 8 : 0];
  }
  EXPECT_EQ(expectedBits, bits);
}

TEST_F(SiteCrawlTest, IgnoredCookiesLeaveTheGateShutAndOneTryIsOne) {
  options_.IgnoreCookies = 1;
  options_.RecheckBadLinksTimes = 1;
  const int before = CountRequests(site_->Requests(), "", "/flaky.html");
  Results links = Scan(u"cookies.fdb", "/cookie.html");
  EXPECT_EQ(STATUSVAL_BROKEN, links["/gated.html"].statusval);
  EXPECT_EQ(STATUSVAL_BROKEN_RETRIED, links["/flaky.html"].statusval);
  EXPECT_EQ(before + 1, CountRequests(site_->Requests(), "", "/flaky.html"));
}

TEST_F(SiteCrawlTest, BrokenLinkLimitEndsTheRunIdle) {
  options_.LinksLimitType = 4;
  options_.LinksLimitValue = 10;
  options_.RecheckBadLinksTimes = 1;
  Results links = Scan(u"limit.fdb", "/broken.html");
  uint32_t broken = 0;
  for (const StoredLink& link : links.all) broken += IsBrokenStatusVal(link.statusval);
  EXPECT_GE(broken, 10u);
  EXPECT_LT(broken, 16u) << "the run stopped before checking every link";
}

TEST_F(SiteCrawlTest, EndHandlerMayDestroyTheEngineAfterAScan) {
  options_.RecheckBadLinksTimes = 1;
  crawl_.Open(folder_.File(u"destroyed.fdb"));
  crawl_.destroyOnEnd = true;
  ASSERT_EQ(1, crawl_.Start(Url("/cookie.html"), options_));
  ASSERT_TRUE(crawl_.WaitForEnd());
  ASSERT_TRUE(crawl_.PumpUntil([&] { return crawl_.engine == nullptr; }));
  EXPECT_EQ(1, crawl_.endMessages);
  // The file is free once the run's last thread has gone.
  EXPECT_TRUE(crawl_.PumpUntil([&] { return crawl_.Stored().size() >= 3; }));
}

// Holds the first check after the one of /anchors.html: that page is parsed then, and the
// links to its anchors are still queued.
struct AfterAnchorsPage {
  static void Hook(const tagTreeListItemFull* item) {
    if (armed.exchange(false)) {
      SetEvent(fixture->entered);
      WaitForSingleObject(fixture->release, 60000);
    }
    if (std::u16string(item->resource) == u"/anchors.html" && !item->bookmark[0]) armed = true;
  }
  static std::atomic<bool> armed;
  static CrawlFixture* fixture;
};
std::atomic<bool> AfterAnchorsPage::armed{false};
CrawlFixture* AfterAnchorsPage::fixture = nullptr;

using StoredRow = std::tuple<int32_t, std::string, std::string, int32_t, std::string, std::string,
                             std::string, int32_t, std::string, std::string, int32_t, int32_t>;
std::multiset<StoredRow> RowSet(const std::vector<StoredLink>& links) {
  std::multiset<StoredRow> rows;
  for (const StoredLink& l : links) {
    rows.insert({l.first, l.resource, l.bookmark, l.restype, l.title, l.statusstr, l.commentstr,
                 l.statusval, l.rel_url, l.rel_title, l.line, l.col});
  }
  return rows;
}

// A run paused once /anchors.html is parsed, then resumed after the worksheet was closed
// and opened again, or in the same session, ends with the rows and totals of an
// uninterrupted run: the parsed page is not parsed again for the links to its anchors,
// which are still judged by its anchors.
TEST_F(SiteCrawlTest, AResumedRunEndsAsAnUninterruptedOne) {
  crawl_.settings.NumThreads = 1;
  options_.RecheckBadLinksTimes = 1;
  const Results whole = Scan(u"whole.fdb", "/index.html");
  uint32_t wholeTotals[7];
  std::copy(totals_, totals_ + 7, wholeTotals);
  ASSERT_EQ(STATUSVAL_OK, whole.first.at("/anchors.html#sec").statusval);

  AfterAnchorsPage::fixture = &crawl_;
  g_checkLinkHook = AfterAnchorsPage::Hook;
  for (const bool reopen : {true, false}) {
    SCOPED_TRACE(reopen ? "reopened" : "same session");
    const std::u16string file = folder_.File(reopen ? u"reopened.fdb" : u"kept.fdb");
    ResetEvent(crawl_.release);
    crawl_.Open(file);
    ASSERT_EQ(1, crawl_.Start(Url("/index.html"), options_));
    ASSERT_TRUE(crawl_.WaitForHeldCheck());
    ASSERT_EQ(1, crawl_.engine->SuspendFinder());
    crawl_.Release();
    ASSERT_TRUE(crawl_.WaitForEnd());
    ASSERT_EQ(1, crawl_.engine->IsPaused());
    if (reopen) {
      crawl_.engine.reset();
      crawl_.Open(file);
      ASSERT_EQ(1, crawl_.engine->IsPaused());
    }
    ASSERT_EQ(1, crawl_.engine->ResumeFinder());
    ASSERT_TRUE(crawl_.WaitForEnd());
    uint32_t totals[7] = {};
    crawl_.engine->GetTotalData(&totals[0], &totals[1], &totals[2], &totals[3], &totals[4],
                                &totals[5], &totals[6]);
    EXPECT_TRUE(std::equal(totals, totals + 7, wholeTotals))
        << totals[0] << " found, " << totals[1] << " broken";
    const std::vector<StoredLink> resumed = crawl_.Stored();
    EXPECT_EQ(whole.all.size(), resumed.size());
    EXPECT_TRUE(RowSet(whole.all) == RowSet(resumed)) << "row by row";
  }
}

}  // namespace
