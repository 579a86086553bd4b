// The engine object on real worksheet database files.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <string>

#include "scandb/RowFill.h"
#include "scandb/ScanDb.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

class LinkFinderTest : public ::testing::Test {
 protected:
  void SetUp() override { InitTestSettings(settings_); }

  std::u16string File(const std::u16string& name) const { return folder_.File(name); }
  std::unique_ptr<CLinkFinder> Open(const std::u16string& file,
                                    oldformat_type format = OLDFORMAT_NONE) {
    return OpenEngine(file, &settings_, format);
  }

  TestFolder folder_{u"tl-engine-"};
  tagSETTINGS settings_;
};

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST_F(LinkFinderTest, NewWorksheetIsCreatedWithTheProjectDefaults) {
  const std::u16string file = File(u"new.fdb");
  auto engine = Open(file);
  ASSERT_EQ(1, engine->Initialized());
  EXPECT_TRUE(Exists(file));
  const tagSITESETTINGS* site = engine->GetSettings();
  EXPECT_EQ(1, site->CheckHyperlinks);
  EXPECT_EQ(1, site->CheckImages);
  EXPECT_EQ(1, site->CheckOthers);
  EXPECT_EQ(5u, site->RecheckBadLinksTimes);
  EXPECT_EQ(std::u16string(u"*"), site->sOnlyWildcard);
  const int expected[15] = {200, 120, 120, 120, 70, 70, 70, 100, 70, 70, 70, 70, 70, 70, 70};
  for (int i = 0; i < 15; ++i) EXPECT_EQ(expected[i], engine->GetWindowSettings()->ColWidth[i]);
  EXPECT_EQ(1, engine->IsStopped());
  EXPECT_EQ(0, engine->IsPaused());
  uint32_t found = 99, broken = 99, pages = 99, images = 99, others = 99, in = 99, out = 99;
  engine->GetTotalData(&found, &broken, &pages, &images, &others, &in, &out);
  EXPECT_EQ(0u, found + broken + pages + images + others + in + out);
}

struct StoredCase {
  const char* name;
  const char* value;
};

TEST_F(LinkFinderTest, StoredOptionsAreCorrectedWhenOpened) {
  const std::u16string file = File(u"stored.fdb");
  Open(file).reset();
  {
    Worksheet sheet(file);
    ASSERT_TRUE(sheet.Open());
    ASSERT_TRUE(sheet.Save("RecheckBadLinksTimes", "40"));
    ASSERT_TRUE(sheet.Save("View", "3, 1, 7"));
    ASSERT_TRUE(sheet.Save("ColWidth", "10, 20, 30"));
    ASSERT_TRUE(sheet.Save("Stopped", "false"));
    ASSERT_TRUE(sheet.Save("Window", "1, -2, 300, 400, 3"));
    ASSERT_TRUE(sheet.Save("CheckLevel", "3"));
    ASSERT_TRUE(sheet.Save("SkipWildcard", "TRUE"));
    ASSERT_TRUE(sheet.Save("sSkipWildcard", "*.zip"));
    ASSERT_TRUE(sheet.Save("sOnlyWildcard", "/docs/*"));
    ASSERT_TRUE(sheet.Save("CheckIgnoreCase", "tRuE"));
    ASSERT_TRUE(sheet.Save("CheckImages", "yes"));
  }
  auto engine = Open(file);
  ASSERT_EQ(1, engine->Initialized());
  const tagSITESETTINGS* site = engine->GetSettings();
  const tagWINDOWSETTINGS* window = engine->GetWindowSettings();
  EXPECT_EQ(25u, site->RecheckBadLinksTimes);
  EXPECT_EQ(3u, site->View0);
  EXPECT_EQ(1, window->View1);
  EXPECT_EQ(0, window->View2);
  EXPECT_EQ(10, window->ColWidth[0]);
  EXPECT_EQ(30, window->ColWidth[2]);
  for (int i = 3; i < 15; ++i) EXPECT_EQ(100, window->ColWidth[i]) << i;
  EXPECT_EQ(-2, window->WindowY);
  EXPECT_EQ(3u, window->WindowShow);
  EXPECT_EQ(0, engine->IsStopped());
  EXPECT_EQ(1, engine->IsPaused()) << "a project saved while suspended opens suspended";
  EXPECT_EQ(10u, site->CheckLevel);
  EXPECT_EQ(0, site->SkipWildcard);
  EXPECT_EQ(0, site->sSkipWildcard[0]);
  EXPECT_EQ(std::u16string(u"*"), site->sOnlyWildcard);
  EXPECT_EQ(1, site->CheckIgnoreCase);
  EXPECT_EQ(0, site->CheckImages);
}

