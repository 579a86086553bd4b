// What follows the end of a scan: the real frame and worksheets in this process scanning a
// site on 127.0.0.1, with the close seen by a hook and the hang-up and power-off handed to
// recorders. Runs alone: it shows windows.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AfterScan.h"
#include "app/CommandStates.h"
#include "app/Frame.h"
#include "app/Settings.h"
#include "app/SettingsRecord.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "app/SystemActions.h"
#include "app/Worksheet.h"
#include "engine/CheckLinkHook.h"
#include "engine/LinkFinder.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/engine/TestSite.h"
#include "tests/support/WinHarness.h"
#include "toolkit/FinderStruct.h"

namespace {

// What the actions did, in order: "close", "hang up N", "power off".
std::vector<std::string> gActions;

HHOOK gCloseHook;
LRESULT CALLBACK SeeFrameClose(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code >= 0 && sent->message == WM_CLOSE && sent->hwnd == g_frame) gActions.push_back("close");
  return CallNextHookEx(gCloseHook, code, wParam, lParam);
}

// Disables the shutdown privilege; whether it was enabled before.
bool DisableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return false;
  }
  TOKEN_PRIVILEGES privileges = {}, before = {};
  privileges.PrivilegeCount = 1;
  LookupPrivilegeValueW(nullptr, u"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
  DWORD size = sizeof before;
  AdjustTokenPrivileges(token, FALSE, &privileges, sizeof before, &before, &size);
  CloseHandle(token);
  return before.PrivilegeCount == 1 && (before.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);
}

BOOL WINAPI RecordPowerOff(UINT flags, DWORD) {
  gActions.push_back(flags == EWX_POWEROFF && DisableShutdownPrivilege()
                         ? "power off"
                         : "power off without the privilege, flags " + std::to_string(flags));
  return TRUE;
}

// The enumerator's script: each call answers the next step, the last one repeating.
struct RasStep {
  DWORD result;
  DWORD entries;  // 603: the room it asks for; success: the connections it reports
};
std::vector<RasStep> gRasScript;
int gRasCalls;
int gRasFrees;
bool gRasLoads;
DWORD WINAPI ScriptedEnum(LPRASCONNA connections, LPDWORD bytes, LPDWORD count) {
  const RasStep& step = gRasScript[std::min<size_t>(gRasCalls++, gRasScript.size() - 1)];
  const DWORD room = *bytes / sizeof(RASCONNA);
  for (DWORD i = 0; i < room; ++i) {
    if (connections[i].dwSize != sizeof(RASCONNA)) return ERROR_INVALID_SIZE;
  }
  if (step.result == ERROR_BUFFER_TOO_SMALL) {
    *bytes = step.entries * sizeof(RASCONNA);
    return step.result;
  }
  if (step.result != ERROR_SUCCESS) return step.result;
  for (DWORD i = 0; i < step.entries && i < room; ++i) {
    connections[i].hRasConn = reinterpret_cast<HRASCONN>(static_cast<UINT_PTR>(i + 1));
  }
  *count = step.entries;
  return ERROR_SUCCESS;
}
DWORD WINAPI RecordHangUp(HRASCONN connection) {
  gActions.push_back("hang up " + std::to_string(reinterpret_cast<UINT_PTR>(connection)));
  return 0;
}
bool LoadScriptedRas(tagRASCALLS* calls) {
  if (!gRasLoads) return false;
  *calls = {nullptr, ScriptedEnum, RecordHangUp};
  return true;
}
void FreeScriptedRas(tagRASCALLS*) { ++gRasFrees; }

// Holds the check of every link whose path starts with /hold until released.
std::atomic<int> gHolds{0};
HANDLE gRelease;
void HoldMarkedCheck(const tagTreeListItemFull* item) {
  if (std::u16string(item->resource).rfind(u"/hold", 0) != 0) return;
  ++gHolds;
  WaitForSingleObject(gRelease, 60000);
}

// A box would stop the close until answered: the actions must never run into one.
int gBoxes;
int CountBox(HWND, const char16_t*, const char16_t*, UINT, ...) {
  ++gBoxes;
  return IDNO;
}

// The program's message loop ends with the code of the quit message the frame posts.
int gQuits;
WPARAM gQuitCode;

class AfterScanTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(PrepareFrameClasses(WorksheetWndProc));
    unixFolder_ = UseTemporarySettings("tl-after-scan-");
    g_settings.NumThreads = 4;
    g_settings.ThreadsPerServer = 4;
    g_settings.AutosaveWorksheets = 0;
    site_ = new TestSite;
    ASSERT_TRUE(site_->Start());
    gRelease = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g_checkLinkHook = HoldMarkedCheck;
    gCloseHook = SetWindowsHookExW(WH_CALLWNDPROC, SeeFrameClose, nullptr, GetCurrentThreadId());
    SetPumpFilter([](MSG* message) {
      if (message->message != WM_QUIT) return false;
      ++gQuits;
      gQuitCode = message->wParam;
      return true;
    });
    finderstruct.AnimatedMessageBox = CountBox;
    g_systemActions.ShutDown = RecordPowerOff;
    g_systemActions.LoadRas = LoadScriptedRas;
    g_systemActions.FreeRas = FreeScriptedRas;
  }
  static void TearDownTestSuite() {
    SetPumpFilter(nullptr);
    UnhookWindowsHookEx(gCloseHook);
    g_checkLinkHook = nullptr;
    delete site_;
    EXPECT_EQ(0, system(("rm -rf '" + unixFolder_ + "'").c_str()));
  }

  void SetUp() override {
    gActions.clear();
    gRasScript = {{ERROR_SUCCESS, 0}};
    gRasCalls = gRasFrees = 0;
    gRasLoads = true;
    gQuits = gBoxes = 0;
    gQuitCode = 99;
    gHolds = 0;
    ResetEvent(gRelease);
    g_settings.CloseWhenDone = g_settings.DisconnWhenDone = g_settings.ShutdownWhenDone = 0;
    ASSERT_TRUE(OpenFrame());
  }
  void TearDown() override {
    SetEvent(gRelease);
    for (HWND worksheet : ListWorksheets()) {
      if (tagWORKSHEETDATA* data = WorksheetData(worksheet)) {
        if (data->Running) SendMessageW(worksheet, WM_COMMAND, 1125, 0);
        PumpUntil(
            [&] {
              SetEvent(gRelease);
              return !data->Running;
            },
            60000);
      }
    }
    DestroyTestFrame(frame);
    PumpMessages(10);
    EXPECT_EQ(0, gBoxes);
  }

  bool OpenFrame() {
    frame = CreateWindowExW(0, TEST_FRAME_CLASS, u"Tessaline Lite",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 900, 600, nullptr, nullptr,
                            g_instance, nullptr);
    if (!frame) return false;
    ShowWindow(frame, SW_SHOWNORMAL);
    PumpMessages(10);
    return true;
  }
  // A new worksheet scanning path of the site; a /hold path keeps it running until
  // released.
  HWND StartScan(const char* path) {
    SendMessageW(frame, WM_COMMAND, 1100, 0);
    HWND worksheet = ActiveWorksheet();
    tagWORKSHEETDATA* data = WorksheetData(worksheet);
    if (!data || !data->Finder) return nullptr;
    const std::string url = "http://127.0.0.1:" + std::to_string(site_->Port()) + path;
    FillSitePanel(GetDlgItem(worksheet, WORKSHEET_SITE_PANEL),
                  std::u16string(url.begin(), url.end()).c_str(), data->Finder->GetSettings());
    SendMessageW(worksheet, WM_COMMAND, 1124, 0);
    return data->Running ? worksheet : nullptr;
  }
  // Waits until `count` checks have been held since gHolds was last zeroed.
  static bool WaitHolds(int count) {
    return PumpUntil([&] { return gHolds >= count; }, 30000);
  }
  static bool WaitFor(HWND worksheet, int state) {
    return PumpUntil([&] { return WorksheetRunState(WorksheetData(worksheet)) == state; }, 60000);
  }
  // The posted follow-up of an end has been handled once the queue is drained.
  static void Settle() { PumpMessages(30); }

  static std::string unixFolder_;
  static TestSite* site_;
  HWND frame = nullptr;
};
std::string AfterScanTest::unixFolder_;
TestSite* AfterScanTest::site_;

// The last worker's end message and the close that deletes its engine race; a paused
// worksheet is deleted with the frame too. A round takes seconds: TL_AFTER_SCAN_ROUNDS asks
// for more than the default few.
TEST_F(AfterScanTest, AScanEndingBesideAPausedOneClosesTheProgram) {
  const char* asked = getenv("TL_AFTER_SCAN_ROUNDS");
  const int rounds = asked ? atoi(asked) : 4;
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE(round);
    if (round) {
      ASSERT_TRUE(OpenFrame());
    }
    g_settings.CloseWhenDone = 1;
    gHolds = 0;
    HWND paused = StartScan("/hold.html");
    ASSERT_NE(nullptr, paused);
    ASSERT_TRUE(WaitHolds(1));
    SendMessageW(paused, WM_COMMAND, 1128, 0);
    SetEvent(gRelease);
    ASSERT_TRUE(WaitFor(paused, RUN_PAUSED));
    Settle();
    ASSERT_TRUE(IsWindow(frame)) << "a pause is not the end of a scan";

    ASSERT_NE(nullptr, StartScan("/gated.html"));
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(frame); }, 60000));
    Settle();
    EXPECT_EQ(1, gQuits);
    EXPECT_EQ(0u, gQuitCode);
    EXPECT_EQ(std::vector<std::string>{"close"}, gActions);
    gQuits = 0;
    gActions.clear();
  }
}

