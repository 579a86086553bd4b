// The worksheet window as a user drives it: the real frame and worksheets in this
// process, the test's own settings folder, a site on 127.0.0.1; commands as the toolbar
// sends them, message boxes recorded, the end-of-run messages counted by a hook. Runs
// alone: it shows windows.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "app/CommandStates.h"
#include "app/Frame.h"
#include "app/Language.h"
#include "app/Settings.h"
#include "app/SettingsRecord.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/SystemActions.h"
#include "app/Worksheet.h"
#include "engine/CheckLink.h"
#include "engine/ControlWrappers.h"
#include "engine/TextCopy.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/engine/TestSite.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Languages.h"

namespace {

// Message boxes, from the GUI thread or the open-link thread.
std::mutex gBoxLock;
std::vector<const char16_t*> gBoxes;
int gBoxAnswer = IDNO;
int RecordBox(HWND, const char16_t* format, const char16_t*, UINT, ...) {
  std::lock_guard<std::mutex> hold(gBoxLock);
  gBoxes.push_back(format);
  return gBoxAnswer;
}
size_t BoxCount() {
  std::lock_guard<std::mutex> hold(gBoxLock);
  return gBoxes.size();
}

std::atomic<int> gShellCalls{0};
HINSTANCE WINAPI RecordShell(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) {
  ++gShellCalls;
  return reinterpret_cast<HINSTANCE>(INT_PTR{42});
}

int gScanDone;
int gTimerTicks;
HHOOK gHook;
HHOOK gTimerHook;
LRESULT CALLBACK CountTimer(int code, WPARAM wParam, LPARAM lParam) {
  const auto* posted = reinterpret_cast<const MSG*>(lParam);
  if (code >= 0 && wParam == PM_REMOVE && posted->message == WM_TIMER &&
      posted->wParam == WORKSHEET_PROGRESS_TIMER) {
    ++gTimerTicks;
  }
  return CallNextHookEx(gTimerHook, code, wParam, lParam);
}
LRESULT CALLBACK CountScanDone(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code >= 0 && sent->message == WM_WORKSHEET_SCAN_DONE) ++gScanDone;
  return CallNextHookEx(gHook, code, wParam, lParam);
}

// Holds every checking worker while set.
std::atomic<bool> gHold{false};
HANDLE gRelease;
void HoldCheck(const tagTreeListItemFull*) {
  if (gHold) WaitForSingleObject(gRelease, 60000);
}

std::u16string ItemText(HWND list, int row, int column) {
  WCHAR text[2048] = {};
  ListView_GetItemTextU(list, row, column, text, 2048);
  return text;
}

