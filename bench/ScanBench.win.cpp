// Times a real scan: a generated site served by nginx on 127.0.0.1, checked by a CLinkFinder
// with the default settings on a fresh worksheet file, and the rows and requests it left.
// Usage: scan_bench [--windows] [--all-links] [--x11] [--workers] [--threads N]
// [--per-server N] [--wide N] [pages...] (default 5000). The engine first runs without any
// window; --windows then scans the same site in the program's own worksheet window, --all-links
// once more with "Display all processed links" on, each timed against the windowless run. --x11
// refuses to run unless Wine draws through its x11 driver (see bench/scan_bench_x11.sh). With
// --workers each size is scanned by 1 worker, by 10 workers at 10 per server and by 10 at the
// default per-server limit, and the ratios are printed. --wide N scans one page of N links
// instead of the sites. Each figure is printed beside its target.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
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
  bool workers = false;
  int threads = 0;    // 0: the default setting
  int perServer = 0;  // 0: the default setting
  long widePage = 0;  // links of the one page scanned instead of the sites; 0: the sites
  std::vector<long> sizes;
};

// Starts the peak resident size afresh, so that each run reports its own.
void ResetPeakResident() {
  FILE* refs = fopen("/proc/self/clear_refs", "w");
  if (!refs) return;
  fputs("5", refs);
  fclose(refs);
}

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

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

void PrintRequests(const AccessCounts& counts, const SiteExpectation& expect) {
  printf("  requests: %ld (", counts.requests);
  const char* separator = "";
  for (const auto& method : counts.byMethod) {
    printf("%s%s %ld", separator, method.first.c_str(), method.second);
    separator = ", ";
  }
  const double perLink =
      static_cast<double>(counts.requests) / static_cast<double>(expect.uniqueLinks);
  printf("); %.2f per page, %.2f per link; target 1.00 per link: %s\n",
         static_cast<double>(counts.requests) / static_cast<double>(expect.pages), perLink,
         Verdict(counts.requests == expect.uniqueLinks));
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
  const double target = options.widePage ? 3.0 : allLinks ? 2.0 : 1.5;
  printf("  worksheet window%s: wall %.2f s, %.2fx the windowless run (target <= %.1fx)\n",
         allLinks ? " with all processed links" : "", figures.seconds, figures.seconds / headless,
         target);
  printf("    worst wait of a message posted to the frame %.0f ms (target <= 100 ms)\n",
         figures.worstAnswerMs);
  printf("      of which: the start command held the window %.0f ms; worst wait after it %.0f ms\n",
         figures.startCommandMs, figures.worstRunAnswerMs);
  printf("    list updates %.1f a second (target >= 4), longest without one %.0f ms\n",
         figures.updatesPerSecond, figures.longestStillMs);
  printf("    rows: links list %ld, broken list %ld\n", figures.linkRows, figures.brokenRows);
  bool ok = Check("links list rows", figures.linkRows, allLinks ? stored.report : stored.loaded);
  ok = Check("newest row in view", figures.newestInView, 1) && ok;
  ok = Check("newest row selected", figures.newestSelected, 1) && ok;
  return Check("broken list rows", figures.brokenRows, stored.brokenOccurrences) && ok;
}

// What one scan measured; seconds is negative when it did not run or its rows were wrong.
struct Measured {
  double seconds = -1;
  long pages = 0;
  double PerPageMs() const { return seconds * 1000 / static_cast<double>(pages); }
};