TEST_F(AfterScanTest, ActionsWaitForTheLastRunAndAnEnabledFrameThenRunInOrder) {
  g_settings.CloseWhenDone = g_settings.DisconnWhenDone = g_settings.ShutdownWhenDone = 1;
  gRasScript = {{ERROR_BUFFER_TOO_SMALL, 2}, {ERROR_BUFFER_TOO_SMALL, 3}, {ERROR_SUCCESS, 3}};
  DisableShutdownPrivilege();
  HWND running = StartScan("/hold.html");
  ASSERT_NE(nullptr, running);
  ASSERT_TRUE(WaitHolds(1));
  HWND ended = StartScan("/cookie.html");
  ASSERT_NE(nullptr, ended);
  ASSERT_TRUE(WaitFor(ended, RUN_STOPPED));
  Settle();
  EXPECT_TRUE(gActions.empty()) << "another worksheet is still running";

  // A box or dialog has the frame disabled: the actions wait for it to go.
  EnableWindow(frame, FALSE);
  SetEvent(gRelease);
  ASSERT_TRUE(WaitFor(running, RUN_STOPPED));
  PumpMessages(1200);
  EXPECT_TRUE(gActions.empty());
  EXPECT_TRUE(IsWindow(frame));

  EnableWindow(frame, TRUE);
  ASSERT_TRUE(PumpUntil([] { return gActions.size() >= 5; }, 10000));
  EXPECT_EQ((std::vector<std::string>{"close", "hang up 1", "hang up 2", "hang up 3", "power off"}),
            gActions);
  EXPECT_EQ(3, gRasCalls);
  EXPECT_EQ(1, gRasFrees);
  EXPECT_FALSE(IsWindow(frame));
}

TEST_F(AfterScanTest, ARunTheUserStopsOrPausesIsNotDone) {
  g_settings.CloseWhenDone = g_settings.DisconnWhenDone = g_settings.ShutdownWhenDone = 1;
  HWND worksheet = StartScan("/hold.html");
  ASSERT_NE(nullptr, worksheet);
  const struct {
    UINT command;
    int state;
  } ends[] = {{1125, RUN_STOPPED}, {1128, RUN_PAUSED}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(ends[i].command);
    if (i) SendMessageW(worksheet, WM_COMMAND, 1124, 0);
    ASSERT_TRUE(WaitHolds(i + 1));
    SendMessageW(worksheet, WM_COMMAND, ends[i].command, 0);
    SetEvent(gRelease);
    ASSERT_TRUE(WaitFor(worksheet, ends[i].state));
    Settle();
    EXPECT_TRUE(gActions.empty());
  }

  // Resumed, the run ends on its own.
  SendMessageW(worksheet, WM_COMMAND, 1124, 0);
  SetEvent(gRelease);
  ASSERT_TRUE(PumpUntil([] { return gActions.size() >= 2; }, 60000));
  EXPECT_EQ((std::vector<std::string>{"close", "power off"}), gActions);
}

// Hostile or failing enumerators end the hang-up without a fault; rasapi32's real entry
// points bind.
TEST_F(AfterScanTest, HangUpFollowsWhatTheEnumeratorReports) {
  struct Case {
    const char* name;
    std::vector<RasStep> script;
    int hangUps;
    int calls;
  } cases[] = {
      {"asks twice for more room", {{603, 2}, {603, 3}, {ERROR_SUCCESS, 3}}, 3, 3},
      {"asks for room it already has", {{603, 1}}, 0, 1},
      {"asks for an absurd amount", {{603, 1u << 24}}, 0, 1},
      {"reports more than the room", {{ERROR_SUCCESS, 7}}, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gActions.clear();
    gRasScript = c.script;
    gRasCalls = gRasFrees = 0;
    HangUpDialUpConnections();
    EXPECT_EQ(static_cast<size_t>(c.hangUps), gActions.size());
    EXPECT_EQ(c.calls, gRasCalls);
    EXPECT_EQ(1, gRasFrees);
  }
  gRasLoads = false;
  gRasCalls = gRasFrees = 0;
  HangUpDialUpConnections();
  EXPECT_EQ(0, gRasCalls + gRasFrees);

  tagRASCALLS real = {};
  ASSERT_TRUE(LoadRasLibrary(&real));
  EXPECT_NE(nullptr, real.Module);
  FreeRasLibrary(&real);
  EXPECT_EQ(nullptr, real.EnumConnections);
}

}  // namespace
