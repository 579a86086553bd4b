#include "scandb/DbSql.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "scandb/Utf8Clean.h"

namespace {

const short kDialect = 1;

const short kUtf8 = 4;  // Firebird's id of the UTF8 character set

bool Failed(const ISC_STATUS* status) { return isc_sqlcode(status) != 0; }

// Input values of a statement with parameters: integers as SQL_LONG, text as UTF8
// SQL_VARYING, none NULL (a literal never was).
struct BoundParams {
  std::vector<char> block;
  std::vector<char> data;
  std::vector<short> nulls;
  XSQLDA* in = nullptr;
};

size_t Aligned(size_t length) { return (length + 7) & ~static_cast<size_t>(7); }

// False when memory ran out.
bool Bind(const SqlText& sql, BoundParams* bound) {
  const std::vector<SqlText::Param>& params = sql.Params();
  if (params.empty()) return true;
  try {
    size_t total = 0;
    for (const SqlText::Param& param : params)
      total += Aligned(param.isText ? sizeof(short) + param.text.size() : sizeof(ISC_LONG));
    bound->block.assign(XSQLDA_LENGTH(params.size()), 0);
    bound->data.assign(total, 0);
    bound->nulls.assign(params.size(), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  XSQLDA* in = reinterpret_cast<XSQLDA*>(bound->block.data());
  in->version = SQLDA_VERSION1;
  in->sqln = in->sqld = static_cast<short>(params.size());
  char* at = bound->data.data();
  for (size_t i = 0; i < params.size(); ++i) {
    const SqlText::Param& param = params[i];
    XSQLVAR& var = in->sqlvar[i];
    var.sqldata = at;
    var.sqlind = &bound->nulls[i];
    if (param.isText) {
      const short length = static_cast<short>(param.text.size());
      var.sqltype = SQL_VARYING + 1;
      var.sqlsubtype = kUtf8;
      var.sqllen = length > 0 ? length : 1;
      memcpy(at, &length, sizeof(length));
      memcpy(at + sizeof(length), param.text.data(), param.text.size());
      at += Aligned(sizeof(short) + param.text.size());
    } else {
      const ISC_LONG value = param.value;
      var.sqltype = SQL_LONG + 1;
      var.sqllen = sizeof(value);
      memcpy(at, &value, sizeof(value));
      at += Aligned(sizeof(value));
    }
  }
  bound->in = in;
  return true;
}

// Under the lock: the kept statement for sql's text, prepared in tr on its first use. Null
// either with status set (the prepare failed) or with a clean status when the statement is
// busy or cannot be kept; the caller then prepares one of its own.
DbPrepared* Keep(tagDBCONTEXT* ctx, isc_tr_handle* tr, const SqlText& sql, ISC_STATUS* status) {
  try {
    auto found = ctx->Prepared.find(sql.Text());
    if (found != ctx->Prepared.end()) return found->second->Busy ? nullptr : found->second.get();
    std::unique_ptr<DbPrepared> prepared(new DbPrepared);
    isc_dsql_allocate_statement(status, &ctx->DbHandle, &prepared->Handle);
    if (Failed(status)) return nullptr;
    isc_dsql_prepare(status, tr, &prepared->Handle, 0, sql.Text(), kDialect, nullptr);
    if (Failed(status)) {
      ISC_STATUS_ARRAY ignored;
      isc_dsql_free_statement(ignored, &prepared->Handle, DSQL_drop);
      return nullptr;
    }
    DbPrepared* kept = prepared.get();
    try {
      ctx->Prepared.emplace(sql.Text(), std::move(prepared));
    } catch (const std::bad_alloc&) {
      ISC_STATUS_ARRAY ignored;
      isc_dsql_free_statement(ignored, &kept->Handle, DSQL_drop);
      return nullptr;
    }
    return kept;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
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

int32_t DBFormatError(tagDBCONTEXT* ctx, const ISC_STATUS* status, const char* step) {
  if (!ctx) return 0;
  char text[sizeof(ctx->ErrorText)];
  int length = snprintf(text, sizeof(text), "PROBLEM ON \"%s\".\n", step ? step : "");
  if (length < 0) length = 0;
  if (length >= static_cast<int>(sizeof(text))) length = sizeof(text) - 1;
  if (status) {
    char message[sizeof(text)] = {};
    const ISC_STATUS* vector = status;
    fb_interpret(message, sizeof(message), &vector);
    length += DBQuoteString(text + length, sizeof(text) - length, message, 0);
    int more = snprintf(text + length, sizeof(text) - length, "\nSQLCODE: %d",
                        static_cast<int>(isc_sqlcode(status)));
    if (more > 0) length += more;
    if (length >= static_cast<int>(sizeof(text))) length = sizeof(text) - 1;
  }
  std::lock_guard<std::mutex> guard(ctx->ErrorLock);
  memcpy(ctx->ErrorText, text, length);
  ctx->ErrorText[length] = '\0';
  return length;
}

void DbRecordFailure(tagDBCONTEXT* ctx, const ISC_STATUS* status, const char* prefix,
                     const char* what) {
  char step[256];
  snprintf(step, sizeof(step), "%s%s", prefix, what);
  DBFormatError(ctx, status, step);
}

int32_t DBErrorText(tagDBCONTEXT* ctx, char* buffer, int32_t size) {
  if (!ctx || !buffer || size <= 0) return 0;
  std::lock_guard<std::mutex> guard(ctx->ErrorLock);
  size_t length = strnlen(ctx->ErrorText, sizeof(ctx->ErrorText) - 1);
  if (length > static_cast<size_t>(size - 1))
    length = Utf8CutLength(ctx->ErrorText, length, size - 1);
  memcpy(buffer, ctx->ErrorText, length);
  buffer[length] = '\0';
  return static_cast<int32_t>(length);
}

DbKeptError::DbKeptError(tagDBCONTEXT* ctx) : ctx_(ctx) {
  std::lock_guard<std::mutex> guard(ctx->ErrorLock);
  memcpy(text_, ctx->ErrorText, sizeof(text_));
}

DbKeptError::~DbKeptError() {
  std::lock_guard<std::mutex> guard(ctx_->ErrorLock);
  memcpy(ctx_->ErrorText, text_, sizeof(text_));
}

int32_t DBQuoteString(char* buffer, uint32_t size, const char* text, int32_t doubleQuotes) {
  if (!buffer || size == 0) return 0;
  uint32_t written = 0;
  for (const char* p = text ? text : ""; *p; ++p) {
    uint32_t need = (doubleQuotes && *p == '\'') ? 2 : 1;
    if (size - written < need + 1) break;
    buffer[written++] = *p;
    if (need == 2) buffer[written++] = '\'';
  }
  buffer[written] = '\0';
  return static_cast<int32_t>(written);
}

void SqlText::AddBytes(const char* bytes, size_t length) {
  if (!Ok()) return;
  if (length > limit_ - text_.size()) {
    tooLong_ = true;
    return;
  }
  try {
    text_.append(bytes, length);
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
}

void SqlText::AddDoubled(const char* text, size_t length) {
  if (!Ok()) return;
  size_t quotes = 0;
  for (size_t i = 0; i < length; ++i) quotes += text[i] == '\'';
  if (length + quotes > limit_ - text_.size()) {
    tooLong_ = true;
    return;
  }
  try {
    size_t at = text_.size();
    text_.resize(at + length + quotes + 1);
    int32_t written = DBQuoteString(&text_[at], static_cast<uint32_t>(length + quotes + 1),
                                    std::string(text, length).c_str(), 1);
    text_.resize(at + written);
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
}

SqlText& SqlText::Add(const char* piece) {
  AddBytes(piece, strlen(piece));
  return *this;
}

SqlText& SqlText::AddInt(int32_t value) {
  char digits[16];
  int length = snprintf(digits, sizeof(digits), "%d", static_cast<int>(value));
  AddBytes(digits, static_cast<size_t>(length));
  return *this;
}

SqlText& SqlText::AddValue(const char* text, size_t maxBytes) {
  std::string clean;
  if (!AppendCleanUtf8(clean, text, maxBytes)) {
    outOfMemory_ = true;
    return *this;
  }
  AddDoubled(clean.data(), clean.size());
  return *this;
}

SqlText& SqlText::ParamInt(int32_t value) {
  Add("?");
  if (!Ok()) return *this;
  try {
    params_.push_back(Param{false, value, std::string()});
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
  return *this;
}

SqlText& SqlText::ParamValue(const char* text, size_t maxBytes) {
  Add("?");
  if (!Ok()) return *this;
  try {
    params_.push_back(Param{true, 0, std::string()});
    if (!AppendCleanUtf8(params_.back().text, text, maxBytes)) outOfMemory_ = true;
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
  }
  return *this;
}

SqlText& SqlText::AddRaw(const char* text) {
  AddDoubled(text ? text : "", text ? strlen(text) : 0);
  return *this;
}

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

DbQuery::~DbQuery() { Close(); }

bool DbQuery::Open(const SqlText& sql, int columns) {
  ISC_STATUS_ARRAY status = {};
  isc_start_transaction(status, &tr_, 1, &ctx_->DbHandle, 0, nullptr);
  if (Failed(status)) {
    DbRecordFailure(ctx_, status, "start transaction ", what_);
    tr_ = 0;
    return false;
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
    keptLock_ = std::unique_lock<std::recursive_mutex>(ctx_->Lock);
    kept_ = Keep(ctx_, &tr_, sql, status);
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
    isc_dsql_prepare(status, &tr_, &stmt_, 0, sql.Text(), kDialect, out_);
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
  isc_dsql_execute(status, &tr_, Statement(), kDialect, bound.in);
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
  isc_commit_transaction(status, &tr_);
  if (Failed(status)) {
    DbRecordFailure(ctx_, status, "commit transaction ", what_);
    ISC_STATUS_ARRAY ignored;
    isc_rollback_transaction(ignored, &tr_);
    ok = false;
  }
  tr_ = 0;
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
  length = Utf8CutLength(var.sqldata, length, size - 1);
  memcpy(buffer, var.sqldata, length);
  buffer[length] = '\0';
}

const ISC_QUAD* DbQuery::Blob(int column) const {
  if (IsNull(column)) return nullptr;
  return reinterpret_cast<const ISC_QUAD*>(out_->sqlvar[column].sqldata);
}

void DbDropPrepared(tagDBCONTEXT* ctx) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  for (auto& entry : ctx->Prepared) {
    ISC_STATUS_ARRAY ignored;
    if (entry.second->Handle) isc_dsql_free_statement(ignored, &entry.second->Handle, DSQL_drop);
  }
  ctx->Prepared.clear();
}

int DbQueryInt(tagDBCONTEXT* ctx, const SqlText& sql, const char* what, int32_t* value) {
  DbQuery query(ctx, what);
  if (!query.Open(sql, 1)) return 0;
  ISC_STATUS code = query.Fetch();
  if (code == 100) DbRecordFailure(ctx, nullptr, "fetch ", what);
  if (code == 0 && value) *value = query.Int(0);
  bool closed = query.Close();
  return code == 0 && closed ? 1 : 0;
}