TEST_F(LinkFinderTest, GarbageOptionsOpenWithDefaults) {
  const std::u16string file = File(u"garbage.fdb");
  Open(file).reset();
  {
    Worksheet sheet(file);
    ASSERT_TRUE(sheet.Open());
    ASSERT_TRUE(sheet.Save("RecheckBadLinksTimes", "abc"));
    ASSERT_TRUE(sheet.Save("sSitePort", "99999999999"));
    ASSERT_TRUE(sheet.Save("SizeSent", "-5"));
    ASSERT_TRUE(sheet.Save("View", "x, y"));
    ASSERT_TRUE(sheet.Save("ColWidth", ""));
    ASSERT_TRUE(sheet.Save("sSiteURL", "http://example.org/\xC3(\xFF"));
    ASSERT_TRUE(sheet.Save("sSiteSrv", std::string(5000, 'h')));
  }
  auto engine = Open(file);
  ASSERT_EQ(1, engine->Initialized());
  EXPECT_EQ(5u, engine->GetSettings()->RecheckBadLinksTimes);
  EXPECT_EQ(100, engine->GetWindowSettings()->ColWidth[0]);
  EXPECT_EQ(255u, std::char_traits<char16_t>::length(engine->SiteSrv()));
  EXPECT_EQ(0, std::u16string(engine->SiteURL()).find(u"http://example.org/"));
}

TEST_F(LinkFinderTest, SettingsAreSavedUnderEveryKeyInTheirTextForm) {
  const std::u16string file = File(u"keys.fdb");
  {
    auto engine = Open(file);
    ASSERT_EQ(1, engine->Initialized());
    tagSITESETTINGS site;
    InitSiteSettings(site);
    site.CheckImages = 0;
    site.RecheckBadLinksTimes = 7;
    site.AuthMethod = 3;
    memcpy(site.sAuthUserName, u"j\u00F6e", 8);
    site.IgnoreCookies = 1;
    site.CheckLevel = 4;
    site.LinksLimitValue = 1234;
    site.SizeLimitKB = 55;
    site.NotIgnoreSpaces = 1;
    site.View0 = 2;
    tagWINDOWSETTINGS window = {};
    window.View1 = 1;
    window.View2 = 2;
    window.WindowX = -5;
    window.WindowShow = 3;
    for (int i = 0; i < 15; ++i) window.ColWidth[i] = i + 1;
    engine->SetWindowSettings(&window);
    ASSERT_EQ(1, engine->SetSettings(u"http://www.example.org:8080/a/", &site, 0));
  }
  Worksheet sheet(file);
  ASSERT_TRUE(sheet.Open());
  const StoredCase expected[] = {
      {"sSiteURL", "http://www.example.org:8080/a/"},
      {"sSiteSrv", "www.example.org"},
      {"sSitePort", "8080"},
      {"CheckHyperlinks", "TRUE"},
      {"CheckImages", "FALSE"},
      {"RecheckBadLinksTimes", "7"},
      {"DisplayURL", "FALSE"},
      {"AuthMethod", "3"},
      {"sAuthUserName",
       "j\xC3\xB6"
       "e"},
      {"sAuthPassword", ""},
      {"IgnoreRobotsTxt", "FALSE"},
      {"IgnoreCookies", "TRUE"},
      {"CheckLevel", "4"},
      {"LinksLimitValue", "1234"},
      {"SizeLimitKB", "55"},
      {"sOnlyWildcard", "*"},
      {"IgnoreSpaces", "FALSE"},
      {"View", "2, 1, 2"},
      {"Window", "-5, 0, 0, 0, 3"},
      {"ColWidth", "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15"},
      {"Stopped", "TRUE"},
      {"SizeSent", "0"},
      {"TimeElapsed", "0"},
      {"sRobotsTxt", ""},
  };
  for (const StoredCase& c : expected) EXPECT_EQ(c.value, sheet.Load(c.name)) << c.name;
}

TEST_F(LinkFinderTest, SetSettingsWithoutABlockZeroesEveryOption) {
  const std::u16string file = File(u"zero.fdb");
  {
    auto engine = Open(file);
    ASSERT_EQ(1, engine->SetSettings(nullptr, nullptr, 0));
    EXPECT_EQ(0, engine->GetSettings()->CheckHyperlinks);
    EXPECT_EQ(0, engine->SiteURL()[0]);
  }
  Worksheet sheet(file);
  EXPECT_EQ("FALSE", sheet.Load("CheckHyperlinks"));
  EXPECT_EQ("FALSE", sheet.Load("CheckOthers"));
  EXPECT_EQ("0", sheet.Load("RecheckBadLinksTimes"));
}

