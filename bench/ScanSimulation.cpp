// A scan simulated on the worker pool with a stub check, to time the database alone.
#include "bench/ScanSimulation.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "scandb/ScanDb.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Scan {
  tagDBCONTEXT* ctx = nullptr;
  int links = 0;
  int perPage = 0;
  std::atomic<long> occurrences{1};
  std::atomic<long> checks{0};
  std::atomic<bool> failed{false};
  bool startGiven = false;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
};

void Format(char* buffer, int size, const char* prefix, int number) {
  snprintf(buffer, size, "%s%d", prefix, number);
}

// Link i lives on one of four servers; its children are 2i+1 and 2i+2.
void Queue(Scan& scan, int target, int from) {
  char server[64], resource[64], page[96];
  Format(server, sizeof server, "host.example", target % 4);
  Format(resource, sizeof resource, "/page", target);
  snprintf(page, sizeof page, "http://host.example%d/page%d", from % 4, from);
  if (!DBAddLinkFound(scan.ctx, 1, "", "", server, 80, resource, "", "", 2, 0, page, "a link",
                      from % 300 + 1, 7, 0, 1))
    scan.failed = true;
  ++scan.occurrences;
}

int32_t Check(void* user, int32_t, const char*, const char*, const char*, int32_t,
              const char* resource, const char*, const char*, int32_t, int32_t, char* title,
              char* statusstr, char*, char* content, char*, char*, char*, int32_t* statusval,
              int32_t*, int32_t*, const char*, const char*, int32_t, int32_t, int32_t, int32_t) {
  Scan& scan = *static_cast<Scan*>(user);
  ++scan.checks;
  const int i = atoi(resource + 5);
  snprintf(title, 257, "Page %d", i);
  snprintf(statusstr, 257, "200 OK");
  snprintf(content, 51, "text/html; charset=utf-8");
  *statusval = 1;
  int queued = 0;
  for (int child = 2 * i + 1; child <= 2 * i + 2 && child < scan.links; ++child, ++queued)
    Queue(scan, child, i);
  for (int repeat = 0; queued < scan.perPage; ++queued, ++repeat)
    Queue(scan, repeat % 2 ? i / 2 : 0, i);
  return 1;
}

int32_t Produce(void* user, int32_t* protocol, char*, char*, char* server, int32_t* port,
                char* resource, char*, char*, int32_t* restype, int32_t*, char*, char*, int32_t*,
                int32_t*, int32_t*, int32_t*) {
  Scan& scan = *static_cast<Scan*>(user);
  if (scan.startGiven) return 0;
  scan.startGiven = true;
  *protocol = 1;
  snprintf(server, 257, "host.example0");
  *port = 80;
  snprintf(resource, 2049, "/page0");
  *restype = 2;
  return 1;
}

void Finish(void* user) {
  Scan& scan = *static_cast<Scan*>(user);
  std::lock_guard<std::mutex> guard(scan.mutex);
  scan.done = true;
  scan.finished.notify_all();
}

}  // namespace

bool RunScanSimulation(const std::string& path, int links, int workers, int perPage) {
  remove(path.c_str());
  Scan scan;
  scan.links = links;
  scan.perPage = perPage;
  tagDBCONTEXTINIT init = {};
  init.QueryCallback = Check;
  init.QueryUser = &scan;
  init.KeepReport = 1;
  init.ReportMode = 2;
  init.FinishCallback = Finish;
  init.FinishUser = &scan;
  scan.ctx = DBCreateContext(&init);
  int32_t out = 0;
  if (!scan.ctx || !DBOpenDatabase(scan.ctx, path.c_str(), &out)) {
    fprintf(stderr, "cannot create %s\n", path.c_str());
    return false;
  }
  const Clock::time_point start = Clock::now();
  if (!DBStartWorkers(scan.ctx, workers, workers, Produce, &scan)) return false;
  {
    std::unique_lock<std::mutex> lock(scan.mutex);
    scan.finished.wait(lock, [&] { return scan.done; });
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  char error[512] = {};
  DBErrorText(scan.ctx, error, sizeof error);
  while (DBFreeContext(scan.ctx) == 0) std::this_thread::yield();

  scan.ctx = DBCreateContext(&init);
  int32_t loaded = -1, report = -1, found = -1;
  bool opened = scan.ctx && DBMoveDatabase(scan.ctx, path.c_str(), 1);
  if (opened) {
    DBCountRows(scan.ctx, "loaded", &loaded);
    DBCountRows(scan.ctx, "report", &report);
    DBCountRows(scan.ctx, "found", &found);
  }
  DBFreeContext(scan.ctx);
  const bool ok = !scan.failed && loaded == links && report == scan.occurrences && found == 0 &&
                  scan.checks == links;
  printf("  scan %6d links, %2d workers, %d per page: %8.2f s %8.0f links/s %7.3f ms/link%s%s\n",
         links, workers, perPage, seconds, links / seconds, seconds * 1000 / links,
         ok ? "" : "  ROWS DO NOT ADD UP",
         links != 20000             ? ""
         : links / seconds >= 15000 ? "; target 15,000 links/s: met"
                                    : "; target 15,000 links/s: NOT MET");
  if (!ok)
    fprintf(stderr, "loaded %d report %d (expected %ld) found %d checks %ld; last error: %s\n",
            loaded, report, scan.occurrences.load(), found, scan.checks.load(), error);
  fflush(stdout);
  return ok;
}
