// Times a real scan: a generated site served by nginx on 127.0.0.1, checked by a CLinkFinder
// with the default settings on a fresh worksheet file, and the rows and requests it left.
// Usage: scan_bench [--windows] [--threads N] [--per-server N] [--workers] [pages...] (default
// 5000). With --windows the engine writes into real list views and a tree view on this thread,
// which pumps messages while the scan runs; without, it has no window at all. With --workers
// each size is scanned by 1 worker, by 10 workers at 10 per server and by 10 at the default
// per-server limit, and the ratios are printed. Each figure is printed beside its target.
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
#include "engine/LinkFinder.h"
#include "engine/Records.h"
#include "scandb/ScanDb.h"

namespace {

using Clock = std::chrono::steady_clock;

const unsigned kSeed = 19;

struct Options {
  bool windows = false;
  bool workers = false;
  int threads = 0;    // 0: the default setting
  int perServer = 0;  // 0: the default setting
  std::vector<long> sizes;
};

std::u16string DosPath(const std::string& unixPath) {
  WCHAR* dos = wine_get_dos_file_name(unixPath.c_str());
  std::u16string path = dos ? dos : u"";
  HeapFree(GetProcessHeap(), 0, dos);
  return path;
}

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

// The windows of a worksheet: the links list, the layout tree and the broken-links list.
struct Views {
  HWND frame = nullptr;
  HWND links = nullptr;
  HWND tree = nullptr;
  HWND broken = nullptr;
};

HWND ListView(HWND parent, int columns, int y) {
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, u"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, y, 780,
                              280, parent, nullptr, nullptr, nullptr);
  for (int i = 0; i < columns; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 60;
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

Views MakeViews() {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&init);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = u"TlScanBenchWorksheet";
  RegisterClassW(&wc);
  Views views;
  views.frame = CreateWindowW(wc.lpszClassName, u"scan_bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                              0, 800, 900, nullptr, nullptr, wc.hInstance, nullptr);
  views.links = ListView(views.frame, 15, 0);
  views.tree = CreateWindowExW(0, WC_TREEVIEWW, u"", WS_CHILD | WS_VISIBLE | TVS_HASLINES, 0, 290,
                               780, 280, views.frame, nullptr, nullptr, nullptr);
  views.broken = ListView(views.frame, 4, 580);
  return views;
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
};

void CountRow(void* user, int32_t, int32_t, int32_t first, int32_t, const char*, const char*,
              const char*, int32_t, const char*, const char*, const char*, int32_t, int32_t,
              const char*, const char*, const char*, const char*, const char*, const char*,
              const char*, int32_t statusval, int32_t, int32_t, const char*, const char*, int32_t,
              int32_t, int32_t, int32_t, int32_t*) {
  Stored& stored = *static_cast<Stored*>(user);
  if (first && IsBrokenStatusVal(statusval)) ++stored.broken;
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

// What one scan measured; seconds is negative when it did not run or its rows were wrong.
struct Measured {
  double seconds = -1;
  long pages = 0;
  double PerPageMs() const { return seconds * 1000 / static_cast<double>(pages); }
};

Measured RunSize(const std::string& root, long pages, const Options& options) {
  Measured measured;
  measured.pages = pages;
  const std::string folder = root + "/site" + std::to_string(pages);
  const SiteExpectation expect = GenerateSite(folder, pages, kSeed);
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
  Views views;
  if (options.windows) views = MakeViews();
  HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  const std::u16string dosFile = DosPath(file);
  CLinkFinder* engine =
      new CLinkFinder(OLDFORMAT_NONE, dosFile.c_str(), dosFile.c_str(), &settings, views.frame,
                      views.frame, views.links, views.tree, views.broken, 0, CONSOLE_NONE, done);
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
  if (views.frame) DestroyWindow(views.frame);
  const AccessCounts counts = ReadAccessLog(server);
  StopSiteServer(server);
  if (!started) {
    fprintf(stderr, "the scan did not start\n");
    return measured;
  }

  printf("%ld pages, %u workers, %u per server, %s:\n", pages, settings.NumThreads,
         settings.ThreadsPerServer,
         options.windows ? "list views on a pumping GUI thread" : "headless");
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

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--windows") {
      options.windows = true;
    } else if (arg == "--workers") {
      options.workers = true;
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
            "usage: scan_bench [--windows] [--threads N] [--per-server N] [--workers] "
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
  bool ok = true;
  if (options.workers) {
    for (long pages : options.sizes) ok = CompareWorkers(root, pages, options) && ok;
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
  return ok ? 0 : 1;
}
