// Statements without a result set, each in its own transaction, and the kept statements.
#include "scandb/DbSql.h"

#include <chrono>
#include <mutex>

#include "scandb/DbBind.h"

namespace {

// How long rows of a run may wait for their commit; a crash loses at most these.
const int64_t kRunCommitMs = 50;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Runs a statement in tr; returns its SQLCODE, *returned set when it is 0.
ISC_LONG Run(tagDBCONTEXT* ctx, isc_tr_handle* tr, const SqlText& sql, XSQLDA* in,
             int32_t* returned, ISC_STATUS* status) {
  ISC_LONG value = 0;
  short valueNull = 0;
  char outBlock[XSQLDA_LENGTH(1)] = {};
  XSQLDA* out = nullptr;
  if (returned) {
    out = reinterpret_cast<XSQLDA*>(outBlock);
    out->version = SQLDA_VERSION1;
    out->sqln = out->sqld = 1;
    out->sqlvar[0].sqltype = SQL_LONG + 1;
    out->sqlvar[0].sqllen = sizeof(value);
    out->sqlvar[0].sqldata = reinterpret_cast<ISC_SCHAR*>(&value);
    out->sqlvar[0].sqlind = &valueNull;
  }
  std::unique_lock<std::recursive_mutex> guard(ctx->Lock, std::defer_lock);
  DbPrepared* kept = nullptr;
  if (!sql.Params().empty()) {
    guard.lock();
    kept = Keep(ctx, tr, sql, status);
    if (Failed(status)) return isc_sqlcode(status);
  }
  if (kept)
    isc_dsql_execute2(status, tr, &kept->Handle, kDialect, in, out);
  else
    isc_dsql_exec_immed2(status, &ctx->DbHandle, tr, static_cast<unsigned short>(0), sql.Text(),
                         kDialect, in, out);
  ISC_LONG code = isc_sqlcode(status);
  if (code == 0 && returned) *returned = valueNull < 0 ? 0 : value;
  return code;
}

}  // namespace

int DbExecute(tagDBCONTEXT* ctx, const SqlText& sql, const char* startStep,
              const char* statementStep, ISC_LONG tolerated, const std::string* blobValue,
              int32_t* returned) {
  if (!sql.Ok()) {
    DBFormatError(ctx, nullptr, statementStep);
    return 0;
  }
  BoundParams bound;
  if (!Bind(sql, &bound)) {
    DBFormatError(ctx, nullptr, statementStep);
    return 0;
  }
  ISC_STATUS_ARRAY status = {};
  std::unique_lock<std::recursive_mutex> guard(ctx->Lock, std::defer_lock);
  if (!blobValue && ctx->RunShared) {
    guard.lock();
    if (ctx->RunShared) {
      isc_tr_handle* shared = DbRunTransaction(ctx, status);
      if (!shared) {
        DBFormatError(ctx, status, startStep);
        return 0;
      }
      // The statement alone is undone when it fails; the transaction goes on.
      const ISC_LONG code = Run(ctx, shared, sql, bound.in, returned, status);
      if (code == 0 || (tolerated != 0 && code == tolerated)) return 1;
      DBFormatError(ctx, status, statementStep);
      return 0;
    }
    guard.unlock();
  }
  isc_tr_handle tr = 0;
  isc_start_transaction(status, &tr, 1, &ctx->DbHandle, 0, nullptr);
  if (Failed(status)) {
    DBFormatError(ctx, status, startStep);
    return 0;
  }
  XSQLDA* in = bound.in;
  ISC_QUAD blobId = {};
  char inBlock[XSQLDA_LENGTH(1)] = {};
  if (blobValue) {
    isc_blob_handle blob = 0;
    isc_create_blob2(status, &ctx->DbHandle, &tr, &blob, &blobId, 0, nullptr);
    for (size_t at = 0; !Failed(status) && at < blobValue->size();) {
      unsigned short piece = static_cast<unsigned short>(
          blobValue->size() - at < 32768 ? blobValue->size() - at : 32768);
      isc_put_segment(status, &blob, piece, blobValue->data() + at);
      at += piece;
    }
    if (Failed(status)) {
      DBFormatError(ctx, status, statementStep);
      ISC_STATUS_ARRAY ignored;
      if (blob) isc_cancel_blob(ignored, &blob);
      isc_rollback_transaction(ignored, &tr);
      return 0;
    }
    isc_close_blob(status, &blob);
    if (Failed(status)) {
      DBFormatError(ctx, status, statementStep);
      ISC_STATUS_ARRAY ignored;
      isc_rollback_transaction(ignored, &tr);
      return 0;
    }
    in = reinterpret_cast<XSQLDA*>(inBlock);
    in->version = SQLDA_VERSION1;
    in->sqln = in->sqld = 1;
    in->sqlvar[0].sqltype = SQL_BLOB;
    in->sqlvar[0].sqllen = sizeof(ISC_QUAD);
    in->sqlvar[0].sqldata = reinterpret_cast<ISC_SCHAR*>(&blobId);
  }
  ISC_LONG code = Run(ctx, &tr, sql, in, returned, status);
  if (code == 0) {
    isc_commit_transaction(status, &tr);
    if (!Failed(status)) return 1;
    // A statement whose work fails at commit (metadata in use) has failed too.
    DBFormatError(ctx, status, statementStep);
    ISC_STATUS_ARRAY ignored;
    isc_rollback_transaction(ignored, &tr);
    return 0;
  }
  ISC_STATUS_ARRAY ignored;
  if (tolerated != 0 && code == tolerated) {
    isc_rollback_transaction(ignored, &tr);
    return 1;
  }
  DBFormatError(ctx, status, statementStep);
  isc_rollback_transaction(ignored, &tr);
  return 0;
}

