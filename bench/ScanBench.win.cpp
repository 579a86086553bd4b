// Times a real scan: a generated site served by nginx on 127.0.0.1, checked by a CLinkFinder
// with the default settings on a fresh worksheet file, and the rows and requests it left.
// Usage: scan_bench [--windows] [--all-links] [--x11] [--threads N] [--per-server N]
// [pages...] (default 5000). The engine first runs without any window; --windows then scans
// the same site in the program's own worksheet window, --all-links once more with "Display
// all processed links" on, each timed against the windowless run. --x11 refuses to run
// unless Wine draws through its x11 driver (see bench/scan_bench_x11.sh).
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/SettingsFields.h"
#include "bench/BenchSite.h"
#include "bench/BenchWorksheet.h"
#include "engine/LinkFinder.h"
#include "engine/Records.h"
#include "scandb/ScanDb.h"
#include "tests/support/TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

const unsigned kSeed = 19;

struct Options {
  bool windows = false;
  bool allLinks = false;
  bool x11 = false;
  int threads = 0;    // 0: the default setting
  int perServer = 0;  // 0: the default setting
  std::vector<long> sizes;
};

long PeakResidentKB() {
  FILE* status = fopen("/proc/self/status", "r");
  long kb = -1;
  char line[256];
  while (status && fgets(line, sizeof line, status))
    if (!strncmp(line, "VmHWM:", 6)) kb = atol(line + 6);
  if (status) fclose(status);
  return kb;
}

// Waits for the done event, handling this thread's messages meanwhile.
void PumpUntil(HANDLE done) {
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) return;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

struct Stored {
  int32_t loaded = -1, report = -1, found = -1;
  long broken = 0;
  long brokenOccurrences = 0;
};

void CountRow(void* user, int32_t, int32_t, int32_t first, int32_t, const char*, const char*,
              const char*, int32_t, const char*, const char*, const char*, int32_t, int32_t,
              const char*, const char*, const char*, const char*, const char*, const char*,
              const char*, int32_t statusval, int32_t, int32_t, const char*, const char*, int32_t,
              int32_t, int32_t, int32_t, int32_t*) {
  Stored& stored = *static_cast<Stored*>(user);
  if (!IsBrokenStatusVal(statusval)) return;
  ++stored.brokenOccurrences;
  if (first) ++stored.broken;
}

void IgnoreRow(void*, int32_t, int32_t, int32_t, int32_t, const char*, const char*, const char*,
               int32_t, const char*, const char*, const char*, int32_t, int32_t, const char*,
               const char*, const char*, const char*, const char*, const char*, const char*,
               int32_t, int32_t, int32_t, const char*, const char*, int32_t, int32_t, int32_t,
               int32_t, int32_t*) {}

Stored ReadWorksheet(const std::string& path) {
  Stored stored;
  tagDBCONTEXTINIT init = {};
  init.KeepReport = 1;
  init.ReportMode = 2;
  init.LoadCallback = IgnoreRow;
  tagDBCONTEXT* ctx = DBCreateContext(&init);
  int32_t cancelled = 0;
  if (ctx && DBOpenDatabase(ctx, path.c_str(), &cancelled)) {
    DBCountRows(ctx, "loaded", &stored.loaded);
    DBCountRows(ctx, "report", &stored.report);
    DBCountRows(ctx, "found", &stored.found);
    DBQueryReport(ctx, 2, CountRow, &stored, 0, 0, nullptr);
  }
  DBFreeContext(ctx);
  return stored;
}

void PrintRequests(const AccessCounts& counts, const SiteExpectation& expect) {
  printf("  requests: %ld (", counts.requests);
  const char* separator = "";
  for (const auto& method : counts.byMethod) {
    printf("%s%s %ld", separator, method.first.c_str(), method.second);
    separator = ", ";
  }
  printf("); %.2f per page, %.2f per link\n",
         static_cast<double>(counts.requests) / static_cast<double>(expect.pages),
         static_cast<double>(counts.requests) / static_cast<double>(expect.uniqueLinks));
  printf("  paths requested more than once: %zu (%ld requests)", counts.repeatedPaths.size(),
         counts.requestsOfRepeated);
  int shown = 0;
  for (const auto& path : counts.repeatedPaths) {
    if (shown++ == 5) break;
    printf("%s %s x%ld", shown == 1 ? ", e.g." : ",", path.first.c_str(), path.second);
  }
  printf("\n");
}

bool Check(const char* what, long got, long expected) {
  if (got == expected) return true;
  printf("  CHECK FAILED: %s %ld, expected %ld\n", what, got, expected);
  return false;
}

// One scan in the worksheet window, its figures beside their targets and its rows checked
// against the windowless run's.
bool ReportWorksheetRun(const std::u16string& start, bool allLinks, const Options& options,
                        double headless, const Stored& stored) {
  const WorksheetFigures figures =
      RunInWorksheet(start, allLinks, options.threads, options.perServer);
  if (!figures.ran) {
    printf("  CHECK FAILED: the scan did not start in the worksheet\n");
    return false;
  }
  const double target = allLinks ? 2.0 : 1.5;
  printf("  worksheet window%s: wall %.2f s, %.2fx the windowless run (target <= %.1fx)\n",
         allLinks ? " with all processed links" : "", figures.seconds, figures.seconds / headless,
         target);
  printf("    worst wait of a message posted to the frame %.0f ms (target <= 100 ms)\n",
         figures.worstAnswerMs);
  printf("    list updates %.1f a second (target >= 4), longest without one %.0f ms\n",
         figures.updatesPerSecond, figures.longestStillMs);
  printf("    rows: links list %ld, broken list %ld\n", figures.linkRows, figures.brokenRows);
  bool ok = Check("links list rows", figures.linkRows, allLinks ? stored.report : stored.loaded);
  ok = Check("newest row in view", figures.newestInView, 1) && ok;
  ok = Check("newest row selected", figures.newestSelected, 1) && ok;
  return Check("broken list rows", figures.brokenRows, stored.brokenOccurrences) && ok;
}

