// CLinkFinder's life: construction, settings, the file guard, views and destruction. GUI thread
// unless said otherwise.
#include "engine/LinkFinder.h"

#include <commctrl.h>

#include <cstring>
#include <new>

#include "app/SettingsRecord.h"
#include "engine/AttachedFiles.h"
#include "engine/ProgressDlg.h"
#include "engine/ResultQueue.h"
#include "engine/TextCopy.h"
#include "engine/UnixPath.h"
#include "engine/UrlParts.h"
#include "engine/WindowThreadCall.h"
#include "scandb/ScanDb.h"
#include "toolkit/LanguageText.h"

namespace {

// How long the destroying thread waits between two looks at a stopping run.
constexpr DWORD kStopPollMs = 20;

// Waits up to ms milliseconds, handling the messages other threads send to this one (the
// workers of a stopping run send to the worksheet's lists, which belong to this thread).
void WaitHandlingSentMessages(DWORD ms) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_SENDMESSAGE);
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

CLinkFinder::CLinkFinder(oldformat_type oldFormat, const WCHAR* projectFile,
                         const WCHAR* databaseFile, tagSETTINGS* globalSettings, HWND mainWnd,
                         HWND worksheet, HWND links, HWND tree, HWND brokenLinks, int allLinks,
                         console_type console, void* done) {
  threadCount = globalSettings ? static_cast<int>(globalSettings->NumThreads) : 1;
  perServerLimit = globalSettings ? static_cast<int>(globalSettings->ThreadsPerServer) : 1;
  worksheetWnd = worksheet;
  doneEvent = done;
  consoleStream = stdout;
  siteURL[0] = 0;
  siteServer[0] = 0;
  startPath[0] = 0;
  ioPage[0] = 0;
  memset(&siteSettings, 0, sizeof siteSettings);
  memset(&windowSettings, 0, sizeof windowSettings);
  settings = globalSettings;
  mainWindow = mainWnd;
  linksList = links;
  layoutTree = tree;
  brokenList = brokenLinks;
  showAllLinks = allLinks;
  consoleType = console;
  initialized = 1;
  const HWND shown = linksList ? linksList : brokenList ? brokenList : worksheetWnd;
  if (linksList || brokenList) rows = std::make_shared<CResultQueue>(linksList, brokenList);
  if (shown && GetWindowThreadProcessId(shown, nullptr) == GetCurrentThreadId()) {
    windowCaller = rows ? CreateWindowThreadCaller(CResultQueue::Tick, rows, CResultQueue::kTickMs)
                        : CreateWindowThreadCaller();
  }

  if (consoleType == CONSOLE_PROGRESS) {
    // The three progress lines go where these blank lines are. Without a console (a GUI
    // process) the position stays unknown and nothing is drawn there.
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (WriteConsoleA(err, "\n\n\n", 3, &written, nullptr) &&
        GetConsoleScreenBufferInfo(err, &info)) {
      consoleCursor.X = 0;
      consoleCursor.Y = static_cast<SHORT>(info.dwCursorPosition.Y - 3);
    } else {
      consoleCursor.X = -1;
      consoleCursor.Y = -1;
    }
  }
  ClearViews();

  callbacks.reset(new (std::nothrow) CLinkFinderCallbacks);
  if (callbacks) {
    callbacks->query = {this, &CLinkFinder::query_url_func};
    callbacks->report = {this, &CLinkFinder::report_url_func};
    callbacks->exportUrl = {this, &CLinkFinder::export_url_func};
    callbacks->exportReport = {this, &CLinkFinder::export_report_func};
    callbacks->stop = {this, &CLinkFinder::stop_crawler_func};
    callbacks->exportLayout = {this, &CLinkFinder::export_layout_func};
    callbacks->exportIOLinks = {this, &CLinkFinder::export_iolinks_func};
    callbacks->checkBadReport = {this, &CLinkFinder::chkbad_report_func};
  }
  bookmarks.reset(new (std::nothrow) CBookmarkIndex(siteSettings.CheckIgnoreCase));
  if (!callbacks || !bookmarks) initialized = 0;

  if (initialized) {
    void* user = callbacks.get();
    const tagDBCONTEXTINIT init = {QueryURLThunk,
                                   user,
                                   1,
                                   2,
                                   ReportURLThunk,
                                   user,
                                   ExportURLThunk,
                                   user,
                                   StopCrawlerThunk,
                                   user,
                                   siteSettings.CheckIgnoreCase};
    context = DBCreateContext(&init);
    if (!context) initialized = 0;
  }

  if (context) {
    // The stored rows reach the lists through export_url_func, which moves this window and
    // ends the load when its cancel button is pressed: the open then fails.
    const WCHAR* shownFile = oldFormat != OLDFORMAT_NONE ? projectFile : databaseFile;
    ProgressWindow window(mainWindow, LanguageText(STR_PrgBar_Loading), shownFile, true);
    progress = window.get();
    const std::string path = UnixPath(databaseFile);
    int32_t cancelled = 0;
    // The stored results name their parsed pages while the file opens.
    storedPages.reset(new (std::nothrow) std::vector<StoredPage>);
    if (oldFormat != OLDFORMAT_NONE) {
      initialized = 0;
      DBFreeContext(context);
      context = nullptr;
      if (databaseFile) DeleteFileW(databaseFile);
    } else if (!path.empty() && DBOpenDatabase(context, path.c_str(), &cancelled)) {
      databasePath = path;
      AttachedFiles(path, true);
      GuardFile(databaseFile);
      LoadOptions();
    } else {
      initialized = 0;
      loadCancelled = cancelled ? 1 : 0;
      DBFreeContext(context);
      context = nullptr;
    }
    progress = nullptr;
  }

  if (initialized) {
    int32_t queued = 0;
    int32_t occurrences = 0;
    DBCountRows(context, "found", &queued);
    DBCountRows(context, "report", &occurrences);
    found = static_cast<uint32_t>(queued) + static_cast<uint32_t>(occurrences);

    if (siteSettings.RecheckBadLinksTimes < 1) siteSettings.RecheckBadLinksTimes = 1;
    if (siteSettings.RecheckBadLinksTimes > 25) siteSettings.RecheckBadLinksTimes = 25;
    if (windowSettings.View2 < 0 || windowSettings.View2 > 2) windowSettings.View2 = 0;

    // Options that the site panel does not offer opened with their new-project values
    // (LoadOptions); the display server is the site's own.
    siteSettings.DisplayURL = 0;
    CopyField(siteSettings.sDisplayURL, siteServer);
    HandCaseRuleOver();
    EnterStoredPages();
    // A suspended scan resumes with the start folder it began with.
    tagTreeListItemFull* item = static_cast<tagTreeListItemFull*>(calloc(1, sizeof *item));
    if (item) ParseSiteURL(item);
    free(item);
  }
  storedPages.reset();
  ScopeLock hold(lock);
  DrawRelativeProgress(1);
}

