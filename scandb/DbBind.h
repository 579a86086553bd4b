// Parameters and kept statements, shared by the statement runner and the query.
// Library side; internal to the database layer.
#pragma once

#include <vector>

#include "scandb/DbSql.h"

const short kDialect = 1;

inline bool Failed(const ISC_STATUS* status) { return isc_sqlcode(status) != 0; }

// Input values of a statement with parameters: integers as SQL_LONG, text as UTF8
// SQL_VARYING, none NULL (a literal never was).
struct BoundParams {
  std::vector<char> block;
  std::vector<char> data;
  std::vector<short> nulls;
  XSQLDA* in = nullptr;
};

// Fills bound with the statement's parameters; false when memory ran out.
bool Bind(const SqlText& sql, BoundParams* bound);

// Under the lock: the kept statement for sql's text, prepared in tr on its first use. Null
// either with status set (the prepare failed) or with a clean status when the statement is
// busy or cannot be kept; the caller then prepares one of its own.
DbPrepared* Keep(tagDBCONTEXT* ctx, isc_tr_handle* tr, const SqlText& sql, ISC_STATUS* status);
