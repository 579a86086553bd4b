// The queued row steps of the result lists: applied in batches they leave the lists as the
// same steps applied one by one do, the lists follow new rows only while their end is in
// view, and the tick of the window thread applies them and brings the newest row into view.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/ControlWrappers.h"
#include "engine/ResultQueue.h"
#include "engine/WindowThreadCall.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

std::u16string Number(LONG_PTR value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// Every cell, the item data and the state of every row, and the top row.
std::vector<std::u16string> Contents(HWND list, int columns) {
  std::vector<std::u16string> rows;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    std::u16string line;
    for (int column = 0; column < columns; ++column) {
      WCHAR text[256] = {};
      ListView_GetItemTextU(list, row, column, text, 256);
      line += text + std::u16string(u"|");
    }
    LVITEMW item = {};
    item.mask = LVIF_PARAM | LVIF_STATE;
    item.iItem = row;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    line += u"data " + Number(item.lParam) + u" state " + Number(item.state);
    rows.push_back(line);
  }
  rows.push_back(u"top " + Number(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)));
  return rows;
}

struct Lists {
  HWND frame, links, broken;
  explicit Lists(int y) {
    frame = CreateWindowW(u"STATIC", u"", WS_POPUP | WS_VISIBLE, 0, y, 420, 460, nullptr, nullptr,
                          nullptr, nullptr);
    links = MakeReportList(frame, 4, WS_VISIBLE | LVS_SINGLESEL);
    broken = MakeReportList(frame, 3, WS_VISIBLE | LVS_SINGLESEL);
    MoveWindow(links, 0, 0, 400, 200, FALSE);
    MoveWindow(broken, 0, 220, 400, 200, FALSE);
  }
  ~Lists() { DestroyWindow(frame); }
};

// Random inserts, tries and finishes of links rows and broken rows, as workers write them.
std::vector<RowStep> RandomSteps(unsigned seed, int count) {
  std::mt19937 random(seed);
  std::vector<RowStep> steps;
  std::vector<int> open;
  int next = 0;
  for (int i = 0; i < count; ++i) {
    const int pick = static_cast<int>(random() % 10);
    const std::u16string text(1 + random() % 5, static_cast<char16_t>(u'a' + random() % 26));
    if (pick < 4 || open.empty()) {
      RowStep step(RowStep::INSERT_LINK, next, 16u << 16 | (random() % 8));
      step.cells = {{0, text}, {1, u"Checking..."}, {3, text}};
      open.push_back(next++);
      steps.push_back(step);
    } else if (pick < 6) {
      RowStep step(RowStep::UPDATE_LINK, open[random() % open.size()]);
      step.cells = {{1, u"Checking [" + text + u"] ..."}};
      steps.push_back(step);
    } else if (pick < 9) {
      const size_t at = random() % open.size();
      RowStep step(RowStep::UPDATE_LINK, open[at], 1u << 16 | 2);
      step.cells = {{1, u"200 OK"}, {2, text}};
      open.erase(open.begin() + static_cast<long>(at));
      steps.push_back(step);
    } else {
      RowStep step(RowStep::INSERT_BROKEN);
      step.cells = {{0, u"broken " + text}, {2, text}};
      steps.push_back(step);
    }
  }
  return steps;
}

TEST(ResultQueue, BatchesLeaveTheListsAsSingleStepsDo) {
  for (unsigned seed : {1u, 2u, 3u, 4u}) {
    Lists single(0), batched(470);
    auto one = std::make_shared<CResultQueue>(single.links, single.broken);
    auto many = std::make_shared<CResultQueue>(batched.links, batched.broken);
    const std::vector<RowStep> steps = RandomSteps(seed, 150);
    std::mt19937 random(seed);
    for (const RowStep& step : steps) {
      one->Add(step, false, nullptr);
      many->Add(step, true, nullptr);
      if (random() % 20 == 0) many->Apply(0);
    }
    many->Apply(0);
    EXPECT_EQ(Contents(single.links, 4), Contents(batched.links, 4)) << seed;
    EXPECT_EQ(Contents(single.broken, 3), Contents(batched.broken, 3)) << seed;
  }
}

