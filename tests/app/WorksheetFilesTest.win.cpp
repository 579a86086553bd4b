// A worksheet's files as a user meets them: the real frame and worksheets in this process,
// the test's own settings folder, a site on 127.0.0.1, the real file dialog where the path
// matters. Runs alone: it shows windows.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Frame.h"
#include "app/Locator.h"
#include "app/Settings.h"
#include "app/SettingsRecord.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/SystemActions.h"
#include "app/Worksheet.h"
#include "engine/LinkFinder.h"
#include "engine/TextCopy.h"
#include "engine/UnixPath.h"
#include "scandb/RowFill.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/engine/TestSite.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"

namespace {

std::vector<const char16_t*> gBoxes;
int RecordBox(HWND, const char16_t* format, const char16_t*, UINT, ...) {
  gBoxes.push_back(format);
  return IDNO;
}

std::vector<std::u16string> gOpened;
HINSTANCE WINAPI RecordOpen(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
  gOpened.push_back(file);
  return reinterpret_cast<HINSTANCE>(INT_PTR{42});
}

// The save dialog answered without showing it: the next path, counted.
std::u16string gDialogPath;
int gDialogs;
BOOL WINAPI AnswerSave(OPENFILENAMEW* dialog) {
  ++gDialogs;
  if (gDialogPath.empty()) return FALSE;
  CopyText(dialog->lpstrFile, static_cast<int>(dialog->nMaxFile), gDialogPath.c_str());
  return TRUE;
}

// The paths of WM_USER+300 in the order the worksheets got them.
HHOOK gOpenHook;
std::vector<std::u16string> gOpens;
LRESULT CALLBACK RecordOpens(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code >= 0 && sent->message == WM_WORKSHEET_OPEN) {
    gOpens.push_back(reinterpret_cast<const WCHAR*>(sent->lParam));
  }
  return CallNextHookEx(gOpenHook, code, wParam, lParam);
}

// Records the opened paths while it lives. A thread hook sees every message sent on this
// thread, each at three Wine server round trips: loading thousands of rows with one set costs
// minutes, so only the case that reads the paths sets it.
struct OpenRecorder {
  OpenRecorder() {
    gOpenHook = SetWindowsHookExW(WH_CALLWNDPROC, RecordOpens, nullptr, GetCurrentThreadId());
  }
  ~OpenRecorder() { UnhookWindowsHookEx(gOpenHook); }
  OpenRecorder(const OpenRecorder&) = delete;
  OpenRecorder& operator=(const OpenRecorder&) = delete;
};

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::u16string Caption(HWND window) {
  WCHAR text[2400] = {};
  GetWindowTextW(window, text, 2400);
  return text;
}

int Rows(HWND worksheet, int list) {
  return static_cast<int>(SendMessageW(GetDlgItem(worksheet, list), LVM_GETITEMCOUNT, 0, 0));
}

std::string Utf8(const std::u16string& text) {
  char out[4096];
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out, nullptr, nullptr);
  return out;
}

// The table rows of a report that Python's HTML parser finds, heading rows left out.
int ReportRows(const std::u16string& dosPath) {
  const std::string script =
      "import html.parser,sys\n"
      "class P(html.parser.HTMLParser):\n"
      "  rows=0;row=False;strong=False\n"
      "  def handle_starttag(s,t,a):\n"
      "    if t=='tr': s.row=True;s.strong=False\n"
      "    if t=='strong' and s.row: s.strong=True\n"
      "  def handle_endtag(s,t):\n"
      "    if t=='tr' and s.row and not s.strong: s.rows+=1\n"
      "    if t=='tr': s.row=False\n"
      "p=P();p.feed(open(sys.argv[1],encoding='utf-8').read());print(p.rows)\n";
  const std::string command = "/usr/bin/python3 -c \"$TL_SCRIPT\" '" + UnixPath(dosPath) + "'";
  setenv("TL_SCRIPT", script.c_str(), 1);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  int rows = -1;
  if (fscanf(pipe, "%d", &rows) != 1) rows = -1;
  pclose(pipe);
  return rows;
}

class WorksheetFilesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(PrepareFrameClasses(WorksheetWndProc));
    unixFolder_ = MakeTempFolder("tl-worksheet-files-");
    folder_ = DosPath(unixFolder_);
    CopyField(g_documentsFolder, folder_.c_str());
    CopyField(g_settingsFile, (folder_ + u"\\settings.ini").c_str());
    CopyField(g_autosaveFolder, (folder_ + u"\\AutoSave").c_str());
    LoadSettings();
    g_settings.NumThreads = 4;
    g_settings.ThreadsPerServer = 2;
    site_ = new TestSite;
    ASSERT_TRUE(site_->Start());
  }
  static void TearDownTestSuite() {
    delete site_;
    EXPECT_EQ(0, system(("rm -rf '" + unixFolder_ + "'").c_str()));
  }

  void SetUp() override {
    EXPECT_EQ(0, system(("rm -rf '" + unixFolder_ + "/AutoSave'").c_str()));
    CreateDirectoryW(g_autosaveFolder, nullptr);
    g_settings.AutosaveWorksheets = 1;
    g_settings.DisplayAllLinks = 0;
    g_settings.ActiveFileName[0] = 0;
    gBoxes.clear();
    gOpened.clear();
    gOpens.clear();
    gDialogs = 0;
    gDialogPath.clear();
    finderstruct.AnimatedMessageBox = RecordBox;
    g_openReportFile = RecordOpen;
    g_systemActions.GetSaveFileName = AnswerSave;
    g_systemActions.GetOpenFileName = GetOpenFileNameW;
    frame = CreateWindowExW(0, TEST_FRAME_CLASS, u"Tessaline Lite",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 900, 600, nullptr, nullptr,
                            g_instance, nullptr);
    ASSERT_NE(nullptr, frame);
    ShowWindow(frame, SW_SHOWNORMAL);
    PumpMessages(20);
  }
  void TearDown() override { DestroyTestFrame(frame); }

  std::u16string Autosave(const char16_t* name) { return folder_ + u"\\AutoSave\\" + name; }
  std::u16string SiteUrl() {
    const std::string url = "http://127.0.0.1:" + std::to_string(site_->Port()) + "/index.html";
    return std::u16string(url.begin(), url.end());
  }
  // A new worksheet that has scanned the site to its end.
  HWND ScannedWorksheet() {
    SendMessageW(frame, WM_COMMAND, 1100, 0);
    HWND worksheet = ActiveWorksheet();
    if (!worksheet) return nullptr;
    HWND panel = GetDlgItem(worksheet, WORKSHEET_SITE_PANEL);
    HWND box =
        GetDlgItem(reinterpret_cast<SITEFRAMEDATA*>(GetWindowLongPtrW(panel, GWLP_USERDATA))->Panel,
                   IDC_SITE_URL);
    SetWindowTextW(box, SiteUrl().c_str());
    SendMessageW(worksheet, WM_COMMAND, 1124, 0);
    tagWORKSHEETDATA* data = WorksheetData(worksheet);
    if (!PumpUntil([&] { return !data->Running; }, 120000)) return nullptr;
    return worksheet;
  }
  // Save As answered with path, without the dialog.
  void SaveAs(HWND worksheet, const std::u16string& path) {
    gDialogPath = path;
    SendMessageW(worksheet, WM_COMMAND, 1103, 0);
    gDialogPath.clear();
  }
  // A worksheet database made by the engine alone, its tab stored as tab.
  void MakeDatabase(const std::u16string& path, int tab) {
    CLinkFinder finder(OLDFORMAT_NONE, nullptr, path.c_str(), &g_settings, nullptr, nullptr,
                       nullptr, nullptr, nullptr, 0, CONSOLE_NONE, nullptr);
    ASSERT_TRUE(finder.Initialized());
    tagWINDOWSETTINGS window = *finder.GetWindowSettings();
    window.View2 = tab;
    window.WindowCX = 500;
    window.WindowCY = 400;
    finder.SetWindowSettings(&window);
    finder.SetSettings(SiteUrl().c_str(), finder.GetSettings(), 0);
  }

  static std::string unixFolder_;
  static std::u16string folder_;
  static TestSite* site_;
  HWND frame = nullptr;
};
std::string WorksheetFilesTest::unixFolder_;
std::u16string WorksheetFilesTest::folder_;
TestSite* WorksheetFilesTest::site_;

