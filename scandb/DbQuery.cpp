// Queries: a statement with a result set in its own transaction.
#include <cstdlib>
#include <cstring>

#include "scandb/DbBind.h"
#include "scandb/Utf8Clean.h"

DbQuery::~DbQuery() { Close(); }

bool DbQuery::Open(const SqlText& sql, int columns) {
  ISC_STATUS_ARRAY status = {};
  if (!ownTransaction_ && ctx_->RunShared) {
    keptLock_ = std::unique_lock<std::recursive_mutex>(ctx_->Lock);
    if (ctx_->RunShared) {
      trp_ = DbRunTransaction(ctx_, status);
      if (!trp_) {
        DbRecordFailure(ctx_, status, "start transaction ", what_);
        trp_ = &tr_;
        keptLock_.unlock();
        return false;
      }
    }
  }
  if (trp_ == &tr_) {
    isc_start_transaction(status, &tr_, 1, &ctx_->DbHandle, 0, nullptr);
    if (Failed(status)) {
      DbRecordFailure(ctx_, status, "start transaction ", what_);
      tr_ = 0;
      if (keptLock_.owns_lock()) keptLock_.unlock();
      return false;
    }
  }
  closed_ = false;
  if (sql.OutOfMemory()) {
    DbRecordFailure(ctx_, nullptr, "malloc ", what_);
    return false;
  }
  out_ = static_cast<XSQLDA*>(calloc(1, XSQLDA_LENGTH(columns)));
  nulls_ = static_cast<short*>(calloc(columns, sizeof(short)));
  if (!out_ || !nulls_) {
    DbRecordFailure(ctx_, nullptr, "malloc ", what_);
    return false;
  }
  out_->version = SQLDA_VERSION1;
  out_->sqln = static_cast<short>(columns);
  BoundParams bound;
  if (!Bind(sql, &bound)) {
    DbRecordFailure(ctx_, nullptr, "malloc ", what_);
    return false;
  }
  if (!sql.Params().empty() && sql.Ok()) {
    if (!keptLock_.owns_lock()) keptLock_ = std::unique_lock<std::recursive_mutex>(ctx_->Lock);
    kept_ = Keep(ctx_, trp_, sql, status);
    if (Failed(status)) {
      DbRecordFailure(ctx_, status, "", what_);
      return false;
    }
  }
  if (kept_) {
    kept_->Busy = true;
    isc_dsql_describe(status, Statement(), kDialect, out_);
    if (Failed(status)) {
      DbRecordFailure(ctx_, status, "", what_);
      return false;
    }
  } else {
    isc_dsql_allocate_statement(status, &ctx_->DbHandle, &stmt_);
    if (Failed(status)) {
      DbRecordFailure(ctx_, status, "allocate statement ", what_);
      stmt_ = 0;
      return false;
    }
    if (!sql.Ok()) {
      DbRecordFailure(ctx_, nullptr, "", what_);
      return false;
    }
    isc_dsql_prepare(status, trp_, &stmt_, 0, sql.Text(), kDialect, out_);
    if (Failed(status)) {
      DbRecordFailure(ctx_, status, "", what_);
      return false;
    }
  }
  if (out_->sqld != columns) {
    DbRecordFailure(ctx_, nullptr, "", what_);
    return false;
  }
  size_t total = 0;
  for (int i = 0; i < columns; ++i) {
    XSQLVAR& var = out_->sqlvar[i];
    switch (var.sqltype & ~1) {
      case SQL_TEXT:
      case SQL_VARYING:
        // Character set NONE: the length counts bytes, whatever the column's set is.
        var.sqltype = SQL_TEXT + 1;
        var.sqlsubtype = 0;
        break;
      case SQL_BLOB:
        var.sqltype = SQL_BLOB + 1;
        var.sqllen = sizeof(ISC_QUAD);
        break;
      default:
        var.sqltype = SQL_LONG + 1;
        var.sqlscale = 0;
        var.sqllen = sizeof(ISC_LONG);
        break;
    }
    total += (static_cast<size_t>(var.sqllen) + 7) & ~static_cast<size_t>(7);
  }
  data_ = static_cast<char*>(calloc(1, total ? total : 1));
  if (!data_) {
    DbRecordFailure(ctx_, nullptr, "malloc ", what_);
    return false;
  }
  char* at = data_;
  for (int i = 0; i < columns; ++i) {
    XSQLVAR& var = out_->sqlvar[i];
    var.sqldata = at;
    var.sqlind = &nulls_[i];
    at += (static_cast<size_t>(var.sqllen) + 7) & ~static_cast<size_t>(7);
  }
  isc_dsql_execute(status, trp_, Statement(), kDialect, bound.in);
  if (Failed(status)) {
    DbRecordFailure(ctx_, status, "execute ", what_);
    return false;
  }
  return true;
}

