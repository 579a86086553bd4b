// Result lists, links in and out, the re-check of broken links and the database move, on a
// worksheet filled by a real crawl of local pages.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "engine/ControlWrappers.h"
#include "engine/ProgressDlg.h"
#include "tests/engine/CrawlTestSupport.h"

namespace {

struct Counts {
  uint32_t processed, checked, broken, pages, images;
  bool operator==(const Counts& o) const {
    return processed == o.processed && checked == o.checked && broken == o.broken &&
           pages == o.pages && images == o.images;
  }
};

std::ostream& operator<<(std::ostream& out, const Counts& c) {
  return out << c.processed << "/" << c.checked << "/" << c.broken << "/" << c.pages << "/"
             << c.images;
}

int g_panelWidthAsks = 0;

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_FINDER_PANEL_WIDTH) {
    ++g_panelWidthAsks;
    return 100;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class ResultListsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSiteSettings(site_);
    crawl_.settings.NumThreads = 8;
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    links_ = MakeReportList(crawl_.window, 15);
    broken_ = MakeReportList(crawl_.window, 3);
    io_ = MakeReportList(crawl_.window, 2);
    MakeTestFile(
        folder_.File(u"index.html"),
        "<a href=\"a.html\">A</a>\n<a href=\"b.html\">B</a> <a href=\"mailto:x@y.test\">m</a>");
    MakeTestFile(folder_.File(u"a.html"), "<img src=\"gone.png\">");
    MakeTestFile(folder_.File(u"b.html"), "<p>\n<img src=\"gone.png\" alt=\"<b>\">");
    start_ = CrawlFixture::FileUrl(folder_.File(u"index.html"));
  }

  CLinkFinder& Open(const std::u16string& file) {
    crawl_.file = file;
    crawl_.engine = std::make_unique<CLinkFinder>(
        OLDFORMAT_NONE, file.c_str(), file.c_str(), &crawl_.settings, crawl_.window, crawl_.window,
        links_, nullptr, broken_, 1, CONSOLE_NONE, crawl_.done);
    return *crawl_.engine;
  }

  static int Rows(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  }
  static std::u16string Text(HWND list, int row, int column) {
    WCHAR text[1024] = {};
    ListView_GetItemTextU(list, row, column, text, 1024);
    return text;
  }
  static uint32_t Data(HWND list, int row) {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return static_cast<uint32_t>(item.lParam);
  }
  Counts Engine() {
    Counts c = {};
    uint32_t found = 0, others = 0, in = 0, out = 0;
    crawl_.engine->GetTotalData(&found, &c.broken, &c.pages, &c.images, &others, &in, &out);
    c.processed = in + out;
    // `checked` is not handed out; the statistics of a report carry it.
    tagEXPORTLINKSSTRUCT request = {};
    request.Type = 5;
    request.Format = 2;
    request.WithStats = 1;
    const std::u16string name = folder_.File(u"stats.txt");
    std::copy(name.begin(), name.end(), request.FileName);
    crawl_.engine->ExportLinks(&request);
    HANDLE file =
        CreateFileW(request.FileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char bytes[8192] = {};
    DWORD got = 0;
    ReadFile(file, bytes, sizeof bytes - 1, &got, nullptr);
    CloseHandle(file);
    const char* unique = strstr(bytes, "Unique Links: ");
    c.checked = unique ? static_cast<uint32_t>(atoi(unique + 14)) : 0xFFFFFFFFu;
    return c;
  }
  // Recounted from the stored rows; the engine is closed by it.
  Counts Recount() {
    Counts c = {};
    for (const StoredLink& link : crawl_.Stored()) {
      ++c.processed;
      c.checked += link.first ? 1 : 0;
      c.broken += IsBrokenStatusVal(link.statusval) ? 1 : 0;
      c.pages += link.restype == RES_HTML ? 1 : 0;
      c.images += link.restype == RES_IMAGE ? 1 : 0;
    }
    return c;
  }

  TestFolder folder_{u"tl-lists-"};
  CrawlFixture crawl_;
  tagSITESETTINGS site_;
  std::u16string start_;
  HWND links_ = nullptr, broken_ = nullptr, io_ = nullptr;
};

