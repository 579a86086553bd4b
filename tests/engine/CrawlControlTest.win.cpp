// Starting, pausing, resuming and stopping crawls on real worksheet files with the real
// worker pool; the checks are held or counted through the check hook.
#include "tests/support/WinGTest.h"

#include "tests/engine/CrawlTestSupport.h"

namespace {

class CrawlControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSiteSettings(site_);
    // Nothing listens at the test's web addresses: one refused try per link.
    site_.RecheckBadLinksTimes = 1;
  }

  CLinkFinder& Open() { return crawl_.Open(folder_.File(u"sheet.fdb")); }
  std::u16string Page(const std::u16string& name) {
    const std::u16string path = folder_.File(name);
    MakeTestFile(path, "<html></html>");
    return CrawlFixture::FileUrl(path);
  }
  void Queue(const std::u16string& url) {
    tagTreeListItemFull* item = new tagTreeListItemFull{};
    std::u16string text = url;
    ASSERT_EQ(1, crawl_.engine->FillItemWithURL(&text[0], u"", item, nullptr));
    ASSERT_EQ(1, crawl_.engine->AddLink(item));
    delete item;
  }
  uint32_t Found() {
    uint32_t found = 0;
    crawl_.engine->GetTotalData(&found, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    return found;
  }
  // The option as stored, once the engine is gone.
  std::string StoredOption(const char* name) {
    crawl_.engine.reset();
    return Worksheet(folder_.File(u"sheet.fdb")).Load(name);
  }

  TestFolder folder_{u"tl-crawl-"};
  CrawlFixture crawl_;
  tagSITESETTINGS site_;
};

TEST_F(CrawlControlTest, FileStartRunsToItsEndOnce) {
  CLinkFinder& engine = Open();
  ASSERT_EQ(1, crawl_.Start(Page(u"start.html"), site_));
  EXPECT_EQ(1u, Found()) << "a file start has no robots.txt row";
  ASSERT_TRUE(crawl_.WaitForEnd());
  EXPECT_EQ(1, engine.IsStopped());
  EXPECT_EQ(0, engine.IsPaused());
  EXPECT_EQ(1, crawl_.endMessages);

  engine.stop_crawler_func(nullptr);
  EXPECT_EQ(1, crawl_.endMessages) << "the end of a run is handled once";
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(crawl_.done, 0));

  const std::vector<StoredLink> stored = crawl_.Stored();
  ASSERT_EQ(1u, stored.size());
  EXPECT_EQ(STATUSVAL_OK, stored[0].statusval);
  EXPECT_EQ("OK", stored[0].statusstr);
  EXPECT_EQ("TRUE", StoredOption("Stopped"));
  EXPECT_GT(std::stoll(StoredOption("TimeElapsed")), 0);
}

TEST_F(CrawlControlTest, RobotsRowFollowsTheStartAddress) {
  struct Case {
    const char16_t* url;
    int ignoreRobots;
    uint32_t found;
    uint32_t robotsPort;  // 0: no robots.txt row
  };
  const Case cases[] = {
      {u"http://127.0.0.1:80/docs/", 0, 2, 80}, {u"http://127.0.0.1:8080/docs/", 0, 2, 8080},
      {u"http://127.0.0.1/docs/", 0, 2, 80},    {u"https://127.0.0.1/", 0, 2, 443},
      {u"http://127.0.0.1/docs/", 1, 1, 0},     {u"ftp://127.0.0.1/pub/", 0, 1, 0},
  };
  Open();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.url, c.url + std::char_traits<char16_t>::length(c.url)));
    crawl_.checked.clear();
    site_.IgnoreRobotsTxt = c.ignoreRobots;
    ASSERT_EQ(1, crawl_.Start(c.url, site_));
    EXPECT_EQ(c.found, Found());
    ASSERT_TRUE(crawl_.WaitForEnd());
    std::vector<CheckedLink> robots;
    for (const CheckedLink& link : crawl_.checked) {
      if (link.restype == RES_ROBOTSTXT) robots.push_back(link);
    }
    ASSERT_EQ(c.robotsPort ? 1u : 0u, robots.size());
    if (c.robotsPort) {
      EXPECT_EQ(c.robotsPort, robots[0].port);
      EXPECT_EQ(std::u16string::npos, robots[0].url.find(u"/docs")) << "robots.txt is at the root";
      EXPECT_EQ(crawl_.checked.front().restype, RES_ROBOTSTXT) << "robots.txt is checked first";
    }
  }
}

