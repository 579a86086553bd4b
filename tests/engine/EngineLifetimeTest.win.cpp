// An engine destroyed while the workers of a run are inside its callbacks.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "scandb/ScanDb.h"
#include "tests/engine/EngineTestSupport.h"

// Reaches the engine's storage context and callback object.
struct CLinkFinderTestAccess {
  static tagDBCONTEXT*& Context(CLinkFinder& engine) { return engine.context; }
  static void* Callbacks(CLinkFinder& engine) { return engine.callbacks.get(); }
};

namespace {

constexpr int kWorkers = 4;

// The run's view of the test: every worker records a decided link from inside its check,
// then waits in the load callback until the engine is being destroyed before it goes on
// into the engine.
struct Probe {
  tagDBCONTEXT* ctx = nullptr;
  void* callbacks = nullptr;
  HWND list = nullptr;  // belongs to the destroying thread; 0: no message is sent
  HANDLE allInside = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE destroying = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE allLeft = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> inside{0};
  std::atomic<int> left{0};
  std::atomic<bool> destroyed{false};
  std::atomic<int> touchedAfterDestroy{0};

  ~Probe() {
    CloseHandle(allInside);
    CloseHandle(destroying);
    CloseHandle(allLeft);
  }
};

int32_t CheckByRecording(void* user, int32_t protocol, const char* username, const char* userpass,
                         const char* server, int32_t port, const char* resource, const char*,
                         const char*, int32_t, int32_t, char*, char*, char*, char*, char*, char*,
                         char*, int32_t* statusval, int32_t*, int32_t*, const char*, const char*,
                         int32_t, int32_t, int32_t, int32_t) {
  Probe& probe = *static_cast<Probe*>(user);
  const std::string page = std::string(resource) + "/page";
  DBAddLinkProcessed(probe.ctx, protocol, username, userpass, server, port, page.c_str(), "", "", 2,
                     0, "", "Skipped", "", "", "", "", "", 7, 0, 0, resource, "", 1, 1, 0, 1);
  *statusval = 1;
  return 1;
}

void HoldInLoad(void* user, int32_t rowCount, int32_t rowIndex, int32_t first, int32_t protocol,
                const char* username, const char* userpass, const char* server, int32_t port,
                const char* resource, const char* bookmark, const char* comment, int32_t restype,
                int32_t flags, const char* title, const char* statusstr, const char* commentstr,
                const char* content, const char* ressize, const char* lastmod, const char* charset,
                int32_t statusval, int32_t attempt, int32_t restime, const char* rel_url,
                const char* rel_title, int32_t line, int32_t col, int32_t extern_, int32_t dir,
                int32_t* cancel) {
  Probe& probe = *static_cast<Probe*>(user);
  if (++probe.inside == kWorkers) SetEvent(probe.allInside);
  WaitForSingleObject(probe.destroying, 10000);
  if (probe.list) {
    SendMessageW(probe.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"row"));
  }
  // Short of a sanitizer under Wine, the probe notices a worker that would reach a freed
  // engine, and keeps it from doing so.
  Sleep(100);
  if (probe.destroyed) {
    ++probe.touchedAfterDestroy;
  } else {
    ExportURLThunk(probe.callbacks, rowCount, rowIndex, first, protocol, username, userpass, server,
                   port, resource, bookmark, comment, restype, flags, title, statusstr, commentstr,
                   content, ressize, lastmod, charset, statusval, attempt, restime, rel_url,
                   rel_title, line, col, extern_, dir, cancel);
  }
  if (++probe.left == kWorkers) SetEvent(probe.allLeft);
}

// Waits for the event while handling what other threads send to this one.
bool WaitHandlingMessages(HANDLE event, DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  for (;;) {
    const DWORD now = GetTickCount();
    if (static_cast<int32_t>(until - now) <= 0) return false;
    const DWORD result = MsgWaitForMultipleObjects(1, &event, FALSE, until - now, QS_SENDMESSAGE);
    if (result == WAIT_OBJECT_0) return true;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

class EngineLifetimeTest : public ::testing::Test {
 protected:
  void SetUp() override { InitTestSettings(settings_); }
  void DestroyDuringARun(bool sendToAList);

  TestFolder folder_{u"tl-lifetime-"};
  tagSETTINGS settings_;
};

void EngineLifetimeTest::DestroyDuringARun(bool sendToAList) {
  const std::u16string file = folder_.File(u"run.fdb");
  auto engine = OpenEngine(file, &settings_);
  ASSERT_EQ(1, engine->Initialized());

  // The run gets a check of the test's own, which the engine does not offer yet; every
  // other callback is the engine's.
  Probe probe;
  probe.callbacks = CLinkFinderTestAccess::Callbacks(*engine);
  tagDBCONTEXT*& context = CLinkFinderTestAccess::Context(*engine);
  ASSERT_EQ(1, DBFreeContext(context));
  const tagDBCONTEXTINIT init = {CheckByRecording, &probe,          1,          2,
                                 ReportURLThunk,   probe.callbacks, HoldInLoad, &probe,
                                 StopCrawlerThunk, probe.callbacks, 0};
  context = probe.ctx = DBCreateContext(&init);
  int32_t cancelled = 0;
  ASSERT_EQ(1, DBOpenDatabase(probe.ctx, UnixPath(file).c_str(), &cancelled));
  for (int i = 0; i < kWorkers * 2; ++i) {
    const std::string server = "s" + std::to_string(i) + ".example";
    ASSERT_EQ(1, DBAddLinkFound(probe.ctx, 1, "", "", server.c_str(), 80, "/", "", "", 2, 0,
                                "http://start/", "", 1, 1, 0, 1));
  }
  HWND list = nullptr;
  if (sendToAList) {
    list =
        CreateWindowExW(0, u"LISTBOX", u"", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, list);
    probe.list = list;
  }

  ASSERT_EQ(1, DBStartWorkers(probe.ctx, kWorkers, kWorkers, nullptr, nullptr));
  ASSERT_TRUE(WaitHandlingMessages(probe.allInside, 30000)) << "the workers did not arrive";
  SetEvent(probe.destroying);
  const DWORD start = GetTickCount();
  engine.reset();
  probe.destroyed = true;
  EXPECT_LT(GetTickCount() - start, 10000u);
  ASSERT_TRUE(WaitHandlingMessages(probe.allLeft, 10000));
  EXPECT_EQ(0, probe.touchedAfterDestroy);
  if (list) {
    EXPECT_EQ(kWorkers, SendMessageW(list, LB_GETCOUNT, 0, 0));
    DestroyWindow(list);
  }

  // The file was detached: another engine opens it with the rows the run stored (each
  // worker's link and the link it recorded) and the links still queued.
  auto reopened = OpenEngine(file, &settings_);
  ASSERT_EQ(1, reopened->Initialized());
  uint32_t found = 0;
  reopened->GetTotalData(&found, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(static_cast<uint32_t>(2 * kWorkers + kWorkers), found);
}

TEST_F(EngineLifetimeTest, DestroyWaitsForWorkersInTheLoadCallback) { DestroyDuringARun(false); }

TEST_F(EngineLifetimeTest, DestroyHandlesWhatWaitingWorkersSendToItsThread) {
  DestroyDuringARun(true);
}

}  // namespace