TEST_F(WorksheetFilesTest, SaveCloseOpenAndExportAlongTheUsersPath) {
  // Every processed link is listed, as the link report counts them.
  g_settings.DisplayAllLinks = 1;
  HWND worksheet = ScannedWorksheet();
  ASSERT_NE(nullptr, worksheet);
  const int links = Rows(worksheet, WORKSHEET_LINKS_LIST);
  const int broken = Rows(worksheet, WORKSHEET_BROKEN_LIST);
  ASSERT_GT(links, 20);
  ASSERT_GT(broken, 0);
  const std::u16string autosaved = WorksheetData(worksheet)->DataFile;
  EXPECT_EQ(Autosave(u"noname.fdb.tsn"), autosaved);

  // Save As through the real dialog, into a Cyrillic folder.
  const std::u16string folder = folder_ + u"\\\u041f\u0430\u043f\u043a\u0430";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::u16string saved = folder + u"\\\u0441\u0430\u0439\u0442.tsn";
  g_systemActions.GetSaveFileName = GetSaveFileNameW;
  HANDLE answer = AnswerFileDialog(saved.c_str());
  SendMessageW(frame, WM_COMMAND, 1103, 0);
  WaitForSingleObject(answer, INFINITE);
  CloseHandle(answer);
  g_systemActions.GetSaveFileName = AnswerSave;
  EXPECT_TRUE(gBoxes.empty());
  EXPECT_EQ(u"Links " + SiteUrl() + u" - " + saved, Caption(worksheet));
  EXPECT_TRUE(Exists(saved));
  EXPECT_FALSE(Exists(autosaved));
  const std::u16string locator = WorksheetData(worksheet)->DataFile;
  EXPECT_EQ(Autosave(u"127.0.0.1.tsn.loc"), locator);
  EXPECT_EQ(EncodeLocator(saved.c_str()), ReadFileBytes(locator));

  // Save again asks nothing; the user's close asks nothing and drops the locator.
  SendMessageW(frame, WM_COMMAND, 1102, 0);
  EXPECT_EQ(0, gDialogs);
  SendMessageW(worksheet, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(worksheet));
  EXPECT_TRUE(gBoxes.empty());
  EXPECT_FALSE(Exists(locator));
  EXPECT_TRUE(Exists(saved));

  // Open through the real dialog: the same rows, address and caption.
  answer = AnswerFileDialog(saved.c_str());
  SendMessageW(frame, WM_COMMAND, 1101, 0);
  WaitForSingleObject(answer, INFINITE);
  CloseHandle(answer);
  ASSERT_EQ(1u, ListWorksheets().size());
  worksheet = ListWorksheets()[0];
  EXPECT_EQ(links, Rows(worksheet, WORKSHEET_LINKS_LIST));
  EXPECT_EQ(broken, Rows(worksheet, WORKSHEET_BROKEN_LIST));
  EXPECT_EQ(u"Links " + SiteUrl() + u" - " + saved, Caption(worksheet));
  EXPECT_EQ(Autosave(u"127.0.0.1.tsn.loc"), std::u16string(WorksheetData(worksheet)->DataFile));
  PumpMessages(100);
  if (CaptureFolder())
    CaptureWindowPng(frame, std::string(CaptureFolder()) + "/worksheet-opened.png");

  // Again: the file is this worksheet's, so a second one opens nothing and deletes nothing.
  answer = AnswerFileDialog(saved.c_str());
  SendMessageW(frame, WM_COMMAND, 1101, 0);
  WaitForSingleObject(answer, INFINITE);
  CloseHandle(answer);
  EXPECT_EQ(1u, ListWorksheets().size());
  EXPECT_EQ(ERROR_SHARING_VIOLATION, (DeleteFileW(saved.c_str()), GetLastError()));
  EXPECT_TRUE(Exists(saved));

  // Both exports: one report row per list row, each report opened afterwards.
  const std::u16string linksReport = folder + u"\\links.html";
  const std::u16string brokenReport = folder + u"\\broken.html";
  gDialogPath = linksReport;
  SendMessageW(frame, WM_COMMAND, 1119, 0);
  gDialogPath = brokenReport;
  SendMessageW(frame, WM_COMMAND, 1122, 0);
  EXPECT_EQ((std::vector<std::u16string>{linksReport, brokenReport}), gOpened);
  EXPECT_EQ(links, ReportRows(linksReport));
  EXPECT_EQ(broken, ReportRows(brokenReport));
  g_settings.DisplayAllLinks = 0;
}

