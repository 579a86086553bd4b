// The result lists' queued row steps and the batches in which the lists' thread applies them.
#include "engine/ResultQueue.h"

#include <commctrl.h>

#include <chrono>
#include <iterator>

#include "engine/ListViewCall.h"
#include "engine/WindowThreadCall.h"

namespace {

// A batch stops after about this long so that the window thread goes on answering; the rest
// waits for the next tick.
constexpr DWORD kBatchBudgetMs = 40;
// A window that falls this far behind (each of its list messages slowed, by a message hook for
// one) holds its workers back until its ticks have taken half of the queue, so that the end
// of a run, which waits for the queue to be applied, stays prompt. A scan that shows every
// processed link queues a few thousand steps between two batches.
constexpr size_t kMostQueued = 4096;
// A waiting worker whose wait saw no tick's batch for this long applies the queue through
// the window itself: longer than a window that ticks leaves between two batches (the tick
// of a batch's scroll and a tick of rest come between them).
constexpr DWORD kCatchUpMs = 4 * CResultQueue::kTickMs;

void SetOrAddCell(RowStep& row, int column, std::u16string text) {
  for (auto& cell : row.cells) {
    if (cell.first == column) {
      cell.second = std::move(text);
      return;
    }
  }
  row.cells.emplace_back(column, std::move(text));
}

// Nothing of a batch is drawn before it ends, so a row inserted and changed within one batch
// goes in with its last texts and item data; finished so, it needs no id any more.
void Coalesce(std::vector<RowStep>& steps) {
  std::unordered_map<int, size_t> inserted;
  size_t kept = 0;
  for (size_t i = 0; i < steps.size(); ++i) {
    RowStep& step = steps[i];
    if (step.kind == RowStep::UPDATE_LINK) {
      const auto found = inserted.find(step.id);
      if (found != inserted.end()) {
        RowStep& row = steps[found->second];
        for (auto& cell : step.cells) SetOrAddCell(row, cell.first, std::move(cell.second));
        if (step.setData) {
          row.itemData = step.itemData;
          row.id = -1;
          inserted.erase(found);
        }
        continue;
      }
    }
    if (step.kind == RowStep::INSERT_LINK) inserted[step.id] = kept;
    if (kept != i) steps[kept] = std::move(step);
    ++kept;
  }
  steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(kept), steps.end());
}

}  // namespace

// A list follows its new rows only while its end is in view. Rows are only appended, so the
// first row of a batch that follows makes every later one follow too: one selection and one
// scroll at the end of the batch leave the list as following each row would have.
// The row writes skip the lists' subclasses (ListViewCall.h); the end of a batch, which the
// worksheet's subclass watches, does not.
struct CResultQueue::Follow {
  HWND list;
  int beyondPage;  // the links list also follows when its last row is just below the page
  int& scrollTo;   // the row a tick's batch left to scroll to, -1 when none
  bool started = false;
  bool quiet = false;  // redraw is off until the batch ends
  int top = 0;
  int perPage = 0;
  bool following = false;
  int last = -1;

  void Start(bool batch) {
    if (started) return;
    started = true;
    top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    // A list whose scroll is still to come followed its last batch and follows this one.
    following = scrollTo >= 0;
    quiet = batch;
    if (quiet) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  }
  LRESULT Write(UINT message, WPARAM wParam, const void* data) {
    return ListViewCall(list, message, wParam, reinterpret_cast<LPARAM>(data));
  }
  void SetCell(int row, int column, const std::u16string& text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char16_t*>(text.c_str());
    Write(LVM_SETITEMTEXTW, row, &item);
  }
  void Appended(int count, int row) {
    if (!following)
      following = count > 0 && count - 1 >= top && count - 1 < top + perPage + beyondPage;
    if (following) last = row;
  }
  // The scroll comes after redraw is back on: the list keeps its scroll range up to date only
  // while it draws. Turning redraw on and scrolling each draw the scroll bars, which under a
  // theme costs tens of milliseconds: a tick's batch leaves its scroll to the tick after it,
  // run once the window has answered what was posted meanwhile and before it paints.
  void Finish(bool leaveScroll) {
    if (last >= 0) {
      LVITEMW state = {};
      state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      state.state = LVIS_SELECTED | LVIS_FOCUSED;
      Write(LVM_SETITEMSTATE, last, &state);
      scrollTo = last;
    }
    if (quiet) SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    if (!leaveScroll) Scroll(list, scrollTo);
  }
  static void Scroll(HWND list, int& row) {
    if (row >= 0) SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
    row = -1;
  }
};

void CResultQueue::Add(RowStep step, bool queue, HWND caller) {
  {
    std::unique_lock<std::mutex> hold(lock);
    pending.push_back(std::move(step));
    if (queue && pending.size() <= kMostQueued) return;
    if (queue && !OnWindowThread(caller) && WaitForTicks(hold)) return;
  }
  auto apply = [this] { Apply(0); };
  RunOnWindowThread(caller, apply);
}