TEST_F(LinkFinderTest, SetSettingsIsRefusedWhileARunIsSuspended) {
  const std::u16string file = File(u"suspended.fdb");
  Open(file).reset();
  ASSERT_TRUE(Worksheet(file).Save("Stopped", "FALSE"));
  auto engine = Open(file);
  tagSITESETTINGS site;
  InitSiteSettings(site);
  EXPECT_EQ(0, engine->SetSettings(u"http://example.org/", &site, 0));
  EXPECT_EQ(0, engine->SiteURL()[0]);
}

TEST_F(LinkFinderTest, CountersOfAReopenedWorksheetFollowItsRows) {
  const std::u16string file = File(u"rows.fdb");
  Open(file).reset();
  {
    Worksheet sheet(file);
    ASSERT_TRUE(sheet.Open());
    FillLink page;
    page.server = "example.org";
    page.resource = "/index.html";
    FillLink image = page;
    image.resource = "/logo.png";
    image.restype = 3;
    image.statusval = 5;
    FillLink outside = page;
    outside.server = "other.example";
    outside.restype = 8;
    outside.statusval = 7;
    FillOccurrence at;
    at.rel_url = "http://example.org/index.html";
    FillOccurrence away = at;
    away.extern_ = 1;
    const int32_t pageRow = FillLoaded(sheet.Context(), page);
    const int32_t imageRow = FillLoaded(sheet.Context(), image);
    const int32_t outsideRow = FillLoaded(sheet.Context(), outside);
    ASSERT_TRUE(FillReport(sheet.Context(), 1, pageRow, FillOccurrence()));
    ASSERT_TRUE(FillReport(sheet.Context(), 1, imageRow, at));
    ASSERT_TRUE(FillReport(sheet.Context(), 0, imageRow, at));
    ASSERT_TRUE(FillReport(sheet.Context(), 1, outsideRow, away));
    FillLink queued = page;
    queued.resource = "/next.html";
    ASSERT_TRUE(FillFound(sheet.Context(), queued, at));
  }
  auto engine = Open(file);
  ASSERT_EQ(1, engine->Initialized());
  uint32_t found, broken, pages, images, others, in, out;
  engine->GetTotalData(&found, &broken, &pages, &images, &others, &in, &out);
  EXPECT_EQ(5u, found) << "queue rows plus occurrences";
  EXPECT_EQ(3u, broken);
  EXPECT_EQ(1u, pages);
  EXPECT_EQ(2u, images);
  EXPECT_EQ(1u, others);
  EXPECT_EQ(3u, in);
  EXPECT_EQ(1u, out);
}

TEST_F(LinkFinderTest, LongRobotsTextSurvivesAReopen) {
  const std::u16string file = File(u"robots.fdb");
  Open(file).reset();
  std::string robots = "User-agent: *\r\n";
  while (robots.size() < 70 * 1024) robots += "Disallow: /priv\xC3\xA4te/'quoted'/\r\n";
  ASSERT_TRUE(Worksheet(file).Save("sRobotsTxt", robots));
  {
    auto engine = Open(file);
    ASSERT_EQ(1, engine->Initialized());
    tagSITESETTINGS site;
    InitSiteSettings(site);
    ASSERT_EQ(1, engine->SetSettings(u"http://example.org/", &site, 0));
  }
  EXPECT_EQ(robots, Worksheet(file).Load("sRobotsTxt"));
}

TEST_F(LinkFinderTest, OpensAPathWithQuotesAndNonAsciiCharacters) {
  const std::u16string file = File(u"Bj\u00F6rk's \u65E5\u672C.fdb");
  auto engine = Open(file);
  EXPECT_EQ(1, engine->Initialized());
  EXPECT_TRUE(Exists(file));
}

TEST_F(LinkFinderTest, RefusesFilesThatAreNoWorksheetAndLeavesThemAlone) {
  const std::u16string file = File(u"notes.fdb");
  const std::string content(5000, 'x');
  { std::ofstream(UnixPath(file), std::ios::binary) << content; }
  EXPECT_EQ(0, Open(file)->Initialized());
  std::ifstream in(UnixPath(file), std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, after);
  EXPECT_EQ(0, Open(File(u"missing\\folder\\a.fdb"))->Initialized());
  EXPECT_EQ(0, Open(u"")->Initialized());
}

TEST_F(LinkFinderTest, OldFormatFileIsDeletedAndNotOpened) {
  const std::u16string file = File(u"old.lnk");
  { std::ofstream(UnixPath(file), std::ios::binary) << "old project"; }
  EXPECT_EQ(0, Open(file, OLDFORMAT_OLD)->Initialized());
  EXPECT_FALSE(Exists(file));
}