TEST_F(WorksheetFilesTest, ReopensThePreparedFolderInThreePasses) {
  const std::u16string user = folder_ + u"\\user.tsn";
  MakeDatabase(Autosave(u"a.fdb.tsn"), 2);
  MakeDatabase(Autosave(u"b.fdb.tsn"), 0);
  MakeDatabase(user, 0);
  WriteFileBytes(Autosave(u"good.tsn.loc"), EncodeLocator(user.c_str()));
  const struct {
    const char16_t* name;
    std::string bytes;
  } bad[] = {
      {u"nomark.tsn.loc", EncodeLocator(user.c_str()).substr(2)},
      {u"inside.tsn.loc", EncodeLocator(Autosave(u"b.fdb.tsn").c_str())},
      {u"missing.tsn.loc", EncodeLocator((folder_ + u"\\gone.tsn").c_str())},
      {u"nofolder.tsn.loc", EncodeLocator(u"user.tsn")},
      {u"folder.tsn.loc", EncodeLocator(folder_.c_str())},
      {u"long.tsn.loc", EncodeLocator(std::u16string(5000, u'x').c_str())},
      {u"odd.tsn.loc", EncodeLocator(user.c_str()).substr(0, 5)},
  };
  for (const auto& locator : bad) WriteFileBytes(Autosave(locator.name), locator.bytes);
  const std::string text = "plain text, no database";
  WriteFileBytes(Autosave(u"text.fdb.tsn"), text);
  WriteFileBytes(Autosave(u"old.site"), "old");
  WriteFileBytes(Autosave(u"old.data"), "old");
  CreateDirectoryW(Autosave(u"dir.fdb.tsn").c_str(), nullptr);
  CopyField(g_settings.ActiveFileName, u"A.FDB.TSN");

  {
    const OpenRecorder recording;
    ReopenAutosavedWorksheets();
    PumpMessages(100);
  }

  // Databases first, then locators, then the old format through its ".data" file; the
  // active file last.
  ASSERT_FALSE(gOpens.empty());
  std::vector<int> kinds;
  for (size_t i = 0; i + 1 < gOpens.size(); ++i) {
    const std::u16string& path = gOpens[i];
    kinds.push_back(path.find(u".fdb.tsn") != std::u16string::npos   ? 0
                    : path.find(u".tsn.loc") != std::u16string::npos ? 1
                                                                     : 2);
  }
  EXPECT_TRUE(std::is_sorted(kinds.begin(), kinds.end()));
  EXPECT_EQ(Autosave(u"a.fdb.tsn"), gOpens.back());
  EXPECT_NE(gOpens.end(), std::find(gOpens.begin(), gOpens.end(), Autosave(u"old.data")));
  EXPECT_EQ(3u, ListWorksheets().size());
  HWND active = ActiveWorksheet();
  ASSERT_NE(nullptr, active);
  EXPECT_EQ(Autosave(u"a.fdb.tsn"), std::u16string(WorksheetData(active)->DataFile));
  EXPECT_EQ(2, WorksheetData(active)->Tab);
  EXPECT_EQ(1, SendMessageW(GetDlgItem(active, WORKSHEET_TABS), TCM_GETCURSEL, 0, 0));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(active, WORKSHEET_BROKEN_LIST)));
  EXPECT_EQ(u"Links " + SiteUrl(), Caption(active));
  EXPECT_EQ(g_worksheetMenu, GetMenu(frame)) << "a failed open leaves the active one's menu";
  bool sawLocator = false;
  for (HWND worksheet : ListWorksheets()) {
    if (WorksheetData(worksheet)->UserFile == user) {
      sawLocator = true;
      EXPECT_EQ(u"Links " + SiteUrl() + u" - " + user, Caption(worksheet));
    }
  }
  EXPECT_TRUE(sawLocator);
  if (CaptureFolder())
    CaptureWindowPng(frame, std::string(CaptureFolder()) + "/worksheet-reopened.png");

  // Bad locators went; nothing else was made or lost.
  std::vector<std::u16string> names = FolderNames(g_autosaveFolder);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(
      (std::vector<std::u16string>{u"a.fdb.tsn", u"b.fdb.tsn", u"dir.fdb.tsn", u"good.tsn.loc",
                                   u"old.data", u"old.site", u"text.fdb.tsn"}),
      names);
  EXPECT_EQ(text, ReadFileBytes(Autosave(u"text.fdb.tsn")));
  EXPECT_EQ("old", ReadFileBytes(Autosave(u"old.site")));
  EXPECT_EQ("old", ReadFileBytes(Autosave(u"old.data")));
  EXPECT_TRUE(Exists(Autosave(u"dir.fdb.tsn")));
  EXPECT_TRUE(Exists(user));
  EXPECT_TRUE(gBoxes.empty());
}

