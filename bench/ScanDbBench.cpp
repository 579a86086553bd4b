// Times the worksheet database: filling it the way a scan does (one transaction per
// statement), the report query unsorted and sorted, and reopening it (the load through the
// row callback), and a simulated scan by the worker pool. Usage: scandb_bench [folder
// [links...]] for the former (defaults ./scandb-bench, 1000 and 20000 links, each with two
// occurrences, and a queue of a tenth as many links); scandb_bench folder scan [links...]
// for the scan (defaults 1000, 5000 and 20000 links, 10 workers, 4 links per page).
#include <sys/stat.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/ScanSimulation.h"
#include "scandb/RowFill.h"
#include "scandb/ScanDb.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

void CountRow(void* user, int32_t, int32_t, int32_t, int32_t, const char*, const char*, const char*,
              int32_t, const char*, const char*, const char*, int32_t, int32_t, const char*,
              const char*, const char*, const char*, const char*, const char*, const char*, int32_t,
              int32_t, int32_t, const char*, const char*, int32_t, int32_t, int32_t, int32_t,
              int32_t*) {
  ++*static_cast<long*>(user);
}

void Report(const char* what, long rows, double seconds) {
  printf("  %-34s %8ld rows %9.3f s %10.0f rows/s\n", what, rows, seconds,
         seconds > 0 ? rows / seconds : 0.0);
}

bool Fill(tagDBCONTEXT* ctx, int links) {
  for (int i = 0; i < links; ++i) {
    FillLink link;
    link.server = "host" + std::to_string(i % 20) + ".example.com";
    link.resource = "/section" + std::to_string(i % 50) + "/page" + std::to_string(i) + ".html";
    link.title = "Page " + std::to_string(i) + " of the example site";
    link.statusstr = "200 OK";
    link.content = "text/html; charset=utf-8";
    link.ressize = std::to_string(1000 + i);
    link.lastmod = "Tue, 05 Dec 2023 10:00:00 GMT";
    link.charset = "UTF-8";
    link.restime = i % 900;
    int32_t number = FillLoaded(ctx, link);
    if (number < 0) return false;
    for (int first = 1; first >= 0; --first) {
      FillOccurrence at{"http://host0.example.com/section/index" + std::to_string(i / 30) + ".html",
                        "A HREF: link " + std::to_string(i),
                        i % 400 + 1,
                        12,
                        0,
                        2};
      if (!FillReport(ctx, first, number, at)) return false;
    }
    if (i % 10 == 0 && !FillFound(ctx, link, FillOccurrence{})) return false;
  }
  return true;
}

bool RunSize(const std::string& folder, int links) {
  const std::string path = folder + "/bench" + std::to_string(links) + ".fdb";
  remove(path.c_str());
  printf("%d links:\n", links);
  long loaded = 0;
  tagDBCONTEXTINIT init = {};
  init.KeepReport = 1;
  init.ReportMode = 2;
  init.LoadCallback = CountRow;
  init.LoadUser = &loaded;
  tagDBCONTEXT* ctx = DBCreateContext(&init);
  int32_t out = 0;
  if (!ctx || !DBOpenDatabase(ctx, path.c_str(), &out)) {
    fprintf(stderr, "cannot create %s\n", path.c_str());
    return false;
  }
  Clock::time_point start = Clock::now();
  if (!Fill(ctx, links)) {
    fprintf(stderr, "fill failed\n");
    DBFreeContext(ctx);
    return false;
  }
  Report("fill (loaded + report + found)", links * 3L + (links + 9) / 10, Seconds(start));

  struct {
    const char* name;
    int32_t sort;
    int32_t includeFound;
  } const queries[] = {{"report query, unsorted", 0, 0},
                       {"report query, base order", 1, 0},
                       {"report query, by status", 2, 0},
                       {"report query, base order + queue", 1, 1}};
  for (const auto& q : queries) {
    long rows = 0;
    start = Clock::now();
    DBQueryReport(ctx, 2, CountRow, &rows, q.sort, q.includeFound, nullptr);
    Report(q.name, rows, Seconds(start));
  }
  DBFreeContext(ctx);

  ctx = DBCreateContext(&init);
  start = Clock::now();
  int32_t opened = ctx ? DBOpenDatabase(ctx, path.c_str(), &out) : 0;
  Report("reopen (load through the callback)", loaded, Seconds(start));
  DBFreeContext(ctx);
  return opened == 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "scandb-bench";
  mkdir(folder.c_str(), 0755);
  // Firebird's lock and sort files stay beside the databases unless the caller chose.
  const std::string lock = folder + "/lock", tmp = folder + "/tmp";
  mkdir(lock.c_str(), 0755);
  mkdir(tmp.c_str(), 0755);
  setenv("FIREBIRD_LOCK", lock.c_str(), 0);
  setenv("FIREBIRD_TMP", tmp.c_str(), 0);
  setlocale(LC_CTYPE, "");
  const bool scan = argc > 2 && std::string(argv[2]) == "scan";
  std::vector<int> sizes;
  for (int i = scan ? 3 : 2; i < argc; ++i) sizes.push_back(atoi(argv[i]));
  if (scan) {
    if (sizes.empty()) sizes = {1000, 5000, 20000};
    for (int links : sizes)
      if (links <= 0 ||
          !RunScanSimulation(folder + "/scan" + std::to_string(links) + ".fdb", links, 10, 4))
        return 1;
    return 0;
  }
  if (sizes.empty()) sizes = {1000, 20000};
  for (int links : sizes)
    if (links <= 0 || !RunSize(folder, links)) return 1;
  return 0;
}
