// CLinkFinder: the crawl engine of one worksheet. It owns the worksheet database (through
// its storage context), the per-site options and window state, the crawl counters, the
// site's robots.txt text and the bookmark index, and writes results into the worksheet's
// windows. Windows-side header.
//
// Threads: the GUI thread constructs, destroys and calls the public members; the database
// layer's threads call the callback members (*_func). The engine lock may be taken while
// the database lock is held, never the other way round. Destroying the engine during a run
// stops the run and returns once its last worker has left the engine, handling the messages
// that workers send to the destroying thread meanwhile. Destroyed from inside the run's
// finish callback (or a message that callback sends), the engine is gone when the callback
// resumes: the callback must not touch it after that point.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/BookmarkIndex.h"
#include "engine/FinderCallbacks.h"
#include "engine/Records.h"
#include "engine/Redirects.h"
#include "engine/ReportRows.h"
#include "engine/ScopeLock.h"

struct tagDBCONTEXT;
struct tagSETTINGS;
struct tagRULECONTEXT;
struct EngineOption;
template <typename Unit>
struct HtmlLink;
template <typename Unit>
struct HtmlSink;
struct BadLinkList;
struct CookieText;
struct RobotsRules;
class CProgressDlg;
class CResultQueue;
struct RowStep;

struct FoundLinks;

// Sent by an engine to its worksheet window, both parameters 0: the end of every run (from a
// worker thread), and the question for the width the progress graphic leaves on its left
// (answered in pixels).
constexpr UINT WM_FINDER_DONE = WM_USER + 110;
constexpr UINT WM_FINDER_PANEL_WIDTH = WM_USER + 120;

class CLinkFinder {
 public:
  CLinkFinder(oldformat_type oldFormat, const WCHAR* projectFile, const WCHAR* databaseFile,
              tagSETTINGS* settings, HWND mainWnd, HWND worksheetWnd, HWND linksList,
              HWND layoutTree, HWND brokenList, int showAllLinks, console_type console,
              void* doneEvent);
  ~CLinkFinder();
  // An engine owns its context, lock and buffers: it is never copied.
  CLinkFinder(const CLinkFinder&) = delete;
  CLinkFinder& operator=(const CLinkFinder&) = delete;

  int Initialized() const { return initialized; }
  // 1 when the user cancelled the loading of the worksheet's file (Initialized is then 0).
  int LoadCancelled() const { return loadCancelled; }
  WCHAR* SiteURL() { return siteURL; }
  WCHAR* SiteSrv() { return siteServer; }
  tagSITESETTINGS* GetSettings() { return &siteSettings; }
  tagWINDOWSETTINGS* GetWindowSettings() { return &windowSettings; }
  int IsStopped() const { return stopped; }
  int IsPaused() const { return paused; }

  // Refused (0) unless stopped. NULL url is empty; NULL settings are all zero.
  int SetSettings(const WCHAR* url, const tagSITESETTINGS* settings, int showAllLinks);
  int SetWindowSettings(const tagWINDOWSETTINGS* settings);
  void GetTotalData(uint32_t* found, uint32_t* broken, uint32_t* pages, uint32_t* images,
                    uint32_t* others, uint32_t* internal, uint32_t* external);

  // URL model: turns link text into a record, resolved against `base` ("" for none).
  // Returns 1 when the record is usable, 0 with the reason in statusstr.
  int FillItemWithURL(WCHAR* text, const WCHAR* base, tagTreeListItemFull* item, int* explicitPort);
  int LinkDomainExternal(const WCHAR* server, uint32_t port);
  res_type LookupFileType(const WCHAR* extension);

  // Restriction rules under the site's case rule.
  int strcmpcase(const WCHAR* a, const WCHAR* b);
  int strncmpcase(const WCHAR* a, const WCHAR* b, int n);
  bool wcharcmpcase(WCHAR a, WCHAR b);
  int wildcmpi(const WCHAR* pattern, int length, const WCHAR* text);
  int CheckRestriction(const WCHAR* list, const WCHAR* value, int wildcardMode, int wwwMode,
                       int bookmarkMode);
  int CheckLinkAllowed(tagTreeListItemFull* item);
  int IsWildcardRestricted(const tagTreeListItemFull* item);
  int IsDomainRestricted(const tagTreeListItemFull* item);
  int IsBookmarkRestricted(const tagTreeListItemFull* item);
  int IsRobotsTxtDisallowed(const WCHAR* resource, const char* userAgent);
  void SubstituteServerName(const WCHAR* url, WCHAR* result, int resultSize,
                            const WCHAR* fromServer, const WCHAR* toServer);
  void GetDisplayLink(const WCHAR* url, WCHAR* display, int displaySize);
  void GetLinkFromDisplayBack(WCHAR* url, int urlSize, const WCHAR* display);

