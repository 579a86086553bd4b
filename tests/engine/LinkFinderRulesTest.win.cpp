// The URL and restriction members of the engine, on its own state after SetSettings.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>

#include "scandb/ScanDb.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/Growth.h"

namespace {

class LinkFinderRules : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTestSettings(settings_);
    InitSiteSettings(site_);
  }

  CLinkFinder& Engine(const char16_t* startUrl) {
    engine_ = OpenEngine(file_, &settings_);
    EXPECT_EQ(1, engine_->Initialized());
    EXPECT_EQ(1, engine_->SetSettings(startUrl, &site_, 0));
    return *engine_;
  }

  int Fill(const std::u16string& link, const char16_t* base) {
    text_ = link;
    return engine_->FillItemWithURL(text_.data(), base, item_.get(), nullptr);
  }

  // Stores a robots text as a fetch during an earlier run would have.
  void StoreRobots(const char* robots) {
    engine_.reset();
    Worksheet sheet(file_);
    ASSERT_TRUE(sheet.Open());
    ASSERT_TRUE(sheet.Save("sRobotsTxt", robots));
  }

  TestFolder folder_{u"tl-rules-"};
  std::u16string file_ = folder_.File(u"rules.fdb");
  tagSETTINGS settings_;
  tagSITESETTINGS site_;
  std::unique_ptr<CLinkFinder> engine_;
  std::u16string text_;
  std::unique_ptr<tagTreeListItemFull> item_ = std::make_unique<tagTreeListItemFull>();
};

TEST_F(LinkFinderRules, LinksAreJudgedAgainstTheStartAddress) {
  CLinkFinder& engine = Engine(u"http://www.site.org/my%20docs/index.html");
  EXPECT_EQ(u"www.site.org", std::u16string(engine.SiteSrv()));
  const char16_t* page = u"http://www.site.org/my%20docs/index.html";

  ASSERT_EQ(1, Fill(u"img/a.png", page));
  EXPECT_EQ(RES_IMAGE, item_->restype);
  EXPECT_EQ(0, item_->extern_);
  ASSERT_EQ(1, Fill(u"http://site.org/my docs/b.html", page));
  EXPECT_EQ(0, item_->extern_);
  EXPECT_EQ(1, item_->flags);
  ASSERT_EQ(1, Fill(u"/other/c.html", page));
  EXPECT_EQ(1, item_->extern_);
  EXPECT_EQ(0, item_->flags);
  EXPECT_EQ(RES_UNKNOWN, engine.LookupFileType(u"xyz"));
  EXPECT_EQ(1, engine.LinkDomainExternal(u"www.site.org", 8080));
}

TEST_F(LinkFinderRules, DepthIsCountedFromTheStartFolder) {
  site_.CheckRestrict = 1;
  site_.CheckLevel = 1;
  CLinkFinder& engine = Engine(u"http://h/docs/");
  engine.GetSettings()->CheckRestrict = 1;
  engine.GetSettings()->CheckLevel = 1;
  ASSERT_EQ(1, Fill(u"a.html", u"http://h/docs/"));
  EXPECT_EQ(0, engine.CheckLinkAllowed(item_.get()));
  EXPECT_EQ(0, item_->statusval);
  ASSERT_EQ(1, Fill(u"sub/a.html", u"http://h/docs/"));
  EXPECT_EQ(0, engine.CheckLinkAllowed(item_.get()));
  EXPECT_EQ(STATUSVAL_SKIPPED, item_->statusval);
}

TEST_F(LinkFinderRules, RobotsTextOfTheWorksheetIsApplied) {
  Engine(u"http://h/");
  StoreRobots("User-agent: tessa\r\nDisallow: /private/\r\n");
  CLinkFinder& engine = Engine(u"http://h/");
  EXPECT_EQ(1, engine.IsRobotsTxtDisallowed(u"/private", "Mozilla/4.0 (Tessa)"));
  EXPECT_EQ(0, engine.IsRobotsTxtDisallowed(u"/public", "Mozilla/4.0 (Tessa)"));
  EXPECT_EQ(0, engine.IsRobotsTxtDisallowed(u"/private/", "OtherBot"));
}