TEST(ResultQueue, AListScrolledAwayFromItsEndStaysWhereItIs) {
  Lists lists(0);
  CResultQueue queue(lists.links, lists.broken);
  auto insert = [&](int id) {
    RowStep step(RowStep::INSERT_LINK, id, 0);
    step.cells = {{0, u"row"}};
    queue.Add(step, true, nullptr);
  };
  for (int id = 0; id < 40; ++id) insert(id);
  queue.Apply(0);
  const int top = static_cast<int>(SendMessageW(lists.links, LVM_GETTOPINDEX, 0, 0));
  EXPECT_GT(top, 0);
  EXPECT_EQ(39, SendMessageW(lists.links, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  SendMessageW(lists.links, LVM_ENSUREVISIBLE, 0, FALSE);
  for (int id = 40; id < 60; ++id) insert(id);
  queue.Apply(0);
  EXPECT_EQ(0, SendMessageW(lists.links, LVM_GETTOPINDEX, 0, 0));
  EXPECT_EQ(39, SendMessageW(lists.links, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

// Rows applied at once while a tick's scroll is still to come follow as the tick's rows did,
// and the scroll then made brings the newest of them into view.
TEST(ResultQueue, RowsAppliedAtOnceBeforeATicksScrollAreFollowed) {
  Lists lists(0);
  auto queue = std::make_shared<CResultQueue>(lists.links, lists.broken);
  auto insert = [&](int id) {
    RowStep step(RowStep::INSERT_LINK, id, 0);
    step.cells = {{0, u"row"}};
    queue->Add(step, true, nullptr);
  };
  for (int id = 0; id < 30; ++id) insert(id);
  EXPECT_TRUE(CResultQueue::Tick(queue.get()));
  // As a worker applies what is queued when the window falls behind.
  for (int id = 30; id < 70; ++id) insert(id);
  queue->Apply(0);
  EXPECT_FALSE(CResultQueue::Tick(queue.get()));
  const int top = static_cast<int>(SendMessageW(lists.links, LVM_GETTOPINDEX, 0, 0));
  const int page = static_cast<int>(SendMessageW(lists.links, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_GT(top, 30);
  EXPECT_LT(69, top + page);
  EXPECT_EQ(69, SendMessageW(lists.links, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

struct Job {
  CResultQueue* queue;
  HWND caller;
  int rows = 30;
};

DWORD WINAPI QueueRows(void* arg) {
  const Job& job = *static_cast<Job*>(arg);
  for (int id = 0; id < job.rows; ++id) {
    RowStep step(RowStep::INSERT_LINK, id, 0);
    step.cells = {{0, u"queued"}};
    job.queue->Add(step, true, job.caller);
  }
  return 0;
}

TEST(ResultQueue, TheWindowThreadsTickAppliesWhatWorkersQueued) {
  Lists lists(0);
  auto queue = std::make_shared<CResultQueue>(lists.links, lists.broken);
  HWND caller = CreateWindowThreadCaller(CResultQueue::Tick, queue, CResultQueue::kTickMs);
  ASSERT_NE(nullptr, caller);
  Job job = {queue.get(), caller};
  HANDLE worker = CreateThread(nullptr, 0, QueueRows, &job, 0, nullptr);
  ASSERT_NE(nullptr, worker);
  // The worker never waits for this thread, which handles no message until it has ended.
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker, 30000));
  CloseHandle(worker);
  EXPECT_EQ(0, SendMessageW(lists.links, LVM_GETITEMCOUNT, 0, 0));
  const DWORD start = GetTickCount();
  MSG msg;
  while (SendMessageW(lists.links, LVM_GETITEMCOUNT, 0, 0) < 30 && GetTickCount() - start < 5000) {
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  EXPECT_EQ(30, SendMessageW(lists.links, LVM_GETITEMCOUNT, 0, 0));
  // A tick leaves its scroll to the next, made once the window has handled what was posted.
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  const int top = static_cast<int>(SendMessageW(lists.links, LVM_GETTOPINDEX, 0, 0));
  const int page = static_cast<int>(SendMessageW(lists.links, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_GT(top, 0);
  EXPECT_LT(29, top + page);
  EXPECT_EQ(29, SendMessageW(lists.links, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  // The caller keeps the queue alive until it is destroyed.
  std::weak_ptr<CResultQueue> held = queue;
  queue.reset();
  EXPECT_FALSE(held.expired());
  DestroyWindowThreadCaller(caller);
  EXPECT_TRUE(held.expired());
}

// A worker far ahead of a window that runs no tick (its thread waits for the run's end and
// handles only sent messages) does not wait for ticks that never come: it applies the queue
// through the window.
TEST(ResultQueue, AWorkerFarAheadOfAWindowWithoutTicksStillFinishes) {
  Lists lists(0);
  auto queue = std::make_shared<CResultQueue>(lists.links, lists.broken);
  HWND caller = CreateWindowThreadCaller(CResultQueue::Tick, queue, CResultQueue::kTickMs);
  ASSERT_NE(nullptr, caller);
  Job job = {queue.get(), caller, 20000};
  HANDLE worker = CreateThread(nullptr, 0, QueueRows, &job, 0, nullptr);
  ASSERT_NE(nullptr, worker);
  const DWORD start = GetTickCount();
  MSG msg;
  while (WaitForSingleObject(worker, 0) == WAIT_TIMEOUT && GetTickCount() - start < 60000) {
    MsgWaitForMultipleObjects(1, &worker, FALSE, 20, QS_SENDMESSAGE);
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker, 0));
  CloseHandle(worker);
  EXPECT_GT(SendMessageW(lists.links, LVM_GETITEMCOUNT, 0, 0), 0);
  queue->Apply(0);
  EXPECT_EQ(20000, SendMessageW(lists.links, LVM_GETITEMCOUNT, 0, 0));
  DestroyWindowThreadCaller(caller);
}

}  // namespace