  // Crawl control, GUI thread: 1 when done, 0 when refused in the present state (or, for
  // the two stop requests, when no run was active). Idle: IsStopped 1, IsPaused 0;
  // suspended: IsPaused 1. The end of every run is sent to the worksheet window as
  // WM_FINDER_DONE from a worker thread and signals the done event.
  int StartFinder();
  int SuspendFinder();
  int ResumeFinder();
  int StopFinder();

  // Queues a link (statusval 0) or stores it with its known outcome; any thread. Each
  // returns the database call's result.
  int AddLink(tagTreeListItemFull* item);
  int AddLinkFound(tagTreeListItemFull* item);
  int AddLinkProcessed(tagTreeListItemFull* item);

  // Reply header fields of a check: location (1024 units), content type, last modified
  // (50 units each) are emptied first; the content length (50 units) is set only when the
  // header has one. Any thread.
  void ParseHTTPHeader(const char* header, unsigned long length, WCHAR* location,
                       WCHAR* contentType, WCHAR* contentLength, WCHAR* lastModified,
                       const WCHAR* server);
  // Keeps a downloaded block in the cache folder under a name from the resource, numbered
  // when taken. Any thread.
  void SaveCachedFile(const tagTreeListItemFull* item, const void* data, unsigned long length);
  // An HTML page's bytes: with `parse`, picks its charset, queues its links and fills the
  // page's charset and title fields; with `collectAnchors`, enters its anchor names in the
  // bookmark index. Worker threads.
  void StartParseHtmlData(tagTreeListItemFull* page, int parse, int collectAnchors,
                          const char* data, unsigned long length);

  // The process's cookie store (net/Cookies.h), on any thread: stores one Set-Cookie value
  // from `host` (always 1), or every one of a reply with one write of the file; the Cookie
  // header for a request, freed with free().
  int HeaderSetCookie(WCHAR* host, char* text, DWORD length);
  void HeaderSetCookies(const WCHAR* host, const CookieText* texts, size_t count);
  char* HeaderGetCookie(WCHAR* host, WCHAR* path);

  // Callback members, reached through CFinderCallbacks on the database layer's threads:
  // the check of one queued link, a result stored during a scan, a stored result while a
  // worksheet is opened, and the end of a run.
  int32_t query_url_func(FINDER_QUERY_PARAMS);
  void report_url_func(FINDER_REPORT_PARAMS);
  void export_url_func(FINDER_EXPORT_PARAMS);
  void stop_crawler_func(void* unused);
  // The producer of a run's start rows; `block` is the one StartFinder hands over, freed
  // here after the last row.
  static int32_t feed_start_urls_func(void* block, int32_t* protocol, char* username,
                                      char* userpass, char* server, int32_t* port, char* resource,
                                      char* bookmark, char* comment, int32_t* restype,
                                      int32_t* flags, char* rel_url, char* rel_title, int32_t* line,
                                      int32_t* col, int32_t* extern_, int32_t* dir);

  // Result lists, GUI thread. Appends a links-list row for a result (nothing for statusval
  // 0, without an engine or a links list); any thread, holding no lock. During a run the
  // row reaches the list with the window thread's next batch.
  static void SetTreeListItem(tagTreeListItemFull* item, CLinkFinder* engine);
  // Fills `list` with the links into (direction non-zero) or out of (0) the page shown as
  // displayUrl; a single "No items found." row when there are none. 1 when the query ran.
  int FillLinksInOutList(HWND list, const WCHAR* displayUrl, int direction);
  void export_iolinks_func(FINDER_EXPORT_PARAMS);
  // A row for the site layout tree, which is never drawn; moves the open progress window.
  void export_layout_func(FINDER_EXPORT_PARAMS);
  // Paints the progress graphic onto the worksheet window (at most every 250 ms unless
  // forced) and writes the console progress lines; takes no lock, any thread.
  void DrawRelativeProgress(int force);

