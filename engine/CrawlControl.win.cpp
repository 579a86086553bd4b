// Starting, suspending, resuming and stopping a crawl, the producer of its start rows and
// the end of a run.
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "app/SettingsRecord.h"
#include "engine/BookmarkIndex.h"
#include "engine/LinkFinder.h"
#include "engine/ResultQueue.h"
#include "engine/TextCopy.h"
#include "engine/TextHelpers.h"
#include "engine/UrlParts.h"
#include "engine/WindowThreadCall.h"
#include "net/Cookies.h"
#include "scandb/ScanDb.h"
#include "toolkit/Format.h"

namespace {

// The rows the producer hands out before the workers start: at most the robots.txt link.
struct tagSTARTROWS {
  tagTreeListItemFull items[1];
  int32_t count;
  int32_t next;
};

}  // namespace

int CLinkFinder::StartFinder() {
  if (!initialized || !stopped || paused) return 0;
  // Tables that were not emptied would mix two runs; the pool refuses while the workers
  // of the last run are still leaving.
  if (!DBResetTables(context, siteSettings.CheckIgnoreCase)) return 0;
  if (settings) {
    threadCount = static_cast<int>(settings->NumThreads);
    perServerLimit = static_cast<int>(settings->ThreadsPerServer);
  }
  for (std::atomic<uint32_t>* counter :
       {&found, &checked, &broken, &processed, &pages, &images, &others, &internal, &external}) {
    *counter = 0;
  }
  MarkRunActive();
  bytesSent = 0;
  bytesReceived = 0;
  timeElapsed = 0;
  runStart = GetTimeMs1900();
  bookmarks->Reset(siteSettings.CheckIgnoreCase);
  ClearViews();
  SetRobotsText(std::u16string());

  tagTreeListItemFull* start = static_cast<tagTreeListItemFull*>(calloc(1, sizeof *start));
  tagSTARTROWS* block = static_cast<tagSTARTROWS*>(calloc(1, sizeof *block));
  if (start) {
    WCHAR text[sizeof siteURL / sizeof siteURL[0]];
    CopyField(text, siteURL);
    int explicitPort = 0;
    const int parsed = FillItemWithURL(text, u"", start, &explicitPort);
    CopyField(siteServer, start->server);
    sitePort = start->port;
    start->flags = 1;
    start->statusval = parsed ? STATUSVAL_UNCHECKED : STATUSVAL_BROKEN;
    GetStartPath(start->resource, startPath, sizeof startPath / sizeof startPath[0], &startDepth);

    const bool web = start->protocol == PROTOCOL_HTTP || start->protocol == PROTOCOL_HTTPS;
    if (block && web && !siteSettings.IgnoreRobotsTxt) {
      const char16_t* scheme = start->protocol == PROTOCOL_HTTP ? u"http" : u"https";
      WCHAR robotsUrl[sizeof siteURL / sizeof siteURL[0]];
      if (explicitPort) {
        FormatStringW(robotsUrl, sizeof robotsUrl / sizeof robotsUrl[0], u"%s://%s:%d/robots.txt",
                      scheme, start->server, static_cast<int>(start->port));
      } else {
        FormatStringW(robotsUrl, sizeof robotsUrl / sizeof robotsUrl[0], u"%s://%s/robots.txt",
                      scheme, start->server);
      }
      tagTreeListItemFull& robots = block->items[0];
      const int robotsParsed = FillItemWithURL(robotsUrl, u"", &robots, nullptr);
      robots.flags = 1;
      robots.statusval = robotsParsed ? STATUSVAL_UNCHECKED : STATUSVAL_BROKEN;
      robots.restype = RES_ROBOTSTXT;
      block->count = 1;
      ++found;
    }
    if (AddLink(start)) {
      ++found;
      ScopeLock hold(lock);
      DrawRelativeProgress(1);
    }
    free(start);
  }
  CookieClearForDomain(siteServer);
  SaveOptions();

  if (!DBStartWorkers(context, threadCount, perServerLimit, feed_start_urls_func, block)) {
    free(block);
    // Left running without workers, the engine would never end its run and the program
    // could not close.
    stopped = 1;
    paused = 0;
    runStart = 0;
    SaveOptions();
    return 0;
  }
  return 1;
}

void CLinkFinder::MarkRunActive() {
  finished = 0;
  stopped = 0;
  paused = 0;
  pauseRequested = 0;
  stopPending = 0;
  endSending = 0;
  redirects.Clear();
}