bool RunSize(const std::string& root, long pages, const Options& options) {
  const std::string folder = root + "/site" + std::to_string(pages);
  const SiteExpectation expect = GenerateSite(folder, pages, kSeed);
  SiteServer server;
  if (!StartSiteServer(folder, server)) {
    fprintf(stderr, "nginx did not start (see %s/nginx/error.log)\n", folder.c_str());
    return false;
  }
  ClearAccessLog(server);
  const std::string file = folder + "/scan.fdb";
  remove(file.c_str());

  tagSETTINGS settings = {};
  SetDefaultSettings(settings);
  if (options.threads > 0) settings.NumThreads = static_cast<uint32_t>(options.threads);
  if (options.perServer > 0) settings.ThreadsPerServer = static_cast<uint32_t>(options.perServer);
  tagSITESETTINGS site;
  InitSiteSettings(site);
  HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  const std::u16string dosFile = DosPath(file);
  CLinkFinder* engine =
      new CLinkFinder(OLDFORMAT_NONE, dosFile.c_str(), dosFile.c_str(), &settings, nullptr, nullptr,
                      nullptr, nullptr, nullptr, 0, CONSOLE_NONE, done);
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port) + "/p/0.html";
  const std::u16string start(url.begin(), url.end());
  engine->SetSettings(start.c_str(), &site, 0);
  const Clock::time_point began = Clock::now();
  const bool started = engine->StartFinder() == 1;
  if (started) PumpUntil(done);
  const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
  const long peakKB = PeakResidentKB();
  delete engine;
  CloseHandle(done);
  const AccessCounts counts = ReadAccessLog(server);
  if (!started) {
    StopSiteServer(server);
    fprintf(stderr, "the scan did not start\n");
    return false;
  }

  printf("%ld pages, %u workers, %u per server, windowless:\n", pages, settings.NumThreads,
         settings.ThreadsPerServer);
  printf("  wall %.2f s, %.3f ms per page, %.3f ms per link, peak resident %.1f MB\n", seconds,
         seconds * 1000 / static_cast<double>(pages),
         seconds * 1000 / static_cast<double>(expect.uniqueLinks), peakKB / 1024.0);
  PrintRequests(counts, expect);
  const Stored stored = ReadWorksheet(file);
  printf("  rows: loaded %d, report %d, found %d, broken %ld\n", stored.loaded, stored.report,
         stored.found, stored.broken);
  bool ok = Check("loaded rows", stored.loaded, expect.uniqueLinks);
  ok = Check("report rows", stored.report, expect.occurrences) && ok;
  ok = Check("found rows", stored.found, 0) && ok;
  ok = Check("broken links", stored.broken, expect.broken) && ok;
  if (options.windows) ok = ReportWorksheetRun(start, false, options, seconds, stored) && ok;
  if (options.allLinks) ok = ReportWorksheetRun(start, true, options, seconds, stored) && ok;
  if (options.windows || options.allLinks) {
    printf("  peak resident of the process %.1f MB\n", PeakResidentKB() / 1024.0);
  }
  StopSiteServer(server);
  fflush(stdout);
  return ok;
}

// The display driver Wine draws this process's windows with.
const char* DisplayDriver() {
  HWND probe =
      CreateWindowW(u"STATIC", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  HDC dc = GetDC(probe);
  ReleaseDC(probe, dc);
  DestroyWindow(probe);
  if (GetModuleHandleW(u"winex11.drv")) return "x11";
  return "null";
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--windows") {
      options.windows = true;
    } else if (arg == "--all-links") {
      options.allLinks = true;
    } else if (arg == "--x11") {
      options.x11 = true;
    } else if ((arg == "--threads" || arg == "--per-server") && i + 1 < argc) {
      (arg == "--threads" ? options.threads : options.perServer) = atoi(argv[++i]);
    } else if (atol(argv[i]) > 0) {
      options.sizes.push_back(atol(argv[i]));
    } else {
      return false;
    }
  }
  if (options.sizes.empty()) options.sizes.push_back(5000);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    fprintf(stderr,
            "usage: scan_bench [--windows] [--all-links] [--x11] [--threads N] [--per-server N] "
            "[pages...]\n");
    return 2;
  }
  const std::string root = TL_BENCH_FOLDER;
  CreateDirectoryW(DosPath(root).c_str(), nullptr);
  // Firebird's lock and sort files stay beside the worksheets, and it reads file names in
  // the locale's character set.
  const std::string lock = root + "/lock", tmp = root + "/tmp";
  CreateDirectoryW(DosPath(lock).c_str(), nullptr);
  CreateDirectoryW(DosPath(tmp).c_str(), nullptr);
  setenv("FIREBIRD_LOCK", lock.c_str(), 0);
  setenv("FIREBIRD_TMP", tmp.c_str(), 0);
  setlocale(LC_CTYPE, "C.UTF-8");
  if ((options.windows || options.allLinks) && !PrepareWorksheetRuns()) {
    fprintf(stderr, "the frame's classes and settings could not be made\n");
    return 1;
  }
  const char* driver = DisplayDriver();
  printf("display driver: %s\n", driver);
  if (options.x11 && strcmp(driver, "x11") != 0) {
    fprintf(stderr, "--x11: Wine does not draw through its x11 driver here\n");
    return 2;
  }
  bool ok = true;
  for (long pages : options.sizes) ok = RunSize(root, pages, options) && ok;
  EndWorksheetRuns();
  return ok ? 0 : 1;
}