TEST_F(ResultListsTest, ListsCountersLinksInOutAndRecheck) {
  const std::u16string file = folder_.File(u"w.fdb");
  Open(file);
  crawl_.engine->SetSettings(start_.c_str(), &site_, 1);
  ASSERT_TRUE(crawl_.PumpUntil([&] { return crawl_.engine->StartFinder() == 1; }));
  ASSERT_TRUE(crawl_.WaitForEnd());
  const Counts scanned = Engine();
  const Counts stored = Recount();
  EXPECT_EQ(stored, scanned) << "an 8-worker scan loses no increment";
  EXPECT_EQ(2u, stored.broken);

  // Reopened: the lists and counters come from the stored rows.
  CLinkFinder& engine = Open(file);
  EXPECT_EQ(stored, Engine());
  ASSERT_EQ(static_cast<int>(stored.processed), Rows(links_)) << "show all links lists every row";
  int brokenRows = 0, unsupported = 0;
  std::u16string gone, index;
  for (int row = 0; row < Rows(links_); ++row) {
    const uint32_t data = Data(links_, row);
    if (Text(links_, row, 0).find(u"gone.png") != std::u16string::npos) {
      gone = Text(links_, row, 0);
      EXPECT_EQ(RES_IMAGE | (1u << 16), data);
      EXPECT_EQ(u"Image", Text(links_, row, 10));
      EXPECT_EQ(u"file", Text(links_, row, 4));
      ++brokenRows;
    }
    if (Text(links_, row, 0).find(u"index.html") != std::u16string::npos)
      index = Text(links_, row, 0);
    if (Text(links_, row, 0) == u"mailto:x@y.test") {
      EXPECT_EQ(4u, data >> 16);
      EXPECT_EQ(u"Unknown", Text(links_, row, 4));
      ++unsupported;
    }
  }
  EXPECT_EQ(2, brokenRows);
  EXPECT_EQ(1, unsupported);
  ASSERT_EQ(2, Rows(broken_));
  const std::u16string description = Text(broken_, 0, 0);
  EXPECT_EQ(0u, description.find(u"On page \b")) << "with its referring page";
  EXPECT_NE(std::u16string::npos, description.find(u"gives the error: \f"));

  // Links into the image: both pages, at their positions; into the start page: none.
  ASSERT_EQ(1, engine.FillLinksInOutList(io_, gone.c_str(), 1));
  ASSERT_EQ(2, Rows(io_));
  EXPECT_NE(std::u16string::npos,
            (Text(io_, 0, 1) + Text(io_, 1, 1)).find(u"At line 2 column 1, "));
  EXPECT_TRUE(IsWindowEnabled(crawl_.window)) << "the progress window gave its owner back";
  SendMessageW(io_, LVM_DELETEALLITEMS, 0, 0);
  ASSERT_EQ(1, engine.FillLinksInOutList(io_, index.c_str(), 1));
  ASSERT_EQ(1, Rows(io_));
  EXPECT_EQ(u"No items found.", Text(io_, 0, 0));

  // The broken image of two pages and both pages are queued again.
  const int before = Rows(links_);
  ASSERT_EQ(1, engine.RecheckBadLinks(1));
  EXPECT_EQ(0, Rows(broken_));
  EXPECT_EQ(before - 2, Rows(links_)) << "OK, skipped and unsupported rows stay";
  ASSERT_TRUE(crawl_.WaitForEnd());
  EXPECT_EQ(1, engine.IsStopped());
  EXPECT_EQ(0, engine.IsPaused());
  const Counts rechecked = Engine();
  EXPECT_EQ(Recount(), rechecked) << "counters equal a recount after the re-run";
}

TEST_F(ResultListsTest, GuiWorkDuringAScanWithManyDecidedLinksNeverHangs) {
  std::string index;
  for (int i = 0; i < 300; ++i) {
    index += "<a href=\"mailto:m" + std::to_string(i) + "@x.test\">m</a> <a href=\"p" +
             std::to_string(i % 30) + ".html\">p</a>\n";
  }
  MakeTestFile(folder_.File(u"index.html"), index);
  for (int i = 0; i < 30; ++i) {
    std::u16string name = u"p";
    for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
    MakeTestFile(folder_.File(name + u".html"),
                 "<a href=\"index.html\">i</a><img src=\"gone.png\"><a href=\"tel:1\">t</a>");
  }
  CLinkFinder& engine = Open(folder_.File(u"w.fdb"));
  engine.SetSettings(start_.c_str(), &site_, 1);
  ASSERT_TRUE(crawl_.PumpUntil([&] { return engine.StartFinder() == 1; }));
  for (int round = 0; round < 6; ++round) {
    if (engine.SuspendFinder() == 1) {
      ASSERT_TRUE(crawl_.WaitForEnd());
      EXPECT_EQ(1, engine.IsPaused());
      ASSERT_TRUE(crawl_.PumpUntil([&] { return engine.ResumeFinder() == 1; }));
    }
    const std::u16string page = Rows(links_) ? Text(links_, 0, 0) : start_;
    EXPECT_EQ(1, engine.FillLinksInOutList(io_, page.c_str(), round % 2));
    SendMessageW(io_, LVM_DELETEALLITEMS, 0, 0);
  }
  // Suspended, then stopped: the pause request left behind must not turn the re-check's
  // end into a pause.
  if (engine.SuspendFinder() == 1) {
    ASSERT_TRUE(crawl_.WaitForEnd());
  }
  engine.StopFinder();
  ASSERT_TRUE(crawl_.PumpUntil([&] { return engine.RecheckBadLinks(0) == 1; }));
  // The scan may have ended by itself during the rounds, its end signal still unread: the
  // re-check has ended when the engine says so.
  ASSERT_TRUE(crawl_.PumpUntil([&] { return engine.IsStopped() || engine.IsPaused(); }));
  EXPECT_EQ(1, engine.IsStopped());
  EXPECT_EQ(0, engine.IsPaused());
  EXPECT_TRUE(IsWindowEnabled(crawl_.window));
}