// One worker, held in its first check (the start page) while `queued` more pages are
// queued, so that every request meets a run in progress.
class HeldRunTest : public CrawlControlTest {
 protected:
  CLinkFinder& StartHeld(int queued) {
    crawl_.settings.NumThreads = 1;
    CLinkFinder& engine = Open();
    crawl_.hold = true;
    EXPECT_EQ(1, crawl_.Start(Page(u"start.html"), site_));
    EXPECT_TRUE(crawl_.WaitForHeldCheck());
    for (int i = 0; i < queued; ++i) Queue(Page(u"page" + std::u16string(1, u'a' + i)));
    return engine;
  }
  // Suspends the held run and lets it end.
  void Suspend(CLinkFinder& engine) {
    ASSERT_EQ(1, engine.SuspendFinder());
    crawl_.Release();
    ASSERT_TRUE(crawl_.WaitForEnd());
    ASSERT_EQ(1, engine.IsPaused());
    ASSERT_EQ(0, engine.IsStopped());
  }
};

TEST_F(HeldRunTest, PauseWhileRunningThenResumeEndsIdle) {
  CLinkFinder& engine = StartHeld(2);
  EXPECT_EQ(0, engine.StartFinder()) << "a running engine is not restarted";
  EXPECT_EQ(1u, Found()) << "and nothing was reset";
  EXPECT_EQ(1, engine.SuspendFinder());
  EXPECT_EQ(0, engine.SuspendFinder()) << "a pause is already pending";
  crawl_.Release();
  ASSERT_TRUE(crawl_.WaitForEnd());
  EXPECT_EQ(1, engine.IsPaused());
  EXPECT_EQ(0, engine.IsStopped());
  EXPECT_EQ(1, crawl_.endMessages);
  EXPECT_EQ(1u, crawl_.checked.size()) << "the rest of the queue waits for the resume";
  EXPECT_EQ(0, engine.SuspendFinder());

  // The end message comes before the last worker has left the pool, which refuses a
  // resume until then.
  ASSERT_TRUE(crawl_.PumpUntil([&] { return engine.ResumeFinder() == 1; }));
  ASSERT_TRUE(crawl_.WaitForEnd());
  EXPECT_EQ(0, engine.IsPaused()) << "a resumed run that ends by itself ends idle";
  EXPECT_EQ(1, engine.IsStopped());
  EXPECT_EQ(2, crawl_.endMessages);
  EXPECT_EQ(3u, crawl_.checked.size());
  EXPECT_EQ(0, engine.ResumeFinder());
  EXPECT_EQ(0, crawl_.Rows("found"));
}

TEST_F(HeldRunTest, StopOnASuspendedRunNeedsNoWorkers) {
  CLinkFinder& engine = StartHeld(1);
  Suspend(engine);
  EXPECT_EQ(0, engine.StopFinder());
  EXPECT_EQ(1, engine.IsStopped());
  EXPECT_EQ(0, engine.IsPaused());
  EXPECT_EQ(0, engine.StopFinder());
  EXPECT_EQ(0, engine.ResumeFinder());
  EXPECT_EQ(1, crawl_.endMessages) << "no end message without a run";
  EXPECT_EQ(1u, crawl_.checked.size());
  EXPECT_EQ("TRUE", StoredOption("Stopped"));
  EXPECT_EQ(1, crawl_.Rows("found"));
}

TEST_F(HeldRunTest, ResumeWithAnEmptyQueueEndsIdle) {
  CLinkFinder& engine = StartHeld(0);
  Suspend(engine);
  // The end message comes before the last worker has left the pool, which refuses a
  // resume until then.
  ASSERT_TRUE(crawl_.PumpUntil([&] { return engine.ResumeFinder() == 1; }));
  ASSERT_TRUE(crawl_.WaitForEnd());
  EXPECT_EQ(1, engine.IsStopped());
  EXPECT_EQ(0, engine.IsPaused());
  EXPECT_EQ(2, crawl_.endMessages);
}