  // GUI thread, refused (0) unless stopped. Copies (copy 1) or moves the database file and
  // attaches it at `to`; on failure the database stays attached at `from`.
  int MoveDataBase(int copy, const WCHAR* from, const WCHAR* to);
  // Queues the broken links (and with includeReferring their referring pages) again and
  // starts a run over them; 1 when it started.
  int RecheckBadLinks(int includeReferring);
  void chkbad_report_func(FINDER_EXPORT_PARAMS);

  // Writes the link report the request describes (GUI thread, no run active). 1 when the
  // file is complete; 0 when it could not be created or written, the query failed or was
  // cancelled, or the format is unknown: the file is then deleted.
  int ExportLinks(tagEXPORTLINKSSTRUCT* request);
  // One stored row of the report query, on the thread that runs ExportLinks.
  void export_report_func(FINDER_EXPORT_PARAMS);

 private:
  void Destroy();
  // The run flags of a run about to start: active, no pause or stop asked, not ended. Set
  // before the workers start, since a run over an empty queue may end at once.
  void MarkRunActive();
  int LoadOptions();
  // 0 when an option could not be stored (the reason is in the context's error text).
  int SaveOptions();
  // Every stored option, bound to this engine's fields.
  std::vector<EngineOption> Options();
  void SetRobotsText(std::u16string text);
  void WriteReport(const std::u16string& text);
  std::u16string ReportStatistics(const tagEXPORTLINKSSTRUCT& request);
  void ShowSaveError(const char16_t* text);
  void CountResultRow(int32_t first, int32_t restype, int32_t statusval, int32_t extern_);
  // Counts a stored row; lists it when `listed` and adds it to the broken list when broken.
  void ShowResultRow(int32_t first, bool listed, FINDER_ROW_PARAMS);
  void AddBrokenLink(tagTreeListItemFull* item);
  void AddLayoutLink(tagTreeListItemFull* item);
  // Row steps are queued during a run that has a window thread, else applied at once.
  bool QueueRowSteps() const;
  void AddRowStep(RowStep step);
  // Moves the open progress window to base + rowIndex * 1000 / rowCount / divisor and
  // handles its messages, on its own thread only; 1 when it did.
  int StepProgress(int32_t rowCount, int32_t rowIndex, int divisor, int base, int32_t* cancel);
  void DrawConsoleProgress();
  void ClearViews();
  // A record from the UTF-8 columns of a row, with Url composed.
  void LinkToTreeItem(tagTreeListItemFull* item, FINDER_ROW_PARAMS);