isc_tr_handle* DbRunTransaction(tagDBCONTEXT* ctx, ISC_STATUS* status) {
  // A clean vector, as a call that succeeded leaves it: an all-zero one reads as a failure.
  status[0] = isc_arg_gds;
  status[1] = 0;
  status[2] = isc_arg_end;
  if (!ctx->RunTransaction) {
    // Read committed: each statement also sees what others committed meanwhile (an option
    // saved in a transaction of its own), as it did in a transaction of its own.
    static char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                         isc_tpb_rec_version, isc_tpb_wait};
    isc_start_transaction(status, &ctx->RunTransaction, 1, &ctx->DbHandle,
                          static_cast<unsigned short>(sizeof tpb), tpb);
    if (Failed(status)) {
      ctx->RunTransaction = 0;
      return nullptr;
    }
    ctx->RunTransactionStart = NowMs();
  }
  return &ctx->RunTransaction;
}

bool DbCommitRun(tagDBCONTEXT* ctx, bool now) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  if (!ctx->RunTransaction || (!now && NowMs() - ctx->RunTransactionStart < kRunCommitMs))
    return true;
  ISC_STATUS_ARRAY status = {};
  isc_commit_transaction(status, &ctx->RunTransaction);
  if (!Failed(status)) {
    ctx->RunTransaction = 0;
    return true;
  }
  DBFormatError(ctx, status, "commit transaction run");
  ISC_STATUS_ARRAY ignored;
  isc_rollback_transaction(ignored, &ctx->RunTransaction);
  ctx->RunTransaction = 0;
  // Rows the indexes hold may be gone: both are read again from the tables when next used.
  ctx->Queue.Reset();
  ctx->Loaded.Reset();
  return false;
}

void DbDropPrepared(tagDBCONTEXT* ctx) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  for (auto& entry : ctx->Prepared) {
    ISC_STATUS_ARRAY ignored;
    if (entry.second->Handle) isc_dsql_free_statement(ignored, &entry.second->Handle, DSQL_drop);
  }
  ctx->Prepared.clear();
}