TEST_F(ResultListsTest, GraphicIsDrawnAtMostEvery250MsAndNotWhenMinimised) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = PanelProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = u"TlPanelWorksheet";
  RegisterClassW(&wc);
  HWND sheet = CreateWindowW(u"TlPanelWorksheet", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                             300, nullptr, nullptr, wc.hInstance, nullptr);
  CLinkFinder engine(OLDFORMAT_NONE, nullptr, folder_.File(u"w.fdb").c_str(), &crawl_.settings,
                     nullptr, sheet, nullptr, nullptr, nullptr, 0, CONSOLE_NONE, nullptr);
  ASSERT_EQ(1, engine.Initialized());
  engine.DrawRelativeProgress(0);
  engine.DrawRelativeProgress(0);
  EXPECT_EQ(1, g_panelWidthAsks) << "the second call came within 250 ms";
  engine.DrawRelativeProgress(1);
  EXPECT_EQ(2, g_panelWidthAsks);
  ShowWindow(sheet, SW_MINIMIZE);
  engine.DrawRelativeProgress(1);
  EXPECT_EQ(2, g_panelWidthAsks);
  DestroyWindow(sheet);
}

TEST(ProgressWindow, CancelButtonOnlyWhenCancellableAndQuitSurvivesThePump) {
  HWND owner = CreateWindowW(u"STATIC", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 400,
                             nullptr, nullptr, nullptr, nullptr);
  CProgressDlg* cancellable = CProgressDlg::Create(owner, u"Exporting", u"x.html", true);
  CProgressDlg* plain = CProgressDlg::Create(owner, u"Saving", u"", false);
  ASSERT_TRUE(cancellable && plain);
  EXPECT_FALSE(IsWindowEnabled(owner));
  EXPECT_NE(nullptr, GetDlgItem(cancellable->Window(), IDCANCEL));
  EXPECT_EQ(nullptr, GetDlgItem(plain->Window(), IDCANCEL));
  RECT tall, low;
  GetWindowRect(cancellable->Window(), &tall);
  GetWindowRect(plain->Window(), &low);
  EXPECT_GT(tall.bottom - tall.top, low.bottom - low.top);
  SendMessageW(plain->Window(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(0, plain->IsCancelled());
  SendMessageW(cancellable->Window(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(1, cancellable->IsCancelled());

  PostQuitMessage(3);
  CProgressDlg::DispatchPendingMessages();
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(3u, msg.wParam);
  cancellable->Destroy();
  plain->Destroy();
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

TEST_F(ResultListsTest, MoveKeepsTheDatabaseAttachedAndRefusesALiveFile) {
  const std::u16string file = folder_.File(u"w.fdb");
  CLinkFinder& engine = Open(file);
  CLinkFinder other(OLDFORMAT_NONE, nullptr, folder_.File(u"other.fdb").c_str(), &crawl_.settings,
                    nullptr, nullptr, nullptr, nullptr, nullptr, 0, CONSOLE_NONE, nullptr);
  ASSERT_EQ(1, other.Initialized());

  EXPECT_EQ(0, engine.MoveDataBase(1, file.c_str(), folder_.File(u"missing\\x.fdb").c_str()));
  EXPECT_TRUE(IsWindowEnabled(crawl_.window));
  EXPECT_EQ(1, engine.FillLinksInOutList(io_, u"x", 1)) << "still attached to its file";

  EXPECT_EQ(0, engine.MoveDataBase(1, file.c_str(), folder_.File(u"other.fdb").c_str()))
      << "another worksheet's open file";

  const std::u16string folder = folder_.File(u"Папка");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::u16string moved = folder + u"\\w.fdb";
  EXPECT_EQ(1, engine.MoveDataBase(0, file.c_str(), moved.c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()));
  EXPECT_EQ(1, engine.FillLinksInOutList(io_, u"x", 1));
  EXPECT_TRUE(IsWindowEnabled(crawl_.window));
  crawl_.file = moved;
}

}  // namespace