CLinkFinder::~CLinkFinder() { Destroy(); }

void CLinkFinder::ClearViews() {
  if (rows) rows->Clear();
  // Emptying an empty list still draws its scroll bars again, under a theme a tenth of the
  // start command; the broken list is always emptied, which also resets its column.
  if (linksList && SendMessageW(linksList, LVM_GETITEMCOUNT, 0, 0) > 0)
    SendMessageW(linksList, LVM_DELETEALLITEMS, 0, 0);
  if (brokenList) SendMessageW(brokenList, LVM_DELETEALLITEMS, 0, 0);
  if (layoutTree) SendMessageW(layoutTree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void CLinkFinder::Destroy() {
  if (context) {
    // Workers of a run call back into this object through the callback object: both stay
    // until the last worker has left. The free is refused until then (or, asked for from
    // the finish callback, done by the run's last thread once the callback has returned).
    DBStopWorkers(context);
    // The run's last worker uses this object in stop_crawler_func until it sends the end
    // of the run to the worksheet window. Unless that message is being handled on this
    // very thread, the run must have ended completely (the case-rule call is refused while
    // it is active) before the free below may defer to it.
    const bool endHandledHere =
        endSending && worksheetWnd && InSendMessage() &&
        GetWindowThreadProcessId(worksheetWnd, nullptr) == GetCurrentThreadId();
    if (!endHandledHere) {
      while (!DBSetIgnoreCase(context, siteSettings.CheckIgnoreCase)) {
        WaitHandlingSentMessages(kStopPollMs);
      }
    }
    while (!DBFreeContext(context)) WaitHandlingSentMessages(kStopPollMs);
    context = nullptr;
    if (!databasePath.empty()) AttachedFiles(databasePath, false);
    ReleaseFileGuard();
  }
  callbacks.reset();
  SetRobotsText(std::u16string());
  bookmarks.reset();
  DestroyWindowThreadCaller(windowCaller);
  windowCaller = nullptr;
}

void CLinkFinder::GuardFile(const WCHAR* file) {
  ReleaseFileGuard();
  fileGuard = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
}

void CLinkFinder::ReleaseFileGuard() {
  if (fileGuard != INVALID_HANDLE_VALUE) CloseHandle(fileGuard);
  fileGuard = INVALID_HANDLE_VALUE;
}

void CLinkFinder::SetRobotsText(std::u16string text) {
  ScopeLock hold(lock);
  robotsText.swap(text);
  robotsRules.reset();
}

// A reopened or changed worksheet looks links up under its own case rule, as a fresh scan
// does, not only after the next start.
void CLinkFinder::HandCaseRuleOver() {
  if (context) DBSetIgnoreCase(context, siteSettings.CheckIgnoreCase);
  if (bookmarks) bookmarks->Reset(siteSettings.CheckIgnoreCase);
}

int CLinkFinder::SetSettings(const WCHAR* url, const tagSITESETTINGS* site, int allLinks) {
  if (!stopped) return 0;
  CopyField(siteURL, url ? url : u"");
  // The new options apply to the parse of the new address.
  if (site) {
    siteSettings = *site;
  } else {
    memset(&siteSettings, 0, sizeof siteSettings);
  }
  tagTreeListItemFull* item = static_cast<tagTreeListItemFull*>(calloc(1, sizeof *item));
  if (item) {
    ParseSiteURL(item);
    CopyField(siteServer, item->server);
    sitePort = item->port;
    free(item);
  }
  showAllLinks = allLinks;
  HandCaseRuleOver();
  SaveOptions();
  return 1;
}

// Parses the site URL into `item` and takes the start folder from it.
void CLinkFinder::ParseSiteURL(tagTreeListItemFull* item) {
  WCHAR text[sizeof siteURL / sizeof siteURL[0]];
  CopyField(text, siteURL);
  FillItemWithURL(text, u"", item, nullptr);
  GetStartPath(item->resource, startPath, sizeof startPath / sizeof startPath[0], &startDepth);
}

int CLinkFinder::SetWindowSettings(const tagWINDOWSETTINGS* window) {
  if (window) {
    windowSettings = *window;
  } else {
    memset(&windowSettings, 0, sizeof windowSettings);
  }
  return 1;
}

void CLinkFinder::GetTotalData(uint32_t* outFound, uint32_t* outBroken, uint32_t* outPages,
                               uint32_t* outImages, uint32_t* outOthers, uint32_t* outInternal,
                               uint32_t* outExternal) {
  if (outFound) *outFound = found;
  if (outBroken) *outBroken = broken;
  if (outPages) *outPages = pages;
  if (outImages) *outImages = images;
  if (outOthers) *outOthers = others;
  if (outInternal) *outInternal = internal;
  if (outExternal) *outExternal = external;
}