ISC_STATUS DbQuery::Fetch() {
  ISC_STATUS_ARRAY status = {};
  ISC_STATUS code = isc_dsql_fetch(status, Statement(), kDialect, out_);
  if (code != 0 && code != 100) DbRecordFailure(ctx_, status, "fetch ", what_);
  return code;
}

bool DbQuery::Close() {
  if (closed_) return true;
  closed_ = true;
  bool ok = true;
  ISC_STATUS_ARRAY status = {};
  if (kept_) {
    // A cursor that was never opened or is already closed gives an error that changes
    // nothing: the statement is ready for its next use either way.
    ISC_STATUS_ARRAY ignored;
    isc_dsql_free_statement(ignored, &kept_->Handle, DSQL_close);
    kept_->Busy = false;
    kept_ = nullptr;
  }
  if (stmt_) {
    isc_dsql_free_statement(status, &stmt_, DSQL_drop);
    if (Failed(status)) {
      DbRecordFailure(ctx_, status, "free statement ", what_);
      ok = false;
    }
    stmt_ = 0;
  }
  // The run's shared transaction is committed by the run.
  if (trp_ == &tr_) {
    isc_commit_transaction(status, &tr_);
    if (Failed(status)) {
      DbRecordFailure(ctx_, status, "commit transaction ", what_);
      ISC_STATUS_ARRAY ignored;
      isc_rollback_transaction(ignored, &tr_);
      ok = false;
    }
  }
  tr_ = 0;
  trp_ = &tr_;
  free(data_);
  free(nulls_);
  free(out_);
  data_ = nullptr;
  nulls_ = nullptr;
  out_ = nullptr;
  if (keptLock_.owns_lock()) keptLock_.unlock();
  return ok;
}

bool DbQuery::IsNull(int column) const { return nulls_[column] < 0; }

int32_t DbQuery::Int(int column) const {
  if (IsNull(column)) return 0;
  ISC_LONG value;
  memcpy(&value, out_->sqlvar[column].sqldata, sizeof(value));
  return value;
}

void DbQuery::CopyText(int column, int lengthColumn, char* buffer, size_t size) const {
  if (size == 0) return;
  buffer[0] = '\0';
  if (IsNull(column)) return;
  const XSQLVAR& var = out_->sqlvar[column];
  size_t capacity = static_cast<size_t>(var.sqllen);
  size_t length = capacity;
  if (lengthColumn >= 0) {
    int32_t stated = Int(lengthColumn);
    length = stated < 0 ? 0 : static_cast<size_t>(stated);
    if (length > capacity) length = capacity;
  } else {
    while (length > 0 && var.sqldata[length - 1] == ' ') --length;
  }
  CopyCut(var.sqldata, length, buffer, size);
}

const ISC_QUAD* DbQuery::Blob(int column) const {
  if (IsNull(column)) return nullptr;
  return reinterpret_cast<const ISC_QUAD*>(out_->sqlvar[column].sqldata);
}

int DbQueryInt(tagDBCONTEXT* ctx, const SqlText& sql, const char* what, int32_t* value,
               bool ownTransaction) {
  DbQuery query(ctx, what, ownTransaction);
  if (!query.Open(sql, 1)) return 0;
  ISC_STATUS code = query.Fetch();
  if (code == 100) DbRecordFailure(ctx, nullptr, "fetch ", what);
  if (code == 0 && value) *value = query.Int(0);
  bool closed = query.Close();
  return code == 0 && closed ? 1 : 0;
}