TEST_F(WorksheetFilesTest, OpenRefusesWhatIsNoFreeWorksheet) {
  MakeDatabase(folder_ + u"\\held.tsn", 0);
  HANDLE held = CreateFileW((folder_ + u"\\held.tsn").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  const std::u16string bad = folder_ + u"\\bad";
  CreateDirectoryW(bad.c_str(), nullptr);
  const struct {
    std::u16string path;
    const char* bytes;  // written first unless null
    bool opens;         // an empty file holds nothing to lose: it becomes a new worksheet
    int why;            // the slot of the message that says why it did not open
  } cases[] = {
      {bad + u"\\empty.tsn", "", true, -1},
      {bad + u"\\two.tsn", "ab", false, STR_Msg_NotWorksheet},
      {bad + u"\\magic.tsn", "TSN old project", false, STR_Msg_NotWorksheet},
      {bad + u"\\text.tsn", "just some text\r\n", false, STR_Msg_NotWorksheet},
      {folder_ + u"\\held.tsn", nullptr, false, STR_Msg_AlreadyOpen},
      {folder_ + u"\\gone.tsn", nullptr, false, STR_Msg_NotWorksheet},
      {bad, nullptr, false, STR_Msg_NotWorksheet},
  };
  for (const auto& c : cases) {
    if (c.bytes) WriteFileBytes(c.path, c.bytes);
    const std::string before = ReadFileBytes(c.path);
    gBoxes.clear();
    if (HWND worksheet = CreateWorksheet()) {
      SendMessageW(worksheet, WM_WORKSHEET_OPEN, 0, reinterpret_cast<LPARAM>(c.path.c_str()));
    }
    PumpMessages(20);
    EXPECT_EQ(c.opens ? 1u : 0u, ListWorksheets().size()) << Utf8(c.path);
    if (!c.opens) {
      EXPECT_EQ(before, ReadFileBytes(c.path)) << Utf8(c.path);
      ASSERT_EQ(1u, gBoxes.size()) << Utf8(c.path);
      EXPECT_EQ(strtbl[c.why], gBoxes[0]) << Utf8(c.path);
    } else {
      EXPECT_TRUE(gBoxes.empty()) << Utf8(c.path);
    }
    for (HWND worksheet : ListWorksheets()) {
      SendMessageW(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(worksheet), 0);
    }
  }
  CloseHandle(held);
  EXPECT_EQ(4u, FolderNames(bad).size()) << "nothing made beside them";
  EXPECT_FALSE(Exists(folder_ + u"\\gone.tsn"));
}

std::string WholeFile(const std::u16string& path) {
  std::ifstream in(UnixPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A database file's pages but its header and transaction inventory pages, which Firebird
// writes on every attachment and transaction: what a worksheet holds.
std::vector<std::string> WorksheetPages(const std::string& file) {
  constexpr char kHeaderPage = 1, kTransactionPage = 3;
  const size_t size = file.size() > 17 ? static_cast<unsigned char>(file[16]) +
                                             256u * static_cast<unsigned char>(file[17])
                                       : 0;
  std::vector<std::string> pages;
  for (size_t at = 0; size && at < file.size(); at += size) {
    if (file[at] != kHeaderPage && file[at] != kTransactionPage)
      pages.push_back(file.substr(at, size));
  }
  return pages;
}

// What a thread of its own saw of the loading window over the frame: its text and each new
// position of its bar. At `cancelAt` per cent it presses the window's Cancel button.
struct LoadWatch {
  HWND frame = nullptr;
  int cancelAt = 1000;
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::u16string text;
  std::vector<int> positions;
  bool pressed = false;
  bool closeAsked = false;  // a WM_CLOSE for the frame, posted once the window shows
  ~LoadWatch() { CloseHandle(stop); }
};

// Only timed sends: the frame's thread answers them from the load's message pump.
bool AskWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer) {
  return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 2000, answer) != 0;
}

DWORD WINAPI WatchLoading(void* parameter) {
  LoadWatch& watch = *static_cast<LoadWatch*>(parameter);
  HWND window = nullptr;
  while (WaitForSingleObject(watch.stop, 5) == WAIT_TIMEOUT) {
    if (!window || !IsWindow(window)) {
      window = nullptr;
      for (HWND w = FindWindowExW(nullptr, nullptr, u"#32770", u"Tessaline Lite"); w;
           w = FindWindowExW(nullptr, w, u"#32770", u"Tessaline Lite")) {
        if (GetWindow(w, GW_OWNER) == watch.frame) window = w;
      }
      if (!window) continue;
    }
    if (watch.cancelAt > 100 && !watch.closeAsked)
      watch.closeAsked = PostMessageW(watch.frame, WM_CLOSE, 0, 0) != 0;
    if (watch.text.empty()) {
      WCHAR text[2400] = {};
      DWORD_PTR length = 0;
      if (AskWindow(GetDlgItem(window, 100), WM_GETTEXT, 2400, reinterpret_cast<LPARAM>(text),
                    &length))
        watch.text = text;
    }
    DWORD_PTR position = 0;
    if (!AskWindow(GetDlgItem(window, 101), PBM_GETPOS, 0, 0, &position)) continue;
    if (watch.positions.empty() || watch.positions.back() != static_cast<int>(position))
      watch.positions.push_back(static_cast<int>(position));
    if (!watch.pressed && static_cast<int>(position) >= watch.cancelAt) {
      watch.pressed = AskWindow(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0, &position);
    }
  }
  return 0;
}

// A worksheet of tens of thousands of stored rows opened in the frame shows its loading
// window; its Cancel button ends the load: no worksheet opens and the file's pages stay. A
// close of the frame arriving during a load is refused.
TEST_F(WorksheetFilesTest, LoadingWindowFollowsTheRowsAndCancels) {
  const std::u16string path = folder_ + u"\\large.tsn";
  MakeDatabase(path, 0);
  constexpr int kPages = 100;
  constexpr int kRepeats = 200;
  {
    tagDBCONTEXT* context = DBCreateContext(nullptr);
    int32_t cancelled = 0;
    ASSERT_EQ(1, DBOpenDatabase(context, UnixPath(path).c_str(), &cancelled));
    FillOccurrence at;
    at.rel_url = Utf8(SiteUrl());
    for (int i = 0; i < kPages; ++i) {
      FillLink page;
      page.server = "127.0.0.1";
      page.resource = "/page" + std::to_string(i) + ".html";
      page.statusstr = "200 OK";
      const int32_t loaded = FillLoaded(context, page);
      ASSERT_TRUE(FillReport(context, 1, loaded, at));
      ASSERT_TRUE(FillReportRepeats(context, loaded, kRepeats, at));
    }
    DBFreeContext(context);
  }
  // Cancelled first: the same file then opens whole.
  for (const int cancelAt : {10, 1000}) {
    const std::string before = WholeFile(path);
    LoadWatch watch;
    watch.frame = frame;
    watch.cancelAt = cancelAt;
    HANDLE watcher = CreateThread(nullptr, 0, WatchLoading, &watch, 0, nullptr);
    ASSERT_NE(nullptr, watcher);
    // Opened with nothing of the frame's own waiting: the window is the load's.
    if (HWND worksheet = CreateWorksheet()) {
      SendMessageW(worksheet, WM_WORKSHEET_OPEN, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    SetEvent(watch.stop);
    PumpUntil([&] { return WaitForSingleObject(watcher, 0) == WAIT_OBJECT_0; }, 10000);
    CloseHandle(watcher);

    EXPECT_EQ(u"Loading file:\r\n" + path, watch.text);
    ASSERT_GE(watch.positions.size(), 3u) << "the bar moves while the rows arrive";
    EXPECT_TRUE(std::is_sorted(watch.positions.begin(), watch.positions.end()));
    EXPECT_TRUE(IsWindowEnabled(frame)) << "the loading window gave the frame back";
    const std::vector<HWND> opened = ListWorksheets();
    if (cancelAt > 100) {
      EXPECT_FALSE(watch.pressed);
      EXPECT_TRUE(watch.closeAsked);
      EXPECT_TRUE(IsWindow(frame)) << "the frame is not closed under a load";
      EXPECT_GE(watch.positions.back(), 50);
      ASSERT_EQ(1u, opened.size());
      EXPECT_EQ(kPages, Rows(opened[0], WORKSHEET_LINKS_LIST));
      SendMessageW(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(opened[0]), 0);
    } else {
      EXPECT_TRUE(watch.pressed);
      EXPECT_LT(watch.positions.back(), 50) << "the load ended early";
      EXPECT_TRUE(opened.empty()) << "a cancelled load opens no worksheet";
      EXPECT_TRUE(gBoxes.empty());
      const std::vector<std::string> kept = WorksheetPages(before);
      EXPECT_GT(kept.size(), 100u);
      EXPECT_TRUE(kept == WorksheetPages(WholeFile(path))) << "the worksheet's pages are as before";
    }
  }
}

TEST_F(WorksheetFilesTest, SaveRefusalsAndTheAutosaveSetting) {
  HWND first = ScannedWorksheet();
  ASSERT_NE(nullptr, first);
  const std::u16string taken = folder_ + u"\\taken.tsn";
  SaveAs(first, taken);
  ASSERT_EQ(taken, std::u16string(WorksheetData(first)->UserFile));
  const std::u16string firstLocator = WorksheetData(first)->DataFile;
  const int rows = Rows(first, WORKSHEET_LINKS_LIST);

  // Onto another worksheet's file, and into a folder nobody may write: both refused, both
  // worksheets on their own files.
  HWND second = ScannedWorksheet();
  ASSERT_NE(nullptr, second);
  const std::u16string secondFile = WorksheetData(second)->DataFile;
  for (const std::u16string& target : {taken, std::u16string(u"Z:\\proc\\tl-saved.tsn")}) {
    gBoxes.clear();
    SaveAs(second, target);
    ASSERT_EQ(1u, gBoxes.size()) << Utf8(target);
    EXPECT_EQ(strtbl[STR_Msg_SaveError], gBoxes[0]);
    EXPECT_EQ(u"", std::u16string(WorksheetData(second)->UserFile));
    EXPECT_EQ(secondFile, std::u16string(WorksheetData(second)->DataFile));
  }
  EXPECT_TRUE(Exists(secondFile));
  EXPECT_EQ(EncodeLocator(taken.c_str()), ReadFileBytes(firstLocator));

  // Nothing is saved while a run is flagged.
  const int dialogs = gDialogs;
  WorksheetData(second)->Running = 1;
  SaveAs(second, folder_ + u"\\running.tsn");
  SendMessageW(second, WM_COMMAND, 1119, 0);
  WorksheetData(second)->Running = 0;
  EXPECT_EQ(dialogs, gDialogs);
  EXPECT_FALSE(Exists(folder_ + u"\\running.tsn"));

  // Autosave off: a save leaves no locator and no stray file in the autosave folder.
  g_settings.AutosaveWorksheets = 0;
  const std::u16string plain = folder_ + u"\\plain.tsn";
  SaveAs(second, plain);
  EXPECT_EQ(plain, std::u16string(WorksheetData(second)->UserFile));
  EXPECT_EQ(u"", std::u16string(WorksheetData(second)->DataFile));
  EXPECT_EQ((std::vector<std::u16string>{u"127.0.0.1.tsn.loc"}), FolderNames(g_autosaveFolder));

  // The settings step: off drops the first one's locator, on gives both theirs.
  g_worksheetCalls.ApplyAutosaveSetting(first);
  EXPECT_FALSE(Exists(firstLocator));
  EXPECT_EQ(u"", std::u16string(WorksheetData(first)->DataFile));
  g_settings.AutosaveWorksheets = 1;
  for (HWND worksheet : {first, second}) g_worksheetCalls.ApplyAutosaveSetting(worksheet);
  EXPECT_EQ(EncodeLocator(taken.c_str()), ReadFileBytes(WorksheetData(first)->DataFile));
  EXPECT_EQ(EncodeLocator(plain.c_str()), ReadFileBytes(WorksheetData(second)->DataFile));
  EXPECT_EQ(2u, FolderNames(g_autosaveFolder).size());
  EXPECT_EQ(rows, Rows(first, WORKSHEET_LINKS_LIST));
}

}  // namespace