// Behind, a worker waits while the window's ticks take the queue down, so that the window
// goes on answering between its batches. Only a window whose ticks take nothing for a while
// (one waiting for the run's end, which handles sent messages only) gets the queue applied
// through it at once.
bool CResultQueue::WaitForTicks(std::unique_lock<std::mutex>& hold) {
  for (;;) {
    const unsigned batches = tickBatches;
    if (drained.wait_for(hold, std::chrono::milliseconds(kCatchUpMs),
                         [this] { return pending.size() <= kMostQueued / 2; }))
      return true;
    if (tickBatches == batches) return false;
  }
}

bool CResultQueue::Apply(DWORD budgetMs) {
  std::lock_guard<std::mutex> serial(applying);
  std::vector<RowStep> steps;
  {
    std::lock_guard<std::mutex> hold(lock);
    steps.swap(pending);
    if (budgetMs && !steps.empty()) ++tickBatches;
    drained.notify_all();
  }
  if (steps.empty()) {
    if (!budgetMs) ScrollHeld();
    return true;
  }
  Coalesce(steps);
  const DWORD start = GetTickCount();
  // A tick's batch, however small, is drawn once when it ends; a lone step applied at once
  // goes in as a single row always did.
  const bool batch = budgetMs != 0 || steps.size() > 1;
  Follow linkFollow = {links, 1, linkScroll};
  Follow brokenFollow = {broken, 0, brokenScroll};
  size_t done = 0;
  for (; done < steps.size(); ++done) {
    if (budgetMs && done % 32 == 31 && GetTickCount() - start >= budgetMs) break;
    RowStep& step = steps[done];
    Follow& follow = step.kind == RowStep::INSERT_BROKEN ? brokenFollow : linkFollow;
    if (!follow.list) continue;
    follow.Start(batch);
    ApplyStep(step, follow);
  }
  if (done < steps.size()) {
    std::lock_guard<std::mutex> hold(lock);
    pending.insert(pending.begin(), std::make_move_iterator(steps.begin() + done),
                   std::make_move_iterator(steps.end()));
  }
  linkFollow.Finish(budgetMs != 0);
  brokenFollow.Finish(budgetMs != 0);
  return done == steps.size();
}

void CResultQueue::ApplyStep(RowStep& step, Follow& follow) {
  if (step.kind == RowStep::UPDATE_LINK) {
    const auto found = rowIndex.find(step.id);
    if (found == rowIndex.end()) return;
    const int row = found->second;
    for (const auto& cell : step.cells) follow.SetCell(row, cell.first, cell.second);
    if (step.setData) {
      LVITEMW lvi = {};
      lvi.mask = LVIF_PARAM;
      lvi.iItem = row;
      lvi.lParam = static_cast<LPARAM>(step.itemData);
      follow.Write(LVM_SETITEMW, 0, &lvi);
      rowIndex.erase(found);
    }
    return;
  }
  if (step.cells.empty()) return;
  const int count = static_cast<int>(follow.Write(LVM_GETITEMCOUNT, 0, nullptr));
  LVITEMW lvi = {};
  lvi.mask = LVIF_TEXT | (step.setData ? LVIF_PARAM : 0);
  lvi.iItem = count;
  lvi.pszText = const_cast<char16_t*>(step.cells[0].second.c_str());
  lvi.lParam = static_cast<LPARAM>(step.itemData);
  const int row = static_cast<int>(follow.Write(LVM_INSERTITEMW, 0, &lvi));
  if (row < 0) return;
  for (size_t i = 1; i < step.cells.size(); ++i) {
    follow.SetCell(row, step.cells[i].first, step.cells[i].second);
  }
  if (step.kind == RowStep::INSERT_LINK && step.id >= 0) rowIndex[step.id] = row;
  follow.Appended(count, row);
}

void CResultQueue::Clear() {
  std::lock_guard<std::mutex> serial(applying);
  {
    std::lock_guard<std::mutex> hold(lock);
    pending.clear();
  }
  rowIndex.clear();
  linkScroll = brokenScroll = -1;
}

bool CResultQueue::ScrollLeftOver() {
  std::lock_guard<std::mutex> serial(applying);
  return ScrollHeld();
}

bool CResultQueue::ScrollHeld() {
  if (linkScroll < 0 && brokenScroll < 0) return false;
  Follow::Scroll(links, linkScroll);
  Follow::Scroll(broken, brokenScroll);
  return true;
}

bool CResultQueue::ScrollDue() {
  std::lock_guard<std::mutex> serial(applying);
  return linkScroll >= 0 || brokenScroll >= 0;
}

// A batch that kept the window thread busy for most of a tick is followed by a tick of
// rest, so that the window goes on answering and the lists still change five times a second;
// unless steps were left over, which would pile up. A batch's scroll is a call of its own.
bool CResultQueue::Tick(void* queue) {
  auto* self = static_cast<CResultQueue*>(queue);
  if (self->ScrollLeftOver()) return false;
  if (self->lastCost > kTickMs * 3 / 4 && !self->behind && !self->rested) {
    self->rested = true;
    return false;
  }
  self->rested = false;
  const DWORD start = GetTickCount();
  self->behind = !self->Apply(kBatchBudgetMs);
  self->lastCost = GetTickCount() - start;
  return self->ScrollDue();
}
