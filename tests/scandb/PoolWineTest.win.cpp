// The pool on Win32 threads: a worker's load callback sends a message to a window of the
// main thread while the main thread stops the run and queries the report (both wait for
// the database lock). Neither side may wait for the other.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "engine/UnixPath.h"
#include "scandb/ScanDb.h"

namespace {

const UINT kRowShown = WM_APP + 1;
const UINT kRunEnded = WM_APP + 2;

struct PoolRun {
  HWND window = nullptr;
  tagDBCONTEXT* ctx = nullptr;
  std::atomic<int> checks{0};
  std::atomic<int> shown{0};
  std::atomic<int> finishes{0};
  DWORD mainThread = 0;
  std::atomic<bool> onOtherThread{false};
};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRowShown) {
    reinterpret_cast<PoolRun*>(lParam)->shown++;
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ShowRow(void* user, int32_t, int32_t, int32_t, int32_t, const char*, const char*, const char*,
             int32_t, const char*, const char*, const char*, int32_t, int32_t, const char*,
             const char*, const char*, const char*, const char*, const char*, const char*, int32_t,
             int32_t, int32_t, const char*, const char*, int32_t, int32_t, int32_t, int32_t,
             int32_t*) {
  PoolRun* run = static_cast<PoolRun*>(user);
  SendMessageW(run->window, kRowShown, 0, reinterpret_cast<LPARAM>(run));
}

int32_t Check(void* user, int32_t, const char*, const char*, const char*, int32_t,
              const char* resource, const char*, const char*, int32_t, int32_t, char*, char*, char*,
              char*, char*, char*, char*, int32_t* statusval, int32_t*, int32_t*, const char*,
              const char*, int32_t, int32_t, int32_t, int32_t) {
  PoolRun* run = static_cast<PoolRun*>(user);
  if (GetCurrentThreadId() != run->mainThread) run->onOtherThread = true;
  const int n = ++run->checks;
  // Every page records a decided link (shown through the window) and queues two more.
  const std::string skipped = std::string(resource) + "/skipped";
  DBAddLinkProcessed(run->ctx, 1, "", "", "example.com", 80, skipped.c_str(), "", "", 2, 0, "",
                     "Skipped", "", "", "", "", "", 7, 0, 0, resource, "", 1, 1, 0, 1);
  for (int i = 0; i < 2; ++i) {
    const std::string next = "/page" + std::to_string(n) + "-" + std::to_string(i);
    DBAddLinkFound(run->ctx, 1, "", "", "example.com", 80, next.c_str(), "", "", 2, 0, resource, "",
                   1, 1, 0, 1);
  }
  *statusval = 1;
  return 1;
}

void Finish(void* user) {
  PoolRun* run = static_cast<PoolRun*>(user);
  run->finishes++;
  PostMessageW(run->window, kRunEnded, 0, 0);
}

void CountRow(void* user, int32_t, int32_t, int32_t, int32_t, const char*, const char*, const char*,
              int32_t, const char*, const char*, const char*, int32_t, int32_t, const char*,
              const char*, const char*, const char*, const char*, const char*, const char*, int32_t,
              int32_t, int32_t, const char*, const char*, int32_t, int32_t, int32_t, int32_t,
              int32_t*) {
  ++*static_cast<int*>(user);
}

TEST(PoolWineTest, AWorkerSendsToTheWindowWhileTheMainThreadStopsTheRun) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = u"PoolWineTest";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  PoolRun run;
  run.mainThread = GetCurrentThreadId();
  run.window = CreateWindowW(u"PoolWineTest", u"", 0, 0, 0, 10, 10, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
  ASSERT_NE(run.window, nullptr);

  WCHAR temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::u16string file = std::u16string(temp) + u"tl-pool-" +
                              std::u16string(1, u'a' + GetCurrentProcessId() % 26) + u".fdb";
  DeleteFileW(file.c_str());
  tagDBCONTEXTINIT init = {};
  init.QueryCallback = Check;
  init.QueryUser = &run;
  init.KeepReport = 1;
  init.ReportMode = 2;
  init.LoadCallback = ShowRow;
  init.LoadUser = &run;
  init.FinishCallback = Finish;
  init.FinishUser = &run;
  run.ctx = DBCreateContext(&init);
  ASSERT_NE(run.ctx, nullptr);
  int32_t out = 0;
  ASSERT_EQ(DBOpenDatabase(run.ctx, UnixPath(file).c_str(), &out), 1);
  for (int i = 0; i < 20; ++i) {
    const std::string page = "/start" + std::to_string(i);
    ASSERT_EQ(DBAddLinkFound(run.ctx, 1, "", "", "example.com", 80, page.c_str(), "", "", 2, 0, "",
                             "", 1, 1, 0, 0),
              1);
  }
  ASSERT_EQ(DBStartWorkers(run.ctx, 4, 4, nullptr, nullptr), 1);

  const DWORD start = GetTickCount();
  bool stopped = false, ended = false;
  int reportRows = 0;
  while (!ended && GetTickCount() - start < 60000) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == kRunEnded) ended = true;
      DispatchMessageW(&message);
    }
    if (!stopped && run.shown >= 10) {
      // Both wait for the lock that the workers take around every row they write.
      DBQueryReport(run.ctx, 2, CountRow, &reportRows, 0, 0, nullptr);
      EXPECT_EQ(DBStopWorkers(run.ctx), 1);
      stopped = true;
    }
    Sleep(1);
  }
  ASSERT_TRUE(ended) << "the run did not end: " << run.shown << " rows shown";
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(run.onOtherThread);
  EXPECT_GT(reportRows, 0);
  // The end message comes from inside the finish callback; a free asked for then is left to
  // the run's last thread, which the process must not end under. The case-rule call is refused
  // until that thread is done, as the engine waits for it too.
  while (!DBSetIgnoreCase(run.ctx, 0)) Sleep(1);
  EXPECT_EQ(DBFreeContext(run.ctx), 1);
  EXPECT_EQ(run.finishes, 1);
  DestroyWindow(run.window);
  DeleteFileW(file.c_str());
}

}  // namespace