std::u16string WindowText(HWND window) {
  WCHAR text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

class WorksheetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(PrepareFrameClasses(WorksheetWndProc));
    unixFolder_ = MakeTempFolder("tl-worksheet-");
    folder_ = DosPath(unixFolder_);
    CopyField(g_documentsFolder, folder_.c_str());
    CopyField(g_settingsFile, (folder_ + u"\\settings.ini").c_str());
    CopyField(g_autosaveFolder, (folder_ + u"\\AutoSave").c_str());
    LoadSettings();
    g_settings.NumThreads = 4;
    g_settings.ThreadsPerServer = 2;
    g_settings.AutosaveWorksheets = 0;
    site_ = new TestSite;
    ASSERT_TRUE(site_->Start());
    gRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_checkLinkHook = HoldCheck;
    gHook = SetWindowsHookExW(WH_CALLWNDPROC, CountScanDone, nullptr, GetCurrentThreadId());
    gTimerHook = SetWindowsHookExW(WH_GETMESSAGE, CountTimer, nullptr, GetCurrentThreadId());
  }
  static void TearDownTestSuite() {
    UnhookWindowsHookEx(gHook);
    UnhookWindowsHookEx(gTimerHook);
    g_checkLinkHook = nullptr;
    delete site_;
    EXPECT_EQ(0, system(("rm -rf '" + unixFolder_ + "'").c_str()));
  }

  void SetUp() override {
    gBoxes.clear();
    gBoxAnswer = IDNO;
    gScanDone = 0;
    finderstruct.AnimatedMessageBox = RecordBox;
    g_systemActions.ShellExecute = RecordShell;
    gShellCalls = 0;
    frame = CreateWindowExW(0, TEST_FRAME_CLASS, u"Tessaline Lite",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 900, 600, nullptr, nullptr,
                            g_instance, nullptr);
    ASSERT_NE(nullptr, frame);
    ShowWindow(frame, SW_SHOWNORMAL);
    PumpMessages(20);
  }
  void TearDown() override {
    gHold = false;
    SetEvent(gRelease);
    for (HWND worksheet : ListWorksheets()) {
      if (tagWORKSHEETDATA* data = WorksheetData(worksheet)) {
        if (data->Running) SendMessageW(worksheet, WM_COMMAND, 1125, 0);
        PumpUntil([&] { return !data->Running; }, 60000);
      }
    }
    if (IsWindow(frame)) DestroyWindow(frame);
    ResetEvent(gRelease);
  }

  HWND NewWorksheet() {
    SendMessageW(frame, WM_COMMAND, 1100, 0);
    return ActiveWorksheet();
  }
  int State(HWND worksheet) { return WorksheetRunState(WorksheetData(worksheet)); }
  std::u16string SiteUrl(const char* path) {
    std::string url = "http://127.0.0.1:" + std::to_string(site_->Port()) + path;
    return std::u16string(url.begin(), url.end());
  }
  // Types the start URL into the site panel's box as the user would after clicking it.
  static HWND UrlBox(HWND worksheet) {
    HWND panel = GetDlgItem(worksheet, WORKSHEET_SITE_PANEL);
    return GetDlgItem(
        reinterpret_cast<SITEFRAMEDATA*>(GetWindowLongPtrW(panel, GWLP_USERDATA))->Panel,
        IDC_SITE_URL);
  }
  void TypeUrl(HWND worksheet, const std::u16string& url) {
    HWND box = UrlBox(worksheet);
    BringToFront(worksheet, box);
    SetWindowTextW(box, url.c_str());
  }
  // A new worksheet scanning the site with its checking workers held.
  HWND StartHeldScan() {
    HWND worksheet = NewWorksheet();
    if (!worksheet) return nullptr;
    TypeUrl(worksheet, SiteUrl("/index.html"));
    gHold = true;
    SendMessageW(frame, WM_COMMAND, 1124, 0);
    return worksheet;
  }
  bool WaitForEnd(HWND worksheet) {
    tagWORKSHEETDATA* data = WorksheetData(worksheet);
    return PumpUntil([&] { return !data->Running; }, 60000);
  }

  static std::string unixFolder_;
  static std::u16string folder_;
  static TestSite* site_;
  HWND frame = nullptr;
};
std::string WorksheetTest::unixFolder_;
std::u16string WorksheetTest::folder_;
TestSite* WorksheetTest::site_;

