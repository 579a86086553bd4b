// A run whose threads cannot be started leaves the engine as it was: idle, or suspended.
#include "tests/support/WinGTest.h"

#include "tests/engine/CrawlTestSupport.h"

namespace {

TEST(NoThreadsTest, StartAndResumeFailWithoutLeavingARunBehind) {
  TestFolder folder(u"tl-nothreads-");
  CrawlFixture crawl;
  const std::u16string file = folder.File(u"sheet.fdb");
  const std::u16string page = folder.File(u"start.html");
  MakeTestFile(page, "<html></html>");
  tagSITESETTINGS site;
  InitSiteSettings(site);

  CLinkFinder& engine = crawl.Open(file);
  ASSERT_EQ(1, engine.SetSettings(CrawlFixture::FileUrl(page).c_str(), &site, 0));
  EXPECT_EQ(0, engine.StartFinder());
  EXPECT_EQ(1, engine.IsStopped());
  EXPECT_EQ(0, engine.IsPaused());
  EXPECT_EQ(0, engine.StopFinder());
  EXPECT_EQ(0, engine.StartFinder()) << "refused again, never left running";
  EXPECT_EQ(1, engine.IsStopped());
  crawl.engine.reset();
  EXPECT_EQ("TRUE", Worksheet(file).Load("Stopped"));

  ASSERT_TRUE(Worksheet(file).Save("Stopped", "FALSE"));
  CLinkFinder& suspended = crawl.Open(file);
  ASSERT_EQ(1, suspended.IsPaused());
  EXPECT_EQ(0, suspended.ResumeFinder());
  EXPECT_EQ(1, suspended.IsPaused());
  EXPECT_EQ(0, suspended.IsStopped());
  EXPECT_EQ(0, crawl.endMessages);
}

}  // namespace
