// The worker pool of a scan: one producer thread per run, then the workers that claim,
// check and store the queued links until the queue is empty or a stop is asked.
#include <chrono>
#include <new>
#include <thread>

#include "scandb/DbRows.h"
#include "scandb/DbSql.h"
#include "scandb/PoolThreads.h"

namespace {

// Set on a worker while it checks and stores a claimed row; whether rows wait for its end.
thread_local bool tInCheck = false;
thread_local bool tQueued = false;

using Guard = std::lock_guard<std::recursive_mutex>;

const std::chrono::milliseconds kPoll(250);
// Stores of one queue row that may fail before the row is given up: a value the database
// refuses every time would otherwise be claimed and checked again for ever.
const int32_t kStoreAttempts = 3;

void Pause() { std::this_thread::sleep_for(kPoll); }

// Waits until work was raised after `seen` or a stop was asked, at most kPoll: a signal
// given between the waiter's look and its wait is not lost for longer than that.
void WaitForWork(tagDBCONTEXT* ctx, std::unique_lock<std::recursive_mutex>& lock, uint64_t seen) {
  ctx->WorkSignal.wait_for(lock, kPoll, [&] { return ctx->WorkRaised != seen; });
}

// Called by the last thread of a run: the finish callback, then the run's state is
// cleared. A free asked for inside the callback is carried out here, once nothing of the
// run touches the context any more.
void EndRun(tagDBCONTEXT* ctx) {
  {
    // Everything the run stored is committed before anyone hears of its end.
    Guard guard(ctx->Lock);
    DbCommitRun(ctx, true);
    ctx->RunShared = false;
  }
  ctx->FinishingThread = PoolCurrentThreadId();
  if (ctx->FinishCallback) ctx->FinishCallback(ctx->FinishUser);
  bool freeNow;
  {
    Guard guard(ctx->Lock);
    ctx->FinishingThread = 0;
    ctx->StopRequested = 0;
    ctx->StartedWorkers = 0;
    ctx->FinishedWorkers = 0;
    ctx->Running = 0;
    freeNow = ctx->FreePending != 0;
  }
  if (freeNow) DbDestroyContext(ctx);
}

// Checks and stores a claimed row, which leaves the queue; true when stored.
bool Process(tagDBCONTEXT* ctx, const DbFoundRow& row) {
  bool dbFailed = false;
  if (DbStoreClaimed(ctx, row, &dbFailed)) return true;
  if (!dbFailed) return false;
  int32_t failures;
  {
    Guard guard(ctx->Lock);
    try {
      failures = ++ctx->StoreFailures[row.number];
    } catch (const std::bad_alloc&) {
      failures = kStoreAttempts;
    }
  }
  if (failures >= kStoreAttempts) {
    DbKeptError kept(ctx);
    DbDeleteFound(ctx, row.number);
  }
  return false;
}

uint32_t DBWorkerThread(void* arg) {
  tagDBCONTEXT* ctx = static_cast<tagDBCONTEXT*>(arg);
  const uint32_t id = PoolCurrentThreadId();
  tagDBWORKERSLOT* slot = nullptr;
  {
    Guard guard(ctx->Lock);
    for (int32_t i = 0; i < ctx->ThreadCount; ++i)
      if (ctx->Slots[i].ThreadId == id) slot = &ctx->Slots[i];
  }
  DbFoundRow* row = new (std::nothrow) DbFoundRow;
  for (;;) {
    uint64_t seen = ctx->WorkRaised;
    while (row && !ctx->StopRequested) {
      seen = ctx->WorkRaised;
      ISC_STATUS fetchStatus = 0;
      DbClaim claim = DBFetchNextFound(ctx, row, &fetchStatus, id);
      tInCheck = claim == kClaimed;
      bool processed = claim == kClaimed && Process(ctx, *row);
      tInCheck = false;
      bool roomMade;
      {
        Guard guard(ctx->Lock);
        roomMade = DbReleaseRow(ctx, slot);
        DbCommitRun(ctx, false);
      }
      if (DbRaiseQueued() || roomMade) DbRaiseWork(ctx);
      if (claim == kNothingToTake) break;
      // A failed claim or a row the engine did not store is not tried again at once.
      if (!processed) Pause();
    }
    int32_t queued = 0;
    {
      std::unique_lock<std::recursive_mutex> lock(ctx->Lock);
      slot->Idle = 1;
      for (;;) {
        int32_t idle = 0;
        for (int32_t i = 0; i < ctx->ThreadCount; ++i) idle += ctx->Slots[i].Idle;
        // The last worker to go idle may end the run: the others wait for it.
        if (idle == ctx->StartedWorkers) DbRaiseWork(ctx);
        WaitForWork(ctx, lock, seen);
        seen = ctx->WorkRaised;
        DbCommitRun(ctx, false);
        idle = 0;
        for (int32_t i = 0; i < ctx->ThreadCount; ++i) idle += ctx->Slots[i].Idle;
        queued = 0;
        if (!ctx->StopRequested && ctx->Queue.Ensure(ctx, ctx->IgnoreCase == 1))
          queued = static_cast<int32_t>(ctx->Queue.Size());
        if (queued > 0 || idle == ctx->StartedWorkers) break;
      }
      if (queued > 0 && row) slot->Idle = 0;
    }
    if (queued <= 0 || !row) break;
  }
  delete row;
  bool last;
  {
    Guard guard(ctx->Lock);
    last = ++ctx->FinishedWorkers == ctx->StartedWorkers;
  }
  if (last) EndRun(ctx);
  return 1;
}

uint32_t DBProducerThread(void* arg) {
  tagDBCONTEXT* ctx = static_cast<tagDBCONTEXT*>(arg);
  if (ctx->Producer) {
    DbFoundRow* row = new (std::nothrow) DbFoundRow;
    while (row && ctx->Producer(ctx->ProducerUser, &row->protocol, row->username, row->userpass,
                                row->server, &row->port, row->resource, row->bookmark, row->comment,
                                &row->restype, &row->flags, row->rel_url, row->rel_title,
                                &row->line, &row->col, &row->extern_, &row->dir)) {
      DBStoreProcessed(ctx, row->Link(), row->Occurrence());
    }
    if (!row) DBFormatError(ctx, nullptr, "malloc producer");
    delete row;
  }
  int32_t started = 0;
  {
    Guard guard(ctx->Lock);
    ctx->StartedWorkers = 0;
    ctx->FinishedWorkers = 0;
    delete[] ctx->Slots;
    ctx->Slots = new (std::nothrow) tagDBWORKERSLOT[ctx->ThreadCount]();
    for (int32_t i = 0; ctx->Slots && i < ctx->ThreadCount; ++i) {
      tagDBWORKERSLOT& slot = ctx->Slots[i];
      PoolThread* thread = PoolStartThread(DBWorkerThread, ctx, &slot.ThreadId);
      if (!thread) {
        slot.ThreadId = 0;
        continue;
      }
      ctx->Threads.push_back(DbPoolThread{thread, slot.ThreadId});  // room reserved at start
      ++started;
    }
    if (!ctx->Slots) ctx->ThreadCount = 0;
    ctx->StartedWorkers = started;
  }
  // Without a worker nobody else would end the run, and the engine waits for its end.
  if (started == 0) EndRun(ctx);
  return 0;
}

}  // namespace