TEST_F(WorksheetTest, NewScanShowsRowsAndEndsOnce) {
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  EXPECT_EQ(1u, ListWorksheets().size());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES,
            GetFileAttributesW((folder_ + u"\\AutoSave\\noname.fdb.tsn").c_str()));
  EXPECT_EQ(RUN_STOPPED, State(worksheet));

  const std::u16string url = SiteUrl("/index.html");
  TypeUrl(worksheet, url);
  gHold = true;
  SendMessageW(frame, WM_COMMAND, 1124, 0);
  HWND button = GetDlgItem(worksheet, WORKSHEET_START_STOP);
  EXPECT_EQ(std::u16string(strtbl[STR_Site_Stop]), WindowText(button));
  EXPECT_TRUE(SendMessageW(g_toolbar, TB_ISBUTTONENABLED, 1125, 0));
  EXPECT_TRUE(SendMessageW(g_toolbar, TB_ISBUTTONENABLED, 1128, 0));
  EXPECT_FALSE(SendMessageW(g_toolbar, TB_ISBUTTONENABLED, 1124, 0));
  EXPECT_FALSE(IsWindowEnabled(UrlBox(worksheet)));
  gHold = false;
  SetEvent(gRelease);
  ASSERT_TRUE(WaitForEnd(worksheet));
  PumpMessages(50);
  ResetEvent(gRelease);
  EXPECT_EQ(1, gScanDone);
  EXPECT_EQ(std::u16string(strtbl[STR_Site_Start]), WindowText(button));
  EXPECT_TRUE(IsWindowEnabled(UrlBox(worksheet)));
  EXPECT_EQ(RUN_STOPPED, State(worksheet));

  HWND links = GetDlgItem(worksheet, WORKSHEET_LINKS_LIST);
  HWND broken = GetDlgItem(worksheet, WORKSHEET_BROKEN_LIST);
  const int rows = static_cast<int>(SendMessageW(links, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_GT(rows, TestSite::kChainPages);
  bool sawStart = false, sawMissing = false;
  for (int row = 0; row < rows; ++row) {
    const std::u16string link = ItemText(links, row, 0);
    sawStart |= link == url;
    if (link == SiteUrl("/missing.html")) {
      sawMissing = true;
      EXPECT_NE(std::u16string::npos, ItemText(links, row, 1).find(u"404"));
    }
  }
  EXPECT_TRUE(sawStart);
  EXPECT_TRUE(sawMissing);
  const int brokenRows = static_cast<int>(SendMessageW(broken, LVM_GETITEMCOUNT, 0, 0));
  bool brokenMissing = false;
  for (int row = 0; row < brokenRows; ++row) {
    brokenMissing |= ItemText(broken, row, 2) == SiteUrl("/missing.html");
  }
  EXPECT_TRUE(brokenMissing);
  EXPECT_EQ(url, std::u16string(g_settings.Link[0]));

  // Both views, as the toolbar switches them: framed lists over the progress band, or
  // the tabs with one list.
  SendMessageW(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(worksheet), 0);
  SendMessageW(frame, WM_COMMAND, 1132, 0);
  PumpMessages(100);
  RECT client = {};
  GetClientRect(worksheet, &client);
  const RECT linksBox = WindowRectIn(links, worksheet);
  const RECT brokenBox = WindowRectIn(broken, worksheet);
  EXPECT_TRUE(IsWindowVisible(links) && IsWindowVisible(broken));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(worksheet, WORKSHEET_TABS)));
  EXPECT_LE(linksBox.bottom, brokenBox.top);
  EXPECT_EQ(client.bottom - WORKSHEET_PROGRESS_HEIGHT, brokenBox.bottom);
  EXPECT_EQ(1, g_settings.PrefView);
  if (CaptureFolder())
    CaptureWindowPng(frame, std::string(CaptureFolder()) + "/worksheet-frame-view.png");
  SendMessageW(frame, WM_COMMAND, 1133, 0);
  SendMessageW(worksheet, WM_WORKSHEET_NEXT, 1, 0);
  PumpMessages(100);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(worksheet, WORKSHEET_TABS)));
  EXPECT_TRUE(IsWindowVisible(broken));
  EXPECT_FALSE(IsWindowVisible(links));
  EXPECT_EQ(2, WorksheetData(worksheet)->Tab);
  EXPECT_EQ(0, g_settings.PrefView);
  if (CaptureFolder())
    CaptureWindowPng(frame, std::string(CaptureFolder()) + "/worksheet-tab-view.png");
  SendMessageW(worksheet, WM_WORKSHEET_NEXT, 1, 0);
  EXPECT_EQ(0, WorksheetData(worksheet)->Tab);
  MINMAXINFO limits = {};
  SendMessageW(worksheet, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_GT(limits.ptMinTrackSize.x, 60);
  EXPECT_GT(limits.ptMinTrackSize.y, WORKSHEET_BANNER_HEIGHT);

  // The user's close of an unsaved worksheet asks; No keeps it, Yes drops it and its file.
  gBoxAnswer = IDNO;
  SendMessageW(worksheet, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(worksheet));
  ASSERT_EQ(1u, gBoxes.size());
  EXPECT_EQ(strtbl[STR_Msg_CloseWindow], gBoxes[0]);
  const std::u16string file = WorksheetData(worksheet)->DataFile;
  gBoxAnswer = IDYES;
  SendMessageW(worksheet, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(worksheet));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()));
}

