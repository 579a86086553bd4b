// Statements without a result set, each in its own transaction, and the kept statements.
#include "scandb/DbSql.h"

#include <mutex>

#include "scandb/DbBind.h"

namespace {

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

void DbDropPrepared(tagDBCONTEXT* ctx) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  for (auto& entry : ctx->Prepared) {
    ISC_STATUS_ARRAY ignored;
    if (entry.second->Handle) isc_dsql_free_statement(ignored, &entry.second->Handle, DSQL_drop);
  }
  ctx->Prepared.clear();
}
