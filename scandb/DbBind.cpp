// Statement parameters bound from values, and statements kept prepared for reuse.
#include "scandb/DbBind.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace {

const short kUtf8 = 4;  // Firebird's id of the UTF8 character set

size_t Aligned(size_t length) { return (length + 7) & ~static_cast<size_t>(7); }

}  // namespace

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
