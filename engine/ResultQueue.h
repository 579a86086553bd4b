// The row steps of a worksheet's result lists on their way from the workers to the lists: a
// worker queues a row's texts and item data and goes on; the thread that owns the lists
// applies what is queued in batches. Windows-side header.
//
// Threads: Add, NewLinkRow and Apply on any thread (Apply sends to the lists); Clear and Tick
// on the lists' thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// One change of one row. A links-list row is named by the id NewLinkRow gave it.
struct RowStep {
  enum Kind : uint8_t { INSERT_LINK, UPDATE_LINK, INSERT_BROKEN };
  explicit RowStep(Kind kind, int id = -1) : kind(kind), id(id) {}
  RowStep(Kind kind, int id, uint32_t itemData)
      : kind(kind), id(id), setData(true), itemData(itemData) {}

  Kind kind;
  int id;
  bool setData = false;
  uint32_t itemData = 0;
  // Column and text; an inserted row's column 0 comes first.
  std::vector<std::pair<int, std::u16string>> cells;
};

class CResultQueue {
 public:
  // Queued rows reach the lists at most about ten times a second: often enough to show a
  // scan's progress, seldom enough that drawing the lists costs the scan little.
  static constexpr UINT kTickMs = 100;

  CResultQueue(HWND links, HWND broken) : links(links), broken(broken) {}
  CResultQueue(const CResultQueue&) = delete;
  CResultQueue& operator=(const CResultQueue&) = delete;

  int NewLinkRow() { return nextId++; }
  // Queued when `queue`; else, or when the window has fallen far behind, applied before
  // returning, after what is queued, on the lists' thread (through `caller`, which waits for
  // it when this is another thread). Far behind, another thread first waits while the
  // window's ticks take the queue down.
  void Add(RowStep step, bool queue, HWND caller);
  // Applies what is queued: within about `budgetMs` (0: all of it, with the scroll a tick left),
  // the rest at the next call. True when nothing is left.
  bool Apply(DWORD budgetMs);
  // Forgets queued steps and row ids, for lists that were emptied.
  void Clear();
  // The caller window's tick (every kTickMs): one batch, or the scroll the last batch left.
  // True when a scroll is left for the next call.
  static bool Tick(void* queue);

 private:
  struct Follow;
  void ApplyStep(RowStep& step, Follow& follow);
  bool WaitForTicks(std::unique_lock<std::mutex>& hold);
  // The scrolls a tick's batch left: made (true) or none due; Held with `applying` held.
  bool ScrollLeftOver();
  bool ScrollHeld();
  bool ScrollDue();

  const HWND links;
  const HWND broken;
  std::mutex lock;                  // guards `pending`
  std::condition_variable drained;  // raised when a batch takes what is pending
  unsigned tickBatches = 0;         // under `lock`: the ticks' batches so far
  std::mutex applying;  // one Apply at a time: without a window thread any thread applies
  std::vector<RowStep> pending;
  std::atomic<int> nextId{0};
  // Under `applying`: the list index of each links-list row not yet finished.
  std::unordered_map<int, int> rowIndex;
  // Under `applying`: the row each list is still to scroll to, -1 when none.
  int linkScroll = -1;
  int brokenScroll = -1;
  // Lists' thread only: what the last tick's batch took, whether it left steps queued, and
  // whether the tick after it rested.
  DWORD lastCost = 0;
  bool behind = false;
  bool rested = false;
};