int32_t CLinkFinder::feed_start_urls_func(void* user, int32_t* protocol, char* username,
                                          char* userpass, char* server, int32_t* port,
                                          char* resource, char* bookmark, char* comment,
                                          int32_t* restype, int32_t* flags, char* rel_url,
                                          char* rel_title, int32_t* line, int32_t* col,
                                          int32_t* extern_, int32_t* dir) {
  tagSTARTROWS* block = static_cast<tagSTARTROWS*>(user);
  if (!block) return 0;
  if (block->next >= block->count) {
    free(block);
    return 0;
  }
  const tagTreeListItemFull& item = block->items[block->next++];
  *protocol = item.protocol;
  *port = static_cast<int32_t>(item.port);
  *restype = item.restype;
  *flags = item.flags;
  *line = item.line;
  *col = item.col;
  *extern_ = item.extern_;
  *dir = item.dir;
  Utf16ToUtf8Z(item.username, username, DB_TEXT_SIZE);
  Utf16ToUtf8Z(item.userpass, userpass, DB_TEXT_SIZE);
  Utf16ToUtf8Z(item.server, server, DB_TEXT_SIZE);
  Utf16ToUtf8Z(item.resource, resource, DB_LONG_SIZE);
  Utf16ToUtf8Z(item.bookmark, bookmark, DB_TEXT_SIZE);
  Utf16ToUtf8Z(item.comment, comment, DB_TEXT_SIZE);
  Utf16ToUtf8Z(item.rel_url, rel_url, DB_LONG_SIZE);
  Utf16ToUtf8Z(item.rel_title, rel_title, DB_TEXT_SIZE);
  return 1;
}

int CLinkFinder::SuspendFinder() {
  if (paused || stopped || stopPending) return 0;
  pauseRequested = 1;
  stopPending = 1;
  const int result = DBStopWorkers(context);
  if (!result) stopPending = 0;
  return result;
}

int CLinkFinder::ResumeFinder() {
  if (!paused) return 0;
  // The flags are set before the workers start: a run over an empty queue may end before
  // DBStartWorkers returns, and that end must find them set.
  const uint64_t lastRunStart = runStart;
  const int lastFinished = finished;
  const int lastEndSending = endSending;
  runStart = GetTimeMs1900();
  pauseRequested = 0;
  finished = 0;
  endSending = 0;
  stopped = 0;
  paused = 0;
  if (!DBStartWorkers(context, threadCount, perServerLimit, nullptr, nullptr)) {
    runStart = lastRunStart;
    finished = lastFinished;
    endSending = lastEndSending;
    paused = 1;
    return 0;
  }
  return 1;
}

int CLinkFinder::StopFinder() {
  if (paused) {
    paused = 0;
    stopped = 1;
    SaveOptions();
    return 0;
  }
  if (stopped) return 0;
  // A pending pause becomes a stop: the latest request wins.
  pauseRequested = 0;
  stopPending = 1;
  const int result = DBStopWorkers(context);
  if (!result) stopPending = 0;
  return result;
}

void CLinkFinder::stop_crawler_func(void*) {
  {
    ScopeLock hold(lock);
    const int wasFinished = finished;
    finished = 1;
    if (wasFinished) return;
  }

  // The lists hold every row of the run before the window hears of its end, and before the
  // engine says it has stopped: the window thread handles other messages while it applies the
  // rows, and a start it accepted then would have this run's end announced as its own.
  if (rows) {
    auto flush = [this] { rows->Apply(0); };
    RunOnWindowThread(windowCaller, flush);
  }
  if (pauseRequested) {
    paused = 1;
    stopped = 0;
  } else {
    paused = 0;
    stopped = 1;
  }
  stopPending = 0;
  if (runStart) {
    timeElapsed += GetTimeMs1900() - runStart;
    runStart = 0;
  }
  SaveOptions();
  {
    ScopeLock hold(lock);
    DrawRelativeProgress(1);
  }

  // The window may destroy this engine while it handles the message: nothing of the
  // engine is touched once it is sent.
  const HWND window = worksheetWnd;
  const HANDLE done = doneEvent;
  endSending = 1;
  if (window) SendMessageW(window, WM_FINDER_DONE, 0, 0);
  if (done) SetEvent(done);
}