TEST_F(LinkFinderTest, CallbackSlotsReachTheirMembers) {
  auto engine = Open(File(u"slots.fdb"));
  ASSERT_EQ(1, engine->Initialized());
  CLinkFinderCallbacks callbacks;
  EXPECT_EQ(0, QueryURLThunk(&callbacks, 1, "", "", "", 80, "/", "", "", 2, 0, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             "", "", 0, 0, 0, 0))
      << "an unset query slot returns 0";
  callbacks.report = {engine.get(), &CLinkFinder::report_url_func};
  callbacks.exportUrl = {engine.get(), &CLinkFinder::export_url_func};
  ReportURLThunk(&callbacks, 1, 1, "", "", "s", 80, "/", "", "", 3, 0, "", "", "", "", "", "", "",
                 5, 0, 0, "", "", 0, 0, 1, 1);
  int32_t cancel = 0;
  ExportURLThunk(&callbacks, 1, 0, 0, 1, "", "", "s", 80, "/", "", "", 2, 0, "", "", "", "", "", "",
                 "", 1, 0, 0, "", "", 0, 0, 0, 1, &cancel);
  StopCrawlerThunk(&callbacks);
  uint32_t found, broken, pages, images, others, in, out;
  engine->GetTotalData(&found, &broken, &pages, &images, &others, &in, &out);
  EXPECT_EQ(1u, broken);
  EXPECT_EQ(1u, images);
  EXPECT_EQ(1u, pages);
  EXPECT_EQ(1u, in);
  EXPECT_EQ(1u, out);
  EXPECT_EQ(0, cancel);
}

// The layout tree is never drawn: its rows leave the tree, the counters and the query as
// they were, while an unbound slot would cancel the query.
TEST_F(LinkFinderTest, LayoutSlotTakesRowsAndDrawsNothing) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_TREEVIEW_CLASSES};
  ASSERT_TRUE(InitCommonControlsEx(&init));
  HWND tree = CreateWindowW(WC_TREEVIEWW, u"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr,
                            nullptr);
  ASSERT_NE(nullptr, tree);
  const std::u16string file = File(u"layout.fdb");
  CLinkFinder engine(OLDFORMAT_NONE, file.c_str(), file.c_str(), &settings_, nullptr, nullptr,
                     nullptr, tree, nullptr, 0, CONSOLE_NONE, nullptr);
  ASSERT_EQ(1, engine.Initialized());
  TVINSERTSTRUCTW node = {};
  node.hInsertAfter = TVI_LAST;
  node.item.mask = TVIF_TEXT;
  node.item.pszText = const_cast<WCHAR*>(u"site");
  ASSERT_NE(nullptr, reinterpret_cast<HTREEITEM>(
                         SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&node))));

  CLinkFinderCallbacks unbound;
  CLinkFinderCallbacks bound;
  bound.exportLayout = {&engine, &CLinkFinder::export_layout_func};
  for (CLinkFinderCallbacks* slots : {&bound, &unbound}) {
    for (int32_t row = 0; row < 3; ++row) {
      int32_t cancel = 0;
      ExportLayoutThunk(slots, 3, row, 1, 1, "", "", "example.org", 80, "/a.html", "", "", 2, 1,
                        "A", "200 OK", "", "text/html", "10", "", "utf-8", row == 1 ? 5 : 1, 0, 0,
                        "http://example.org/", "a", 1, 1, row == 2, 1, &cancel);
      EXPECT_EQ(slots == &unbound ? 1 : 0, cancel) << row;
    }
  }
  EXPECT_EQ(1, static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)));
  uint32_t found, broken, pages, images, others, in, out;
  engine.GetTotalData(&found, &broken, &pages, &images, &others, &in, &out);
  EXPECT_EQ(0u, found + broken + pages + images + others + in + out);
  DestroyWindow(tree);
}

TEST_F(LinkFinderTest, ReopenedWorksheetKeepsItsStartFolderAndCaseRule) {
  const std::u16string file = File(u"reopen.fdb");
  {
    auto engine = Open(file);
    tagSITESETTINGS site;
    InitSiteSettings(site);
    site.CheckIgnoreCase = 1;
    ASSERT_EQ(1, engine->SetSettings(u"http://example.org/docs/index.html", &site, 0));
  }
  auto engine = Open(file);
  ASSERT_EQ(1, engine->Initialized());
  tagTreeListItemFull item;
  WCHAR inside[] = u"/DOCS/a.html";
  ASSERT_EQ(1,
            engine->FillItemWithURL(inside, u"http://example.org/docs/index.html", &item, nullptr));
  EXPECT_EQ(0, item.extern_);
  EXPECT_EQ(0, engine->CheckLinkAllowed(&item));
  WCHAR outside[] = u"/other.html";
  ASSERT_EQ(
      1, engine->FillItemWithURL(outside, u"http://example.org/docs/index.html", &item, nullptr));
  EXPECT_EQ(1, item.extern_) << "outside the start folder";
}

}  // namespace