  // The check of one link (worker threads).
  struct CheckState {
    int row = -1;  // the links-list row's id; -1 when none
    int pageIndexed = 0;
    int repeat = 0;    // a passing failure is tried again
    int getRetry = 0;  // a failed existence check is tried again as a full request
    int skipped = 0;
    int checkable = 1;
  };
  status_type CheckOnce(tagTreeListItemFull* item, CheckState* state);
  status_type DownloadFile(tagTreeListItemFull* item, CheckState* state);
  template <typename Downloader>
  status_type DownloadHttp(tagTreeListItemFull* item, CheckState* state, const char* userAgent);
  status_type DownloadFtp(tagTreeListItemFull* item, CheckState* state);
  status_type DownloadRtsp(tagTreeListItemFull* item, CheckState* state);
  status_type NoDownloader(tagTreeListItemFull* item, CheckState* state);
  // What a download handed back: its result, its data block (null for none) with the last
  // reply header in it, and the traffic it counted.
  struct DownloadReply {
    status_type result;
    void* data = nullptr;
    unsigned long length = 0;
    unsigned long headerOffset = 0;
    unsigned long headerSize = 0;
    uint32_t sent = 0;
    uint32_t received = 0;
  };
  // Returns the pass's result, as ProcessDownload.
  template <typename Downloader>
  status_type FinishDownload(Downloader& dnld, const DownloadReply& reply,
                             tagTreeListItemFull* item, CheckState* state);
  // Returns the pass's result: the download's, or a failure when the reply redirects
  // where the checker does not follow.
  status_type ProcessDownload(status_type result, tagTreeListItemFull* item, int row,
                              int pageIndexed, char* data, unsigned long length,
                              unsigned long headerOffset, unsigned long headerEnd, int* repeat,
                              int* getRetry);
  // Queues the target of a redirect when its scheme, the run's redirects before it and
  // the length of its chain allow; otherwise says why in the link's status and returns
  // false.
  bool FollowRedirect(tagTreeListItemFull* item, WCHAR* location);
  void TakeRobotsText(const char* body, unsigned long length);
  int InsertCheckingRow(const tagTreeListItemFull* item);
  void ShowCheckingTry(int row, int32_t tryNumber);
  void FinishRow(const tagTreeListItemFull* item, int row);
  void PrintConsoleLines(const tagTreeListItemFull* item);
  // Page and style sheet links (worker threads).
  struct PageScan;
  // The charset name of a page of bytes, into `size` bytes.
  void PageCharset(const char* data, unsigned long length, char* charset, int size);
  template <typename Unit>
  HtmlSink<Unit> LinkSink(PageScan* scan);
  // The page's anchors (collectAnchors) and its links, charset and title (parse).
  template <typename Unit>
  void ParseHtmlData(tagTreeListItemFull* page, PageScan& scan, int parse, int collectAnchors,
                     const char* charset, const Unit* text, long length);
  template <typename Unit>
  void ScanPage(tagTreeListItemFull* page, PageScan& scan, const char* charset, const Unit* text,
                long length);
  template <typename Unit>
  void CheckLinksInCSS(PageScan& scan, const Unit* text, long length);
  void ParseStyleSheet(const tagTreeListItemFull* sheet, const char* data, unsigned long length);
  template <typename Unit>
  void QueuePageLink(PageScan& scan, const HtmlLink<Unit>& link);
  template <typename Unit>
  void CollectBookmarks(const tagTreeListItemFull* page, const PageScan& scan, const Unit* text,
                        long length);
  // Queues a found link unless the rules drop it; counts it when it was new.
  void QueueLink(tagTreeListItemFull* item);
  // The same for a link of a page: gathered in `batch` (or stored at once when its outcome
  // is known), then queued with the page's others by QueueLinks in one step.
  void CollectLink(FoundLinks* batch, tagTreeListItemFull* item);
  void QueueLinks(FoundLinks* batch);
  // False when the rules drop the link; a link only to be checked loses its flags.
  bool AllowLink(tagTreeListItemFull* item);
  void CountFound(uint32_t links);
  // 1 for a page over http or https whose anchors are in the bookmark index.
  int PageIndexed(const tagTreeListItemFull* item);
  // 1 when the page was not parsed yet: it is entered in the bookmark index as parsed.
  int ClaimPageParse(const tagTreeListItemFull* page);
  // While the worksheet opens, notes a stored result that is a page parsed for its links;
  // EnterStoredPages then enters the noted pages in the bookmark index as parsed.
  void NoteStoredPage(int32_t protocol, const char* username, const char* userpass,
                      const char* server, int32_t port, const char* resource, int32_t restype,
                      int32_t flags, int32_t statusval);
  void EnterStoredPages();
  // The verdict on the link's bookmark, from the anchors of its page.
  void CheckBookmark(tagTreeListItemFull* item);
  void HandCaseRuleOver();
  void ParseSiteURL(tagTreeListItemFull* item);
  // The state the URL model and the restriction rules read; no extension lists.
  tagRULECONTEXT RuleContext() const;

  // The Winelib tests reach the storage context and the callback object through it.
  friend struct CLinkFinderTestAccess;