Measured RunSize(const std::string& root, long pages, const Options& options) {
  Measured measured;
  measured.pages = pages;
  const std::string folder = options.widePage ? root + "/wide" + std::to_string(options.widePage)
                                              : root + "/site" + std::to_string(pages);
  const SiteExpectation expect = options.widePage ? GenerateWidePage(folder, options.widePage)
                                                  : GenerateSite(folder, pages, kSeed);
  SiteServer server;
  if (!StartSiteServer(folder, server)) {
    fprintf(stderr, "nginx did not start (see %s/nginx/error.log)\n", folder.c_str());
    return measured;
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
  ResetPeakResident();
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
    return measured;
  }

  if (options.widePage) printf("one page of %ld links: ", options.widePage);
  printf("%ld pages, %u workers, %u per server, windowless:\n", pages, settings.NumThreads,
         settings.ThreadsPerServer);
  printf("  wall %.2f s, %.3f ms per page, %.3f ms per link\n", seconds,
         seconds * 1000 / static_cast<double>(pages),
         seconds * 1000 / static_cast<double>(expect.uniqueLinks));
  if (pages == 5000)
    printf("  target: 5,000 pages in under 2.5 s: %.2f s, %s\n", seconds, Verdict(seconds < 2.5));
  printf("  peak resident %.1f MB", peakKB / 1024.0);
  if (pages == 5000)
    printf("; target at 5,000 pages under 100 MB: %s", Verdict(peakKB < 100 * 1024));
  printf("\n");
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
    const long processKB = PeakResidentKB();
    printf("  peak resident of the process %.1f MB", processKB / 1024.0);
    if (options.widePage) printf("; target under 1 GB: %s", Verdict(processKB < 1024 * 1024));
    printf("\n");
  }
  StopSiteServer(server);
  fflush(stdout);
  if (ok) measured.seconds = seconds;
  return measured;
}

// 1 worker against 10, at 10 per server and at the default limit, in one run so that the
// ratios hold on a busy machine.
bool CompareWorkers(const std::string& root, long pages, const Options& options) {
  Options one = options, ten = options, tenDefault = options;
  one.threads = 1;
  one.perServer = 10;
  ten.threads = 10;
  ten.perServer = 10;
  tenDefault.threads = 10;
  tenDefault.perServer = 0;
  const Measured single = RunSize(root, pages, one);
  const Measured wide = RunSize(root, pages, ten);
  const Measured standard = RunSize(root, pages, tenDefault);
  if (single.seconds < 0 || wide.seconds < 0 || standard.seconds < 0) return false;
  const double wideRatio = single.seconds / wide.seconds;
  const double standardRatio = single.seconds / standard.seconds;
  printf("%ld pages, 1 worker against 10:\n", pages);
  printf("  10 per server: %.2fx faster; target at least 4x: %s\n", wideRatio,
         Verdict(wideRatio >= 4));
  printf("  default per-server limit: %.2fx faster; target at least 3x: %s\n", standardRatio,
         Verdict(standardRatio >= 3));
  fflush(stdout);
  return true;
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
    } else if (arg == "--workers") {
      options.workers = true;
    } else if (arg == "--wide" && i + 1 < argc && atol(argv[i + 1]) > 0) {
      options.widePage = atol(argv[++i]);
    } else if ((arg == "--threads" || arg == "--per-server") && i + 1 < argc) {
      (arg == "--threads" ? options.threads : options.perServer) = atoi(argv[++i]);
    } else if (atol(argv[i]) > 0) {
      options.sizes.push_back(atol(argv[i]));
    } else {
      return false;
    }
  }
  if (options.widePage) options.sizes.assign(1, 1);
  if (options.sizes.empty()) options.sizes.push_back(5000);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    fprintf(stderr,
            "usage: scan_bench [--windows] [--all-links] [--x11] [--workers] [--threads N] "
            "[--per-server N] [--wide N] [pages...]\n");
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
  if (options.workers) {
    for (long pages : options.sizes) ok = CompareWorkers(root, pages, options) && ok;
    EndWorksheetRuns();
    return ok ? 0 : 1;
  }
  std::vector<Measured> runs;
  for (long pages : options.sizes) {
    const Measured measured = RunSize(root, pages, options);
    ok = measured.seconds >= 0 && ok;
    if (measured.seconds >= 0) runs.push_back(measured);
  }
  if (runs.size() > 1) {
    auto bySize = [](const Measured& a, const Measured& b) { return a.pages < b.pages; };
    const Measured fewest = *std::min_element(runs.begin(), runs.end(), bySize);
    const Measured most = *std::max_element(runs.begin(), runs.end(), bySize);
    const double growth = most.PerPageMs() / fewest.PerPageMs();
    printf("time per page at %ld pages against %ld: %.2fx; target within 1.2x: %s\n", most.pages,
           fewest.pages, growth, Verdict(growth <= 1.2));
  }
  EndWorksheetRuns();
  return ok ? 0 : 1;
}