TEST_F(WorksheetTest, PauseResumeStopAndCloseWhileRunning) {
  HWND worksheet = StartHeldScan();
  ASSERT_NE(nullptr, worksheet);
  ASSERT_EQ(RUN_RUNNING, State(worksheet));

  // Closing while running is refused.
  SendMessageW(worksheet, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(worksheet));
  ASSERT_EQ(1u, gBoxes.size());
  EXPECT_EQ(strtbl[STR_Msg_CloseProgress], gBoxes[0]);

  SendMessageW(frame, WM_COMMAND, 1128, 0);
  EXPECT_EQ(RUN_PENDING, State(worksheet));
  SetEvent(gRelease);
  ASSERT_TRUE(WaitForEnd(worksheet));
  ResetEvent(gRelease);
  EXPECT_EQ(RUN_PAUSED, State(worksheet));
  EXPECT_EQ(1, gScanDone);

  // Resume: running again, and the progress timer ticks again.
  SendMessageW(frame, WM_COMMAND, 1124, 0);
  EXPECT_EQ(RUN_RUNNING, State(worksheet));
  gTimerTicks = 0;
  EXPECT_TRUE(PumpUntil([] { return gTimerTicks > 0; }, 5000));

  // Stop while running: pending, then one end message.
  SendMessageW(frame, WM_COMMAND, 1125, 0);
  EXPECT_EQ(RUN_PENDING, State(worksheet));
  SetEvent(gRelease);
  ASSERT_TRUE(WaitForEnd(worksheet));
  PumpMessages(50);
  ResetEvent(gRelease);
  EXPECT_EQ(2, gScanDone);
  EXPECT_EQ(RUN_STOPPED, State(worksheet));

  // A stray end message changes nothing.
  SendMessageW(worksheet, WM_WORKSHEET_SCAN_DONE, 0, 0);
  EXPECT_EQ(RUN_STOPPED, State(worksheet));
}

TEST_F(WorksheetTest, StopWhilePausedStopsWithoutEndMessage) {
  HWND worksheet = StartHeldScan();
  ASSERT_NE(nullptr, worksheet);
  SendMessageW(frame, WM_COMMAND, 1128, 0);
  SetEvent(gRelease);
  ASSERT_TRUE(WaitForEnd(worksheet));
  PumpMessages(50);
  ResetEvent(gRelease);
  ASSERT_EQ(RUN_PAUSED, State(worksheet));
  const int ends = gScanDone;
  SendMessageW(frame, WM_COMMAND, 1125, 0);
  PumpMessages(100);
  EXPECT_EQ(RUN_STOPPED, State(worksheet));
  EXPECT_EQ(ends, gScanDone);
}

TEST_F(WorksheetTest, EmptyUrlIsRefusedAndStartsNothing) {
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  TypeUrl(worksheet, u"");
  SendMessageW(frame, WM_COMMAND, 1124, 0);
  EXPECT_EQ(RUN_STOPPED, State(worksheet));
  EXPECT_EQ(1u, gBoxes.size());
  EXPECT_EQ(0, gScanDone);
}

TEST_F(WorksheetTest, ExitWithAutosaveKeepsTheFileUnderTheSiteName) {
  g_settings.AutosaveWorksheets = 1;
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  TypeUrl(worksheet, SiteUrl("/index.html"));
  SendMessageW(frame, WM_COMMAND, 1124, 0);
  ASSERT_TRUE(WaitForEnd(worksheet));
  PumpMessages(50);
  SendMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(worksheet));
  const std::u16string kept = folder_ + u"\\AutoSave\\127.0.0.1.fdb.tsn";
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(kept.c_str()));
  EXPECT_EQ(u"127.0.0.1.fdb.tsn", std::u16string(g_settings.ActiveFileName));
  DeleteFileW(kept.c_str());
  g_settings.AutosaveWorksheets = 0;
}