void DbRaiseWork(tagDBCONTEXT* ctx) {
  ++ctx->WorkRaised;
  ctx->WorkSignal.notify_all();
}

void DbNoteQueued(tagDBCONTEXT* ctx) {
  if (tInCheck)
    tQueued = true;
  else
    DbRaiseWork(ctx);
}

bool DbRaiseQueued() {
  const bool queued = tQueued;
  tQueued = false;
  return queued;
}

int32_t DBStartWorkers(tagDBCONTEXT* ctx, int32_t threadCount, int32_t perServerLimit,
                       DBProducerCallback producer, void* producerUser) {
  if (!ctx || ctx->Running) return 0;
  DbJoinThreads(ctx);
  Guard guard(ctx->Lock);
  try {
    ctx->Threads.reserve(static_cast<size_t>(threadCount > 0 ? threadCount : 0) + 1);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  ctx->Producer = producer;
  ctx->ProducerUser = producerUser;
  ctx->ThreadCount = threadCount > 0 ? threadCount : 0;
  // A limit below one would leave every queued link unclaimed and the run without end.
  ctx->PerServerLimit = perServerLimit > 0 ? perServerLimit : 1;
  ctx->StoreFailures.clear();
  ctx->Queue.Reset();      // read again: rows may have come in other than through this context
  ctx->StopRequested = 0;  // a stop left from a run that ended without workers
  ctx->FreePending = 0;
  ctx->Running = 1;
  ctx->RunShared = true;
  uint32_t id = 0;
  PoolThread* thread = PoolStartThread(DBProducerThread, ctx, &id);
  if (!thread) {
    ctx->Running = 0;
    ctx->RunShared = false;
    return 0;
  }
  ctx->Threads.push_back(DbPoolThread{thread, id});
  return 1;
}

int32_t DBStopWorkers(tagDBCONTEXT* ctx) {
  if (!ctx || !ctx->Running) return 0;
  // No lock: the GUI thread must not wait here for a worker that waits for the GUI.
  ctx->StopRequested = 1;
  DbRaiseWork(ctx);
  return 1;
}
