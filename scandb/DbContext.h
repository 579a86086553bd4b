// The storage context of one worksheet database. Library side only (Firebird types); the
// rest of the program sees the context through scandb/ScanDb.h.
#pragma once

#include <ibase.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "scandb/ScanDb.h"

struct tagDBWORKERSLOT;

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
  int32_t StartedWorkers = 0;
  int32_t FinishedWorkers = 0;
  tagDBWORKERSLOT* Slots = nullptr;
  // Read without Lock by the workers and by the GUI thread.
  std::atomic<int32_t> Running{0};
  std::atomic<int32_t> StopRequested{0};
  // Workers fail concurrently; ErrorLock keeps one text whole. Not Lock, so that a failure
  // can be recorded whatever locks the failing thread holds.
  std::mutex ErrorLock;
  char ErrorText[512] = {};
};
