// The storage context of one worksheet database. Library side only (Firebird types); the
// rest of the program sees the context through scandb/ScanDb.h.
#pragma once

#include <ibase.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "scandb/LoadedIndex.h"
#include "scandb/QueueIndex.h"
#include "scandb/ScanDb.h"

struct PoolThread;

// A statement prepared once per attachment, by its text (guarded by the context's Lock).
struct DbPrepared {
  isc_stmt_handle Handle = 0;
  bool Busy = false;  // an open query's cursor is on it
};

// One per worker of a run; every field is guarded by the context's Lock.
struct tagDBWORKERSLOT {
  uint32_t ThreadId;
  int32_t HoldsRow;  // 1 while the worker has claimed a queue row
  // Key of the claimed link.
  int32_t Protocol;
  char Username[DB_TEXT_SIZE];
  char Userpass[DB_TEXT_SIZE];
  char Server[DB_TEXT_SIZE];
  int32_t Port;
  char Resource[DB_LONG_SIZE];
  int32_t Idle;  // 1 while the worker waits in its idle phase
};

// A thread of a run whose handle has not yet been joined.
struct DbPoolThread {
  PoolThread* Handle;
  uint32_t ThreadId;
};

struct tagDBCONTEXT {
  isc_db_handle DbHandle = 0;  // 0 while no database is attached
  DBQueryCallback QueryCallback = nullptr;
  void* QueryUser = nullptr;
  int32_t KeepReport = 0;
  int32_t ReportMode = 0;
  DBReportCallback ReportCallback = nullptr;
  void* ReportUser = nullptr;
  DBRowCallback LoadCallback = nullptr;
  void* LoadUser = nullptr;
  DBFinishCallback FinishCallback = nullptr;
  void* FinishUser = nullptr;
  int32_t IgnoreCase = 0;
  DBProducerCallback Producer = nullptr;
  void* ProducerUser = nullptr;
  int32_t ThreadCount = 0;
  int32_t PerServerLimit = 0;
  // Guards the worker slots, the run counters and the queue claim. Re-entrant: operations
  // that hold it call others that take it again.
  std::recursive_mutex Lock;
  // Written under Lock, read without it by the GUI thread.
  std::atomic<int32_t> StartedWorkers{0};
  std::atomic<int32_t> FinishedWorkers{0};
  tagDBWORKERSLOT* Slots = nullptr;  // ThreadCount slots of the current or last run
  // Read without Lock by the workers and by the GUI thread.
  std::atomic<int32_t> Running{0};
  std::atomic<int32_t> StopRequested{0};
  // Raised when a waiting worker may find something to do: rows queued, a held row let go
  // on a server at its limit (which has room again), the last worker idle, a stop asked. Waiters
  // hold Lock and compare the count with the one they saw before they last looked for work.
  std::condition_variable_any WorkSignal;
  std::atomic<uint64_t> WorkRaised{0};
  // The producer and workers of the runs so far, joined at the next start or at the free
  // (guarded by Lock while a run is active).
  std::vector<DbPoolThread> Threads;
  // Failed stores per queue row number in the current run (guarded by Lock).
  std::unordered_map<int32_t, int32_t> StoreFailures;
  // The thread inside the finish callback (0 when none), and a free asked for from it,
  // which the last worker carries out once the run has ended.
  std::atomic<uint32_t> FinishingThread{0};
  std::atomic<int32_t> FreePending{0};
  // Statements with parameters, prepared on first use (guarded by Lock).
  std::unordered_map<std::string, std::unique_ptr<DbPrepared>> Prepared;
  // While a run is active every statement issued under Lock joins one transaction, which is
  // committed every little while and at the run's end: a transaction per statement would
  // cost more than the statement. Set under Lock, read without it.
  std::atomic<bool> RunShared{false};
  isc_tr_handle RunTransaction = 0;  // 0 while none is open (guarded by Lock)
  int64_t RunTransactionStart = 0;   // steady clock, ms (guarded by Lock)
  // Identities of the `loaded` rows (guarded by Lock).
  LoadedIndex Loaded;
  // Keys of the `found` rows (guarded by Lock).
  QueueIndex Queue;
  // Workers fail concurrently; ErrorLock keeps one text whole. Not Lock, so that a failure
  // can be recorded whatever locks the failing thread holds.
  std::mutex ErrorLock;
  char ErrorText[512] = {};
};

// Wakes the workers that wait for work; any thread, with or without Lock.
void DbRaiseWork(tagDBCONTEXT* ctx);
// Rows were queued: wakes the waiting workers at once, or, on a worker inside the check of
// a row, once that row's result is stored (DbRaiseQueued, on that worker, then gives true and
// forgets it): a link found on a page is not checked before the page itself is stored.
void DbNoteQueued(tagDBCONTEXT* ctx);
bool DbRaiseQueued();

// Waits for the threads of past runs (releasing the caller's own handle without waiting).
// Only while no run is active, or from the last thread of a run once it has ended.
void DbJoinThreads(tagDBCONTEXT* ctx);
// Joins the threads, detaches the database and frees the context.
void DbDestroyContext(tagDBCONTEXT* ctx);