TEST_F(HeldRunTest, StopTurnsAPendingPauseIntoAStop) {
  CLinkFinder& engine = StartHeld(0);
  ASSERT_EQ(1, engine.SuspendFinder());
  EXPECT_EQ(1, engine.StopFinder());
  crawl_.Release();
  ASSERT_TRUE(crawl_.WaitForEnd());
  EXPECT_EQ(1, engine.IsStopped());
  EXPECT_EQ(0, engine.IsPaused());
}

TEST_F(CrawlControlTest, EndHandlerMayDestroyTheEngine) {
  Open();
  crawl_.destroyOnEnd = true;
  ASSERT_EQ(1, crawl_.Start(Page(u"start.html"), site_));
  ASSERT_TRUE(crawl_.WaitForEnd());
  EXPECT_EQ(nullptr, crawl_.engine);
  EXPECT_EQ(1, crawl_.endMessages);
  // The context goes with the run's last thread; the file is then free for a new engine.
  ASSERT_TRUE(crawl_.PumpUntil([&] {
    crawl_.destroyOnEnd = false;
    return crawl_.Open(folder_.File(u"sheet.fdb")).StartFinder() == 1;
  }));
  ASSERT_TRUE(crawl_.WaitForEnd());
}

TEST_F(CrawlControlTest, BadStartAddressesEndWithTheStartRowStored) {
  struct Case {
    std::u16string url;
    int32_t statusval;  // of the start row
  };
  const Case cases[] = {
      {u"", STATUSVAL_BROKEN},
      {u"http://[::1]/", STATUSVAL_BROKEN},
      {u"http://127.0.0.1:99999/", STATUSVAL_BROKEN},
      {u"http://127.0.0.1:1/" + std::u16string(2100, u'a'), STATUSVAL_BROKEN_RETRIED},
      {u"http://127.0.0.1:1/straße/ä", STATUSVAL_BROKEN_RETRIED},
      {u"javascript:alert('x')", STATUSVAL_NOTCHECKABLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.url.size() << " units");
    CLinkFinder& engine = Open();
    crawl_.checked.clear();
    ASSERT_EQ(1, crawl_.Start(c.url, site_));
    ASSERT_TRUE(crawl_.WaitForEnd());
    EXPECT_EQ(1, engine.IsStopped());
    bool startStored = false;
    for (const StoredLink& link : crawl_.Stored()) {
      if (link.resource.find("robots.txt") == std::string::npos) {
        startStored = true;
        EXPECT_EQ(c.statusval, link.statusval) << link.server << link.resource;
      }
    }
    EXPECT_TRUE(startStored);
    if (c.statusval == STATUSVAL_BROKEN) {
      EXPECT_TRUE(crawl_.checked.empty()) << "a broken start is stored, never checked";
    }
  }
}

TEST_F(CrawlControlTest, LinkLimitEndsTheRunIdleAndKeepsTheQueue) {
  crawl_.settings.NumThreads = 1;
  for (int32_t type = 1; type <= 4; ++type) {
    SCOPED_TRACE(type);
    CLinkFinder& engine = Open();
    site_.LinksLimitType = type;
    site_.LinksLimitValue = 1;
    crawl_.hold = type != 1;
    // A missing file: the start link counts as broken.
    ASSERT_EQ(1, crawl_.Start(CrawlFixture::FileUrl(folder_.File(u"missing.html")), site_));
    if (type != 1) {
      ASSERT_TRUE(crawl_.WaitForHeldCheck());
      Queue(Page(u"a.html"));
      Queue(Page(u"b.html"));
      crawl_.Release();
    }
    ASSERT_TRUE(crawl_.WaitForEnd());
    EXPECT_EQ(1, engine.IsStopped());
    EXPECT_EQ(0, engine.IsPaused());
    EXPECT_EQ(type == 1 ? 1 : 2, crawl_.Rows("found"));
    EXPECT_EQ(type == 1 ? 0 : 1, crawl_.Rows("loaded"));
    ResetEvent(crawl_.release);
  }
}

}  // namespace