// Only the first 500 KiB of robots.txt count, as large crawlers read it; a line the limit
// cuts counts neither.
TEST_F(LinkFinderRules, RobotsTextIsReadUpToItsLimit) {
  const size_t limit = 500 * 1024;
  std::string robots = "User-agent: *\nDisallow: /early/\n";
  robots.resize(limit - 40, '#');
  robots += "\nDisallow: /edge/\n";
  robots.resize(limit - 5, '#');
  robots += "\nDisallow: /cut/\nDisallow: /late/\n";
  Engine(u"http://h/");
  StoreRobots(robots.c_str());
  CLinkFinder& engine = Engine(u"http://h/");
  const char* agent = "Mozilla/4.0 (Tessa)";
  EXPECT_EQ(1, engine.IsRobotsTxtDisallowed(u"/early/a", agent));
  EXPECT_EQ(1, engine.IsRobotsTxtDisallowed(u"/edge/a", agent));
  EXPECT_EQ(0, engine.IsRobotsTxtDisallowed(u"/cut/a", agent));
  EXPECT_EQ(0, engine.IsRobotsTxtDisallowed(u"/late/a", agent));
}

// Seconds to judge a run of links against the engine's robots text, after the first link.
double RobotsSeconds(CLinkFinder& engine) {
  EXPECT_EQ(1, engine.IsRobotsTxtDisallowed(u"/private/first", "Mozilla/4.0 (Tessa)"));
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 2000; ++i) {
    const std::u16string resource = i % 2 ? u"/private/page" : u"/public/page";
    EXPECT_EQ(i % 2, engine.IsRobotsTxtDisallowed(resource.c_str(), "Mozilla/4.0 (Tessa)"));
  }
  return SecondsSince(start);
}

// A robots text of about `bytes` bytes, nearly all of it rules for other crawlers.
std::string RobotsOfSize(size_t bytes) {
  std::string robots;
  while (robots.size() < bytes) robots += "User-agent: otherbot\nDisallow: /not-for-us/\n";
  return robots + "User-agent: *\nDisallow: /private/\n";
}

// robots.txt is read once per run: a text eight times as long costs the links about the same.
TEST_F(LinkFinderRules, LinksAreJudgedWithoutReadingTheRobotsTextAgain) {
  const std::string texts[2] = {RobotsOfSize(32 * 1024), RobotsOfSize(256 * 1024)};
  Engine(u"http://h/");
  auto judge = [&](const std::string& robots) {
    StoreRobots(robots.c_str());
    return RobotsSeconds(Engine(u"http://h/"));
  };
  EXPECT_LT(GrowthRatio([&] { return judge(texts[0]); }, [&] { return judge(texts[1]); }), 3.0);
}

// Seconds to read a start page of `links` distinct links into a new worksheet, and the queue
// rows they left there.
double WidePageSeconds(const std::u16string& file, tagSETTINGS* settings, tagSITESETTINGS* site,
                       int links, int32_t* queued) {
  std::string page = "<html><body>\n";
  for (int i = 0; i < links; ++i) page += "<a href=\"/w/" + std::to_string(i) + ".txt\">t</a>\n";
  page += "</body></html>\n";
  auto engine = OpenEngine(file, settings);
  EXPECT_EQ(1, engine->SetSettings(u"http://h/", site, 0));
  auto item = std::make_unique<tagTreeListItemFull>();
  std::u16string start = u"http://h/";
  EXPECT_EQ(1, engine->FillItemWithURL(start.data(), nullptr, item.get(), nullptr));
  const auto began = std::chrono::steady_clock::now();
  engine->StartParseHtmlData(item.get(), 1, 0, page.data(),
                             static_cast<unsigned long>(page.size()));
  const double seconds = SecondsSince(began);
  engine.reset();
  Worksheet sheet(file);
  EXPECT_TRUE(sheet.Open());
  DBCountRows(sheet.Context(), "found", queued);
  return seconds;
}

// A page's links are gathered before they are queued in one step: a link of a page eight
// times as long costs about what it costs on the short one, and each of the links is queued.
TEST_F(LinkFinderRules, AWidePageIsGatheredInLinearTime) {
  char16_t run = u'a';
  auto perLink = [&](int links) {
    int32_t queued = 0;
    const double seconds =
        WidePageSeconds(folder_.File(u"wide" + std::u16string(1, run++) + u".fdb"), &settings_,
                        &site_, links, &queued);
    EXPECT_EQ(links, queued);
    return seconds / links;
  };
  EXPECT_LT(GrowthRatio([&] { return perLink(4000); }, [&] { return perLink(32000); }, 3), 3.0);
}

TEST_F(LinkFinderRules, DisplayServerFollowsTheSiteOptions) {
  CLinkFinder& engine = Engine(u"http://h:8080/");
  engine.GetSettings()->DisplayURL = 1;
  memcpy(engine.GetSettings()->sDisplayURL, u"mirror", sizeof u"mirror");
  WCHAR shown[2048];
  engine.GetDisplayLink(u"http://h:8080/a", shown, 2048);
  EXPECT_EQ(u"http://mirror/a", std::u16string(shown));
}

}  // namespace
