// The worksheet window as a user drives it: the real frame and worksheets in this
// process, the test's own settings folder, a site on 127.0.0.1; clicks and keys through
// SendInput and the program's own loop step with its accelerators, message boxes
// recorded, the end-of-run messages counted by a hook. Runs alone: it shows windows and
// takes the keyboard.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
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
#include "engine/CheckLinkHook.h"
#include "engine/ControlWrappers.h"
#include "engine/LinkFinder.h"
#include "engine/ResultRows.h"
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
  if (code >= 0 && sent->message == WM_FINDER_DONE) ++gScanDone;
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

// Each row's index by its text in one column.
std::map<std::u16string, int> RowsBy(HWND list, int column) {
  std::map<std::u16string, int> rows;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) rows[ItemText(list, row, column)] = row;
  return rows;
}

LPARAM ItemData(HWND list, int row) {
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item.lParam;
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
    g_accelerators = LoadAcceleratorsW(g_instance, MAKEINTRESOURCEW(1));
    ASSERT_NE(nullptr, g_accelerators);
    unixFolder_ = UseTemporarySettings("tl-worksheet-");
    folder_ = DosPath(unixFolder_);
    g_settings.NumThreads = 4;
    g_settings.ThreadsPerServer = 2;
    g_settings.AutosaveWorksheets = 0;
    site_ = new TestSite;
    ASSERT_TRUE(site_->Start());
    gRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_checkLinkHook = HoldCheck;
    gTimerHook = SetWindowsHookExW(WH_GETMESSAGE, CountTimer, nullptr, GetCurrentThreadId());
  }
  static void TearDownTestSuite() {
    UnhookWindowsHookEx(gTimerHook);
    g_checkLinkHook = nullptr;
    DestroyAcceleratorTable(g_accelerators);
    g_accelerators = nullptr;
    delete site_;
    EXPECT_EQ(0, system(("rm -rf '" + unixFolder_ + "'").c_str()));
  }

  void SetUp() override {
    gBoxes.clear();
    gBoxAnswer = IDNO;
    gScanDone = 0;
    gHook = SetWindowsHookExW(WH_CALLWNDPROC, CountScanDone, nullptr, GetCurrentThreadId());
    finderstruct.AnimatedMessageBox = RecordBox;
    g_systemActions.ShellExecute = RecordShell;
    gShellCalls = 0;
    // Every message the test pumps takes the program's own way through its loop.
    SetPumpFilter([](MSG* message) {
      DispatchProgramMessage(message);
      return true;
    });
    frame = CreateWindowExW(0, TEST_FRAME_CLASS, u"Tessaline Lite",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 900, 600, nullptr, nullptr,
                            g_instance, nullptr);
    ASSERT_NE(nullptr, frame);
    ShowWindow(frame, SW_SHOWNORMAL);
    BringToFront(frame);
  }
  // Every message sent on this thread passes the counting hook through the Wine server, several
  // round trips each: a list filling with thousands of rows sends tens of thousands.
  static void StopCountingEnds() {
    if (gHook) UnhookWindowsHookEx(gHook);
    gHook = nullptr;
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
    DestroyTestFrame(frame);
    StopCountingEnds();
    ResetEvent(gRelease);
    SetPumpFilter(nullptr);
  }

  static void Chord(WORD modifier, WORD vk) {
    KeyDown(modifier);
    PressKey(vk);
    KeyUp(modifier);
  }
  // Ctrl+N.
  HWND NewWorksheet() {
    Chord(VK_CONTROL, 'N');
    return ActiveWorksheet();
  }
  int State(HWND worksheet) { return WorksheetRunState(WorksheetData(worksheet)); }
  std::u16string SiteUrl(const char* path) {
    std::string url = "http://127.0.0.1:" + std::to_string(site_->Port()) + path;
    return std::u16string(url.begin(), url.end());
  }
  static HWND UrlBox(HWND worksheet) {
    HWND panel = GetDlgItem(worksheet, WORKSHEET_SITE_PANEL);
    return GetDlgItem(
        reinterpret_cast<SITEFRAMEDATA*>(GetWindowLongPtrW(panel, GWLP_USERDATA))->Panel,
        IDC_SITE_URL);
  }
  // Clicks into the start URL's box, selects what it holds, deletes it and types url.
  static void TypeUrl(HWND worksheet, const std::u16string& url) {
    HWND edit = GetWindow(UrlBox(worksheet), GW_CHILD);
    RECT box = {};
    GetClientRect(edit, &box);
    MouseMoveTo(edit, box.right / 2, box.bottom / 2);
    MouseButton(true);
    MouseButton(false);
    EXPECT_EQ(edit, GetFocus()) << "the click reached the box";
    PressKey(VK_END);
    Chord(VK_SHIFT, VK_HOME);
    PressKey(VK_DELETE);
    TypeText(url.c_str());
  }
  // A new worksheet scanning the site with its checking workers held, started by F5.
  HWND StartHeldScan() {
    HWND worksheet = NewWorksheet();
    if (!worksheet) return nullptr;
    TypeUrl(worksheet, SiteUrl("/index.html"));
    gHold = true;
    PressKey(VK_F5);
    return worksheet;
  }
  // Lets the held workers finish and waits for the run's end message.
  bool ReleaseAndWait(HWND worksheet) {
    gHold = false;
    SetEvent(gRelease);
    const bool ended = WaitForEnd(worksheet);
    PumpMessages(50);
    ResetEvent(gRelease);
    return ended;
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

// The children's rectangles against the layout's rules, in the worksheet's current view.
using Edges = std::array<LONG, 4>;
Edges EdgesIn(HWND worksheet, HWND child) {
  const RECT r = WindowRectIn(child, worksheet);
  return {r.left, r.top, r.right, r.bottom};
}

void ExpectLayout(HWND worksheet, const char* where) {
  SCOPED_TRACE(where);
  const tagWORKSHEETDATA* data = WorksheetData(worksheet);
  RECT client = {};
  GetClientRect(worksheet, &client);
  const int width = client.right, height = client.bottom;
  const Edges banner = EdgesIn(worksheet, GetDlgItem(worksheet, WORKSHEET_BANNER));
  const int panel = banner[2];
  EXPECT_EQ((Edges{0, 0, panel, WORKSHEET_BANNER_HEIGHT}), banner);
  const int chr = WorksheetCharHeight(worksheet, data->Font);
  const int button = chr + 2 * GetSystemMetrics(SM_CYFRAME);
  const int description = 4 * chr + 2 * GetSystemMetrics(SM_CYFRAME);
  EXPECT_EQ((Edges{0, height - button, panel, height}),
            EdgesIn(worksheet, GetDlgItem(worksheet, WORKSHEET_START_STOP)));
  EXPECT_EQ((Edges{0, height - button - description, panel, height - button}),
            EdgesIn(worksheet, GetDlgItem(worksheet, WORKSHEET_DESCRIPTION)));
  EXPECT_EQ((Edges{0, WORKSHEET_BANNER_HEIGHT, panel, height - button - description}),
            EdgesIn(worksheet, GetDlgItem(worksheet, WORKSHEET_SITE_PANEL)));
  HWND links = GetDlgItem(worksheet, WORKSHEET_LINKS_LIST);
  HWND broken = GetDlgItem(worksheet, WORKSHEET_BROKEN_LIST);
  HWND tabs = GetDlgItem(worksheet, WORKSHEET_TABS);
  const int bottom = height - WORKSHEET_PROGRESS_HEIGHT;
  if (data->View == 1) {
    const int q = bottom / 10;
    EXPECT_TRUE(IsWindowVisible(links) && IsWindowVisible(broken) && !IsWindowVisible(tabs));
    EXPECT_EQ((Edges{panel + 5, chr + 5, width - 5, 5 * q}), EdgesIn(worksheet, links));
    EXPECT_EQ((Edges{panel + 5, chr + 5 * q + 5, width - 5, bottom}), EdgesIn(worksheet, broken));
  } else {
    RECT item = {};
    SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    HWND shown = data->Tab == 2 ? broken : links;
    EXPECT_TRUE(IsWindowVisible(tabs) && IsWindowVisible(shown));
    EXPECT_FALSE(IsWindowVisible(shown == links ? broken : links));
    EXPECT_EQ((Edges{panel + 5, 5, width - 5, bottom}), EdgesIn(worksheet, tabs));
    EXPECT_EQ((Edges{panel + 10, item.bottom + 10, width - 10, height - 70}),
              EdgesIn(worksheet, shown));
  }
  MINMAXINFO limits = {};
  SendMessageW(worksheet, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(panel + 2 * GetSystemMetrics(SM_CXFRAME) + 60, limits.ptMinTrackSize.x);
  EXPECT_EQ(WORKSHEET_BANNER_HEIGHT + GetSystemMetrics(SM_CYCAPTION) + button +
                2 * GetSystemMetrics(SM_CYFRAME) + description,
            limits.ptMinTrackSize.y);
}

void Capture(HWND window, const char* name) {
  if (CaptureFolder()) {
    EXPECT_TRUE(CaptureWindowPng(window, std::string(CaptureFolder()) + "/" + name)) << name;
  }
}

TEST_F(WorksheetTest, UserScansASiteWithKeysAndClicks) {
  HWND worksheet = StartHeldScan();
  ASSERT_NE(nullptr, worksheet);
  EXPECT_EQ(1u, ListWorksheets().size());
  EXPECT_EQ(folder_ + u"\\AutoSave\\noname.fdb.tsn", WorksheetData(worksheet)->DataFile);
  const std::u16string url = SiteUrl("/index.html");
  EXPECT_EQ(std::u16string(strtbl[STR_Msg_MainTitle]) + u" " + url, WindowText(worksheet));
  HWND button = GetDlgItem(worksheet, WORKSHEET_START_STOP);
  EXPECT_EQ(std::u16string(strtbl[STR_Site_Stop]), WindowText(button));
  EXPECT_TRUE(SendMessageW(g_toolbar, TB_ISBUTTONENABLED, 1125, 0));
  EXPECT_TRUE(SendMessageW(g_toolbar, TB_ISBUTTONENABLED, 1128, 0));
  EXPECT_FALSE(SendMessageW(g_toolbar, TB_ISBUTTONENABLED, 1124, 0));
  EXPECT_FALSE(IsWindowEnabled(UrlBox(worksheet)));
  ASSERT_TRUE(ReleaseAndWait(worksheet));
  EXPECT_EQ(1, gScanDone);
  EXPECT_EQ(std::u16string(strtbl[STR_Site_Start]), WindowText(button));
  EXPECT_TRUE(IsWindowEnabled(UrlBox(worksheet)));
  EXPECT_EQ(RUN_STOPPED, State(worksheet));

  // The rows of a page, a missing page and one robots.txt forbids: their status texts and
  // the status bits of their item data.
  HWND links = GetDlgItem(worksheet, WORKSHEET_LINKS_LIST);
  const std::map<std::u16string, int> rows = RowsBy(links, 0);
  EXPECT_GT(rows.size(), size_t{TestSite::kChainPages});
  struct Row {
    const char* path;
    int column;
    const char16_t* text;
    LPARAM bits;
  } const expected[] = {{"/index.html", 1, u"OK", 0},
                        {"/p/01.html", 1, u"OK", 0},
                        {"/missing.html", 1, u"404", 1},
                        {"/private/secret.html", 2, u"Disallowed in robots.txt", 2}};
  for (const Row& row : expected) {
    SCOPED_TRACE(row.path);
    auto found = rows.find(SiteUrl(row.path));
    ASSERT_NE(rows.end(), found);
    EXPECT_NE(std::u16string::npos, ItemText(links, found->second, row.column).find(row.text));
    EXPECT_EQ(row.bits, ItemData(links, found->second) >> 16);
  }
  HWND broken = GetDlgItem(worksheet, WORKSHEET_BROKEN_LIST);
  const std::map<std::u16string, int> brokenRows = RowsBy(broken, 2);
  const auto missing = brokenRows.find(SiteUrl("/missing.html"));
  ASSERT_NE(brokenRows.end(), missing);
  const std::u16string description = ItemText(broken, missing->second, 0);
  EXPECT_NE(std::u16string::npos, description.find(SiteUrl("/missing.html")));
  EXPECT_NE(std::u16string::npos, description.find(u"404"));

  // The typed URL tops the recent list, the settings and their file.
  EXPECT_EQ(url, std::u16string(g_settings.Link[0]));
  WCHAR stored[256] = {};
  GetPrivateProfileStringW(u"SiteDefault", u"Link1", u"", stored, 256, g_settingsFile);
  EXPECT_EQ(url, std::u16string(stored));
  WCHAR first[256] = {};
  SendMessageW(UrlBox(worksheet), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
  EXPECT_EQ(url, std::u16string(first));

  // F8 and F9 switch the views, Ctrl+Tab the tabs; maximised and restored.
  for (bool maximised : {true, false}) {
    if (maximised) {
      SendMessageW(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(worksheet), 0);
    } else {
      SendMessageW(g_mdiClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(worksheet), 0);
      MoveWindow(worksheet, 10, 10, 640, 420, TRUE);
    }
    PressKey(VK_F8);
    EXPECT_EQ(1, g_settings.PrefView);
    ExpectLayout(worksheet, maximised ? "frame view, maximised" : "frame view, restored");
    if (maximised) Capture(frame, "worksheet-frame-view.png");
    PressKey(VK_F9);
    Chord(VK_CONTROL, VK_TAB);
    EXPECT_EQ(0, g_settings.PrefView);
    EXPECT_EQ(2, WorksheetData(worksheet)->Tab);
    ExpectLayout(worksheet, maximised ? "tab view, maximised" : "tab view, restored");
    if (maximised) Capture(frame, "worksheet-tab-view.png");
    Chord(VK_CONTROL, VK_TAB);
    EXPECT_EQ(0, WorksheetData(worksheet)->Tab);
  }

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

// F6, F5 and F7 in each state, with the workers held so every state lasts.
TEST_F(WorksheetTest, PauseResumeAndStopByKeys) {
  HWND worksheet = StartHeldScan();
  ASSERT_NE(nullptr, worksheet);
  ASSERT_EQ(RUN_RUNNING, State(worksheet));

  SendMessageW(worksheet, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(worksheet)) << "closing while running is refused";
  ASSERT_EQ(1u, gBoxes.size());
  EXPECT_EQ(strtbl[STR_Msg_CloseProgress], gBoxes[0]);

  PressKey(VK_F6);
  EXPECT_EQ(RUN_PENDING, State(worksheet));
  ASSERT_TRUE(ReleaseAndWait(worksheet));
  EXPECT_EQ(RUN_PAUSED, State(worksheet));
  EXPECT_EQ(1, gScanDone);

  gHold = true;
  PressKey(VK_F5);
  EXPECT_EQ(RUN_RUNNING, State(worksheet));
  gTimerTicks = 0;
  EXPECT_TRUE(PumpUntil([] { return gTimerTicks > 0; }, 5000)) << "resumed, the timer ticks";

  PressKey(VK_F7);
  EXPECT_EQ(RUN_PENDING, State(worksheet));
  ASSERT_TRUE(ReleaseAndWait(worksheet));
  EXPECT_EQ(2, gScanDone);
  EXPECT_EQ(RUN_STOPPED, State(worksheet));

  // A new scan starts with emptied lists: each link of the run is listed once.
  HWND links = GetDlgItem(worksheet, WORKSHEET_LINKS_LIST);
  ASSERT_GT(SendMessageW(links, LVM_GETITEMCOUNT, 0, 0), 0);
  gHold = true;
  PressKey(VK_F5);
  ASSERT_TRUE(PumpUntil([&] { return SendMessageW(links, LVM_GETITEMCOUNT, 0, 0) > 0; }, 5000));
  EXPECT_EQ(static_cast<size_t>(SendMessageW(links, LVM_GETITEMCOUNT, 0, 0)),
            RowsBy(links, 0).size());
  PressKey(VK_F6);
  ASSERT_TRUE(ReleaseAndWait(worksheet));
  ASSERT_EQ(RUN_PAUSED, State(worksheet));
  EXPECT_EQ(3, gScanDone);
  PressKey(VK_F7);
  PumpMessages(100);
  EXPECT_EQ(RUN_STOPPED, State(worksheet));
  EXPECT_EQ(3, gScanDone) << "a paused run stops without an end message";

  SendMessageW(worksheet, WM_FINDER_DONE, 0, 0);
  EXPECT_EQ(RUN_STOPPED, State(worksheet)) << "a stray end message changes nothing";

  const std::u16string file = WorksheetData(worksheet)->DataFile;
  SendMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(worksheet));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()))
      << "without autosave the exit deletes the file";
}

// Page and Position are columns of the links list, at their saved widths, exactly while every
// processed link is shown, whatever columns the list had before the start.
TEST_F(WorksheetTest, PageAndPositionColumnsFollowTheSettingAtEachStart) {
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  TypeUrl(worksheet, SiteUrl("/index.html"));
  HWND links = GetDlgItem(worksheet, WORKSHEET_LINKS_LIST);
  HWND header = reinterpret_cast<HWND>(SendMessageW(links, LVM_GETHEADER, 0, 0));
  auto caption = [&](int column) {
    WCHAR text[64] = {};
    LVCOLUMNW info = {};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = 64;
    SendMessageW(links, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
    return std::u16string(text);
  };
  int width = 70;
  for (int shown : {1, 1, 0, 0, 1}) {
    SCOPED_TRACE(shown);
    g_settings.DisplayAllLinks = shown;
    if (SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) > LINKCOL_PAGE)
      SendMessageW(links, LVM_SETCOLUMNWIDTH, LINKCOL_PAGE, ++width);
    gHold = true;
    PressKey(VK_F5);
    ASSERT_EQ(RUN_RUNNING, State(worksheet));
    ASSERT_EQ(shown ? 15 : 13, SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    if (shown) {
      EXPECT_EQ(std::u16string(strtbl[STR_Column_Page]), caption(LINKCOL_PAGE));
      EXPECT_EQ(std::u16string(strtbl[STR_Column_Position]), caption(LINKCOL_POSITION));
      EXPECT_EQ(width, SendMessageW(links, LVM_GETCOLUMNWIDTH, LINKCOL_PAGE, 0));
    }
    PressKey(VK_F7);
    ASSERT_TRUE(ReleaseAndWait(worksheet));
  }
  g_settings.DisplayAllLinks = 0;
}

// An empty URL is refused with the focus back in its box; script, non-ASCII and long URLs
// scan and end. At exit with autosave the file is kept under the last site's name.
TEST_F(WorksheetTest, TypedUrlsThenExitWithAutosave) {
  g_settings.AutosaveWorksheets = 1;
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  TypeUrl(worksheet, u"");
  PressKey(VK_F5);
  EXPECT_EQ(RUN_STOPPED, State(worksheet));
  EXPECT_EQ(1u, gBoxes.size());
  EXPECT_EQ(GetWindow(UrlBox(worksheet), GW_CHILD), GetFocus());
  EXPECT_EQ(0, gScanDone);

  const std::u16string root = SiteUrl("/");
  const std::u16string urls[] = {u"javascript:alert(1)", SiteUrl("/\u00e4\u4e2d.html"),
                                 root + std::u16string(255 - root.size(), u'a')};
  for (const std::u16string& url : urls) {
    TypeUrl(worksheet, url);
    PressKey(VK_F5);
    ASSERT_TRUE(WaitForEnd(worksheet));
    PumpMessages(20);
    EXPECT_EQ(RUN_STOPPED, State(worksheet));
    EXPECT_EQ(url, std::u16string(g_settings.Link[0]));
  }

  SendMessageW(frame, WM_CLOSE, 0, 0);
  g_settings.AutosaveWorksheets = 0;
  EXPECT_FALSE(IsWindow(worksheet));
  const std::u16string kept = folder_ + u"\\AutoSave\\127.0.0.1.fdb.tsn";
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(kept.c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
            GetFileAttributesW((folder_ + u"\\AutoSave\\noname.fdb.tsn").c_str()));
  EXPECT_EQ(u"127.0.0.1.fdb.tsn", std::u16string(g_settings.ActiveFileName));
  DeleteFileW(kept.c_str());
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
  StopCountingEnds();
  HWND worksheet = NewWorksheet();
  ASSERT_NE(nullptr, worksheet);
  TypeUrl(worksheet, u"file://" + folder_ + u"\\busy.html");
  PressKey(VK_F5);
  tagWORKSHEETDATA* data = WorksheetData(worksheet);
  for (int step = 0; step < 60; ++step) {
    switch (step % 5) {
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
    }
    PumpMessages(50);
  }
  // A scan stops in its own time: the user waits for it rather than starting it again.
  SendMessageW(frame, WM_COMMAND, 1125, 0);
  const bool ended =
      PumpUntil([&] { return !data->Running && State(worksheet) == RUN_STOPPED; }, 60000);
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
