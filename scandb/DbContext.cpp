// The storage context of one worksheet database: creation, tables, counts and generators. Library
// side.
#include <new>

#include "scandb/DbSql.h"
#include "scandb/PoolThreads.h"

tagDBCONTEXT* DBCreateContext(const tagDBCONTEXTINIT* init) {
  tagDBCONTEXT* ctx = new (std::nothrow) tagDBCONTEXT;
  if (!ctx || !init) return ctx;
  ctx->QueryCallback = init->QueryCallback;
  ctx->QueryUser = init->QueryUser;
  ctx->KeepReport = init->KeepReport;
  ctx->ReportMode = init->ReportMode;
  ctx->ReportCallback = init->ReportCallback;
  ctx->ReportUser = init->ReportUser;
  ctx->LoadCallback = init->LoadCallback;
  ctx->LoadUser = init->LoadUser;
  ctx->FinishCallback = init->FinishCallback;
  ctx->FinishUser = init->FinishUser;
  ctx->IgnoreCase = init->IgnoreCase;
  return ctx;
}

void DbJoinThreads(tagDBCONTEXT* ctx) {
  const uint32_t self = PoolCurrentThreadId();
  for (const DbPoolThread& thread : ctx->Threads) {
    if (thread.ThreadId == self)
      PoolCloseThread(thread.Handle);
    else
      PoolJoinThread(thread.Handle);
  }
  ctx->Threads.clear();
}

void DbDestroyContext(tagDBCONTEXT* ctx) {
  DbJoinThreads(ctx);
  delete[] ctx->Slots;
  DbDropPrepared(ctx);
  if (ctx->DbHandle) {
    ISC_STATUS_ARRAY ignored;
    isc_detach_database(ignored, &ctx->DbHandle);
    ctx->DbHandle = 0;
  }
  delete ctx;
}

int32_t DBFreeContext(tagDBCONTEXT* ctx) {
  if (!ctx) return 0;
  // Refused without the lock while no finish callback runs: a worker may hold the lock
  // while it waits for the caller's thread, which keeps asking until the run has ended.
  if (ctx->Running && ctx->FinishingThread == 0) return 0;
  if (ctx->Running) {
    // The finish callback may close the worksheet that owns the context, on its own thread
    // or on the window's thread that it sends its message to; the run's last thread frees
    // the context once the callback has returned. Under the lock the run's end is either
    // still to come (and frees) or already past (and this call frees).
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    if (ctx->FinishingThread != 0) {
      ctx->FreePending = 1;
      return 1;
    }
    if (ctx->Running) return 0;
  }
  DbDestroyContext(ctx);
  return 1;
}

int32_t DBResetTables(tagDBCONTEXT* ctx, int32_t ignoreCase) {
  if (!ctx || ctx->Running) return 0;
  ctx->IgnoreCase = ignoreCase;
  return DBCreateTables(ctx);
}

int32_t DBSetIgnoreCase(tagDBCONTEXT* ctx, int32_t ignoreCase) {
  if (!ctx || ctx->Running) return 0;
  ctx->IgnoreCase = ignoreCase;
  return 1;
}

int32_t DBCountRows(tagDBCONTEXT* ctx, const char* table, int32_t* count) {
  if (!ctx || !table) return 0;
  SqlText sql(256);
  sql.Add("SELECT COUNT(*) FROM ").Add(table);
  // Its own transaction: the count takes no lock, so it sees the rows committed so far.
  return DbQueryInt(ctx, sql, "select found", count, true);
}

int32_t DBNextGeneratorValue(tagDBCONTEXT* ctx, const char* generator, int32_t step,
                             int32_t* value) {
  if (!ctx || !generator) return 0;
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  SqlText sql(256);
  // The step as a parameter: the statement is prepared once, not for every number.
  sql.Add("SELECT GEN_ID(")
      .Add(generator)
      .Add(", CAST(")
      .ParamInt(step)
      .Add(" AS INTEGER)) FROM RDB$DATABASE");
  return DbQueryInt(ctx, sql, "select generator", value);
}