TEST_F(WorksheetTest, OddTypedUrlsScanAndEnd) {
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  const std::u16string longPath = SiteUrl("/") + std::u16string(255 - SiteUrl("/").size(), u'a');
  const std::u16string urls[] = {longPath, SiteUrl("/\u00e4\u4e2d.html"), u"javascript:alert(1)"};
  for (const std::u16string& url : urls) {
    TypeUrl(worksheet, url);
    SendMessageW(frame, WM_COMMAND, 1124, 0);
    ASSERT_TRUE(WaitForEnd(worksheet));
    PumpMessages(20);
    EXPECT_EQ(RUN_STOPPED, State(worksheet));
    EXPECT_EQ(url, std::u16string(g_settings.Link[0]));
  }
}

// A page of 2,000 links to missing files, scanned while the user pauses, resumes, resizes,
// switches views and asks to close every 50 ms, then stops: the run ends within the
// watchdog, and closing is refused while a run is flagged.
TEST_F(WorksheetTest, BusyUserDuringALongScan) {
  std::string page = "<html><body>";
  for (int i = 0; i < 2000; ++i) page += "<a href=\"m" + std::to_string(i) + ".html\">x</a>\n";
  page += "</body></html>";
  const std::string pagePath = unixFolder_ + "/busy.html";
  FILE* file = fopen(pagePath.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  fwrite(page.data(), 1, page.size(), file);
  fclose(file);
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  TypeUrl(worksheet, u"file://" + folder_ + u"\\busy.html");
  SendMessageW(frame, WM_COMMAND, 1124, 0);
  tagWORKSHEETDATA* data = WorksheetData(worksheet);
  int step = 0;
  const bool ended = PumpUntil(
      [&] {
        if (step >= 60 && !data->Running && State(worksheet) == RUN_STOPPED) return true;
        switch (step++ % 6) {
          case 0:
            SendMessageW(frame, WM_COMMAND, 1128, 0);
            break;
          case 1:
            SendMessageW(frame, WM_COMMAND, 1124, 0);
            break;
          case 2:
            MoveWindow(worksheet, 0, 0, 500 + step % 300, 400 + step % 200, TRUE);
            break;
          case 3:
            SendMessageW(frame, WM_COMMAND, step % 4 ? 1132 : 1133, 0);
            break;
          case 4: {
            const bool flagged = data->Running != 0;
            const size_t boxes = BoxCount();
            SendMessageW(worksheet, WM_CLOSE, 0, 0);
            EXPECT_TRUE(IsWindow(worksheet));
            if (flagged) {
              EXPECT_EQ(strtbl[STR_Msg_CloseProgress], gBoxes[boxes]);
            }
            break;
          }
          case 5:
            if (step > 54) SendMessageW(frame, WM_COMMAND, 1125, 0);
            break;
        }
        PumpMessages(50);
        return false;
      },
      60000);
  EXPECT_TRUE(ended);
  EXPECT_FALSE(data->Running);
}

TEST_F(WorksheetTest, OpenLinkOfAJavascriptRowCallsNoShell) {
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  HWND broken = GetDlgItem(worksheet, WORKSHEET_BROKEN_LIST);
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<WCHAR*>(u"entry");
  ASSERT_EQ(0, SendMessageW(broken, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  ListView_SetItemTextU(broken, 0, 1, const_cast<WCHAR*>(u"javascript:alert(1)"));
  item.stateMask = item.state = LVIS_SELECTED;
  SendMessageW(broken, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
  SendMessageW(worksheet, WM_COMMAND, 2911, 0);
  EXPECT_TRUE(PumpUntil([] { return BoxCount() > 0; }, 10000));
  EXPECT_EQ(0, gShellCalls.load());
}

TEST(WorksheetItemText, ExpansionStaysInItsBufferWithWholePairs) {
  std::u16string text(2047, u'\n');
  text[0] = 8;
  text[1] = 12;
  WCHAR out[2048];
  const int length = ExpandItemText(text.c_str(), out, 2048);
  EXPECT_EQ(2046, length);
  for (int i = 0; i < length; i += 2) {
    ASSERT_EQ(u'\r', out[i]);
    ASSERT_EQ(u'\n', out[i + 1]);
  }
  EXPECT_EQ(3, ExpandItemText(u"a\nb\b", out, 4));
}

}  // namespace
