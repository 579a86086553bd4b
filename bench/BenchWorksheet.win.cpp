// The benchmark's scan in the program's own frame and worksheet, with the probes that time
// how the window answers while the scan runs.
#include "bench/BenchWorksheet.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "app/Frame.h"
#include "app/Settings.h"
#include "app/SettingsFields.h"
#include "app/SettingsRecord.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "app/Worksheet.h"
#include "tests/app/FrameTestSupport.h"
#include "toolkit/FinderStruct.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT WM_BENCH_PROBE = WM_APP + 70;
constexpr DWORD kProbeMs = 20;
constexpr WPARAM kNewWorksheet = 1100;
constexpr WPARAM kStartScan = 1124;

std::string g_folder;

int AnswerYes(HWND, const char16_t*, const char16_t*, UINT, ...) { return IDYES; }

double MsSince(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

struct Prober {
  HWND frame;
  HANDLE stop;
};

// Each probe carries the time it was posted.
DWORD WINAPI PostProbes(void* arg) {
  const auto* prober = static_cast<const Prober*>(arg);
  while (WaitForSingleObject(prober->stop, kProbeMs) == WAIT_TIMEOUT) {
    PostMessageW(prober->frame, WM_BENCH_PROBE, 0,
                 static_cast<LPARAM>(Clock::now().time_since_epoch().count()));
  }
  return 0;
}

Clock::time_point PostTime(LPARAM posted) {
  return Clock::time_point{Clock::duration(static_cast<Clock::rep>(posted))};
}

double ProbeWaitMs(LPARAM posted) { return MsSince(PostTime(posted)); }

// A probe posted once the start command had returned waited for the run, not for the command.
bool PostedAfter(LPARAM posted, Clock::time_point moment) { return PostTime(posted) >= moment; }

}  // namespace

bool PrepareWorksheetRuns() {
  if (!PrepareFrameClasses(WorksheetWndProc)) return false;
  g_folder = UseTemporarySettings("tl-scan-bench-");
  g_settings.AutosaveWorksheets = 0;
  finderstruct.AnimatedMessageBox = AnswerYes;
  return !g_folder.empty();
}

void EndWorksheetRuns() {
  if (!g_folder.empty()) system(("rm -rf '" + g_folder + "'").c_str());
  g_folder.clear();
}

WorksheetFigures RunInWorksheet(const std::u16string& url, bool allLinks, int threads,
                                int perServer) {
  WorksheetFigures figures;
  tagSETTINGS defaults = {};
  SetDefaultSettings(defaults);
  g_settings.NumThreads = threads > 0 ? static_cast<uint32_t>(threads) : defaults.NumThreads;
  g_settings.ThreadsPerServer =
      perServer > 0 ? static_cast<uint32_t>(perServer) : defaults.ThreadsPerServer;
  g_settings.DisplayAllLinks = allLinks ? 1 : 0;
  HWND frame =
      CreateWindowExW(0, TEST_FRAME_CLASS, u"Tessaline Lite", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      0, 0, 1024, 768, nullptr, nullptr, g_instance, nullptr);
  if (!frame) return figures;
  ShowWindow(frame, SW_SHOWNORMAL);
  SendMessageW(frame, WM_COMMAND, kNewWorksheet, 0);
  HWND worksheet = ActiveWorksheet();
  tagWORKSHEETDATA* data = worksheet ? WorksheetData(worksheet) : nullptr;
  if (!data) {
    DestroyTestFrame(frame);
    return figures;
  }
  SendMessageW(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(worksheet), 0);
  HWND links = GetDlgItem(worksheet, WORKSHEET_LINKS_LIST);
  HWND panel = GetDlgItem(worksheet, WORKSHEET_SITE_PANEL);
  HWND box =
      GetDlgItem(reinterpret_cast<SITEFRAMEDATA*>(GetWindowLongPtrW(panel, GWLP_USERDATA))->Panel,
                 IDC_SITE_URL);
  SetWindowTextW(box, url.c_str());
  UpdateWindow(frame);
  // A user's start command comes after what the new worksheet posted itself.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }

  Prober prober = {frame, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE probes = CreateThread(nullptr, 0, PostProbes, &prober, 0, nullptr);
  const Clock::time_point began = Clock::now();
  SendMessageW(frame, WM_COMMAND, kStartScan, 0);
  const Clock::time_point started = Clock::now();
  figures.startCommandMs = MsSince(began);
  figures.ran = data->Running != 0;
  long rows = 0;
  long changes = 0;
  Clock::time_point changed = began;
  while (data->Running && GetMessageW(&msg, nullptr, 0, 0)) {
    if (msg.message == WM_BENCH_PROBE) {
      const double waited = ProbeWaitMs(msg.lParam);
      figures.worstAnswerMs = std::max(figures.worstAnswerMs, waited);
      if (PostedAfter(msg.lParam, started))
        figures.worstRunAnswerMs = std::max(figures.worstRunAnswerMs, waited);
    } else {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const long now = static_cast<long>(SendMessageW(links, LVM_GETITEMCOUNT, 0, 0));
    if (now != rows) {
      figures.longestStillMs = std::max(figures.longestStillMs, MsSince(changed));
      changed = Clock::now();
      rows = now;
      ++changes;
    }
  }
  figures.seconds = std::chrono::duration<double>(Clock::now() - began).count();
  figures.updatesPerSecond = static_cast<double>(changes) / figures.seconds;
  SetEvent(prober.stop);
  WaitForSingleObject(probes, INFINITE);
  CloseHandle(probes);
  CloseHandle(prober.stop);
  figures.linkRows = static_cast<long>(SendMessageW(links, LVM_GETITEMCOUNT, 0, 0));
  const long top = static_cast<long>(SendMessageW(links, LVM_GETTOPINDEX, 0, 0));
  const long page = static_cast<long>(SendMessageW(links, LVM_GETCOUNTPERPAGE, 0, 0));
  figures.newestInView = figures.linkRows - 1 >= top && figures.linkRows - 1 <= top + page;
  figures.newestSelected =
      SendMessageW(links, LVM_GETNEXTITEM, -1, LVNI_SELECTED) == figures.linkRows - 1;
  figures.brokenRows = static_cast<long>(
      SendMessageW(GetDlgItem(worksheet, WORKSHEET_BROKEN_LIST), LVM_GETITEMCOUNT, 0, 0));
  DestroyTestFrame(frame);
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  return figures;
}