  std::unique_ptr<CLinkFinderCallbacks> callbacks;
  // Guards the robots text, which workers read while another one installs a new text, the
  // end of a run, the list rows and the out-values of a check. Every worker passes through
  // it for each link, so it is held only for work in memory: no download, no database
  // statement, no file and no parse of a page runs under it. The database layer's lock may
  // be held when it is taken, never the reverse.
  CriticalSection lock;
  int initialized = 0;
  int loadCancelled = 0;
  int finished = 0;  // set once per run by stop_crawler_func
  tagDBCONTEXT* context = nullptr;
  tagSITESETTINGS siteSettings;
  tagWINDOWSETTINGS windowSettings;
  tagSETTINGS* settings = nullptr;
  std::u16string robotsText;
  // The rules of robotsText for the user agent last asked about, read at the first question
  // after the text changed; null until then.
  std::shared_ptr<const RobotsRules> robotsRules;
  WCHAR startPath[2048];
  uint32_t startDepth = 0;
  std::atomic<uint32_t> found{0};
  std::atomic<uint32_t> checked{0};
  std::atomic<uint32_t> broken{0};
  std::atomic<uint32_t> processed{0};
  std::atomic<uint32_t> pages{0};
  std::atomic<uint32_t> images{0};
  std::atomic<uint32_t> others{0};
  std::atomic<uint32_t> internal{0};
  std::atomic<uint32_t> external{0};
  int threadCount = 0;
  int perServerLimit = 0;
  WCHAR siteURL[2048];
  WCHAR siteServer[256];
  uint32_t sitePort = 0;
  HWND mainWindow = nullptr;
  HWND worksheetWnd = nullptr;
  HWND linksList = nullptr;
  HWND layoutTree = nullptr;
  HWND brokenList = nullptr;
  // The list rows on their way to the lists; null without lists.
  std::shared_ptr<CResultQueue> rows;
  // Applies the queued row steps on the thread that owns the windows, in batches on its tick;
  // null without windows of the constructing thread.
  HWND windowCaller = nullptr;
  console_type consoleType = CONSOLE_NONE;
  FILE* consoleStream = nullptr;
  void* doneEvent = nullptr;
  COORD consoleCursor = {0, 0};
  // Run state; workers read it and the last one writes it at the end of a run.
  std::atomic<int> stopped{1};
  std::atomic<int> paused{0};
  std::atomic<int> pauseRequested{0};
  // From an accepted stop or pause until the run has ended.
  std::atomic<int> stopPending{0};
  // Set when the end of a run is sent to the worksheet window; cleared by the next start.
  std::atomic<int> endSending{0};
  std::atomic<uint64_t> bytesSent{0};
  std::atomic<uint64_t> bytesReceived{0};
  uint64_t timeElapsed = 0;
  uint64_t runStart = 0;  // milliseconds since 1900; 0 when no run is timed
  int showAllLinks = 0;
  std::unique_ptr<CBookmarkIndex> bookmarks;
  // The redirects met in this run, for the loops and the chain lengths.
  RedirectChains redirects;
  // The parsed pages of the stored results, gathered while the worksheet opens (null once
  // it is open): the file holds them, the bookmark index does not yet.
  struct StoredPage {
    int32_t protocol;
    std::u16string username, userpass, server;
    int32_t port;
    std::u16string resource;
  };
  std::unique_ptr<std::vector<StoredPage>> storedPages;
  // The progress window of the running GUI operation, null when none.
  std::atomic<CProgressDlg*> progress{nullptr};
  // FillLinksInOutList's list, page and direction while its query runs.
  HWND ioList = nullptr;
  WCHAR ioPage[2048];
  int ioDirection = 0;
  std::atomic<uint64_t> lastDraw{0};
  int includeReferring = 0;
  // The bad links RecheckBadLinks collects, null outside it.
  BadLinkList* badLinks = nullptr;
  // The database file's Linux path, for refusing a move onto another open worksheet.
  std::string databasePath;
  // Held on the attached database file: Firebird opens it beyond Wine's sharing checks, so
  // without this another worksheet or program copy could open, overwrite or delete it.
  HANDLE fileGuard = INVALID_HANDLE_VALUE;
  void GuardFile(const WCHAR* file);
  void ReleaseFileGuard();
  // The report being written by ExportLinks, read by export_report_func.
  HANDLE reportFile = INVALID_HANDLE_VALUE;
  tagEXPORTLINKSSTRUCT* exportRequest = nullptr;
  const ReportTexts* reportTexts = nullptr;
  bool reportFailed = false;
};

// Opens a finished report for a request with OpenAfter: the shell's ShellExecuteW, looked
// up when called. Replaceable (tests); GUI thread.
extern HINSTANCE(WINAPI* g_openReportFile)(HWND owner, LPCWSTR verb, LPCWSTR file,
                                           LPCWSTR parameters, LPCWSTR folder, INT show);
