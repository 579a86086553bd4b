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
#include <memory>
#include <string>
#include <vector>

#include "engine/BookmarkIndex.h"
#include "engine/FinderCallbacks.h"
#include "engine/Records.h"
#include "engine/ReportRows.h"
#include "engine/ScopeLock.h"

struct tagDBCONTEXT;
struct tagSETTINGS;
struct tagRULECONTEXT;
struct EngineOption;

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

  // The process's cookie store (net/Cookies.h), on any thread: stores one Set-Cookie value
  // from `host` (always 1); the Cookie header for a request, freed with free().
  int HeaderSetCookie(WCHAR* host, char* text, DWORD length);
  char* HeaderGetCookie(WCHAR* host, WCHAR* path);

  // Callback members, reached through CFinderCallbacks on the database layer's threads:
  // a result stored during a scan, and a stored result while a worksheet is opened.
  void report_url_func(FINDER_REPORT_PARAMS);
  void export_url_func(FINDER_EXPORT_PARAMS);

  // Writes the link report the request describes (GUI thread, no run active). 1 when the
  // file is complete; 0 when it could not be created or written, the query failed or was
  // cancelled, or the format is unknown: the file is then deleted.
  int ExportLinks(tagEXPORTLINKSSTRUCT* request);
  // One stored row of the report query, on the thread that runs ExportLinks.
  void export_report_func(FINDER_EXPORT_PARAMS);

 private:
  void Destroy();
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
  void HandCaseRuleOver();
  void ParseSiteURL(tagTreeListItemFull* item);
  // The state the URL model and the restriction rules read; no extension lists.
  tagRULECONTEXT RuleContext() const;

  // The Winelib tests reach the storage context and the callback object through it.
  friend struct CLinkFinderTestAccess;

  std::unique_ptr<CLinkFinderCallbacks> callbacks;
  // Guards the robots text, which workers read while another one installs a new text.
  CriticalSection lock;
  int initialized = 0;
  tagDBCONTEXT* context = nullptr;
  tagSITESETTINGS siteSettings;
  tagWINDOWSETTINGS windowSettings;
  tagSETTINGS* settings = nullptr;
  std::u16string robotsText;
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
  WCHAR siteURL[2048];
  WCHAR siteServer[256];
  uint32_t sitePort = 0;
  HWND mainWindow = nullptr;
  HWND worksheetWindow = nullptr;
  HWND linksList = nullptr;
  HWND layoutTree = nullptr;
  HWND brokenList = nullptr;
  console_type consoleType = CONSOLE_NONE;
  COORD consoleCursor = {0, 0};
  std::atomic<int> stopped{1};
  std::atomic<int> paused{0};
  std::atomic<uint64_t> bytesSent{0};
  std::atomic<uint64_t> bytesReceived{0};
  uint64_t timeElapsed = 0;
  int showAllLinks = 0;
  std::unique_ptr<CBookmarkIndex> bookmarks;
  // The report being written by ExportLinks, read by export_report_func.
  HANDLE reportFile = INVALID_HANDLE_VALUE;
  tagEXPORTLINKSSTRUCT* exportRequest = nullptr;
  const ReportTexts* reportTexts = nullptr;
  bool reportFailed = false;
};
