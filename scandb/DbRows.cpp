// Statements on single rows of `found`, `loaded` and `report`, and the look-up of a
// checked link.
#include "scandb/DbRows.h"

#include <vector>

#include "scandb/DbSql.h"

namespace {

// Statements hold every value whole: a cut one could still be valid and do something else.
const size_t kStatementBytes = 1 << 16;

// Parameters for the link columns, protocol to flags.
void AddLinkParams(SqlText& sql, const DbLink& l) {
  sql.ParamInt(l.protocol).Add(", ").ParamValue(l.username, kTextColumn).Add(", ");
  sql.ParamValue(l.userpass, kTextColumn).Add(", ").ParamValue(l.server, kTextColumn).Add(", ");
  sql.ParamInt(l.port).Add(", ").ParamValue(l.resource, kLongColumn).Add(", ");
  sql.ParamValue(l.bookmark, kTextColumn).Add(", ").ParamValue(l.comment, kTextColumn).Add(", ");
  sql.ParamInt(l.restype).Add(", ").ParamInt(l.flags);
}

// ", " and parameters for the occurrence columns, rel_url to dir.
void AddOccurrenceParams(SqlText& sql, const DbOccurrence& at) {
  sql.Add(", ").ParamValue(at.rel_url, kLongColumn).Add(", ");
  sql.ParamValue(at.rel_title, kTextColumn).Add(", ").ParamInt(at.line).Add(", ");
  sql.ParamInt(at.col).Add(", ").ParamInt(at.extern_).Add(", ").ParamInt(at.dir);
}

// The WHERE clause of the look-up up to the resource, then bookmark and comment on request;
// the row number found in the index comes last, so Firebird reads that one row.
void AddIdentity(SqlText& sql, const tagDBCONTEXT* ctx, const DbLink& link, bool withBookmark,
                 bool withComment, int32_t number) {
  sql.Add(" WHERE protocol=").ParamInt(link.protocol);
  sql.Add(" AND username=").ParamValue(link.username, kTextColumn);
  sql.Add(" AND userpass=").ParamValue(link.userpass, kTextColumn);
  sql.Add(" AND UPPER(server)=UPPER(").ParamValue(link.server, kTextColumn);
  sql.Add(") AND port=").ParamInt(link.port);
  if (ctx->IgnoreCase == 1)
    sql.Add(" AND UPPER(resource)=UPPER(").ParamValue(link.resource, kLongColumn).Add(")");
  else
    sql.Add(" AND resource=").ParamValue(link.resource, kLongColumn);
  if (withBookmark)
    sql.Add(" AND UPPER(bookmark)=UPPER(").ParamValue(link.bookmark, kTextColumn).Add(")");
  if (withComment)
    sql.Add(" AND UPPER(comment)=UPPER(").ParamValue(link.comment, kTextColumn).Add(")");
  sql.Add(" AND number=").ParamInt(number);
}

}  // namespace

int DbInsertLoaded(tagDBCONTEXT* ctx, const DbLink& l, const DbResult& r, int32_t* inserted) {
  SqlText sql(kStatementBytes);
  sql.Add(
      "INSERT INTO loaded (number, protocol, username, userpass, server, port, resource, "
      "bookmark, comment, restype, flags, title, statusstr, commentstr, content, ressize, "
      "lastmod, charset, statusval, attempt, restime) VALUES (gen_id(gen_loaded, 1), ");
  AddLinkParams(sql, l);
  sql.Add(", ").ParamValue(r.title, kTextColumn).Add(", ");
  sql.ParamValue(r.statusstr, kTextColumn).Add(", ").ParamValue(r.commentstr, kTextColumn);
  sql.Add(", ").ParamValue(r.content, kShortColumn).Add(", ");
  sql.ParamValue(r.ressize, kShortColumn).Add(", ").ParamValue(r.lastmod, kShortColumn);
  sql.Add(", ").ParamValue(r.charset, kShortColumn).Add(", ").ParamInt(r.statusval);
  sql.Add(", ").ParamInt(r.attempt).Add(", ").ParamInt(r.restime).Add(") RETURNING number");
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  int32_t number = 0;
  if (!DbExecute(ctx, sql, "start transaction insert loaded", "insert into loaded", 0, nullptr,
                 &number))
    return 0;
  ctx->Loaded.Add(number, l, r);
  *inserted = number;
  return 1;
}

int DbInsertReport(tagDBCONTEXT* ctx, int32_t first, int32_t loaded, const DbOccurrence& at) {
  SqlText sql(kStatementBytes);
  sql.Add(
         "INSERT INTO report (first, loaded, rel_url, rel_title, line, col, extern, dir) "
         "VALUES (")
      .ParamInt(first)
      .Add(", ")
      .ParamInt(loaded);
  AddOccurrenceParams(sql, at);
  sql.Add(")");
  // Under the lock until committed: the report query counts its rows under the same lock.
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  return DbExecute(ctx, sql, "start transaction insert report", "insert into report");
}

int DbInsertFound(tagDBCONTEXT* ctx, const DbLink& l, const DbOccurrence& at, int32_t* inserted) {
  SqlText sql(kStatementBytes);
  sql.Add(
      "INSERT INTO found (number, protocol, username, userpass, server, port, resource, "
      "bookmark, comment, restype, flags, rel_url, rel_title, line, col, extern, dir) "
      "VALUES (gen_id(gen_found, 1), ");
  AddLinkParams(sql, l);
  AddOccurrenceParams(sql, at);
  sql.Add(") RETURNING number");
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  int32_t number = 0;
  if (!DbExecute(ctx, sql, "start transaction insert found", "insert into found", 0, nullptr,
                 &number))
    return 0;
  ctx->Queue.Add(number, l, at);
  if (inserted) *inserted = number;
  // A claim takes the first row no other worker holds or nothing: a row behind another
  // free one gives a waiting worker nothing to do.
  size_t held = 0;
  for (int32_t i = 0; ctx->Slots && i < ctx->ThreadCount; ++i) held += ctx->Slots[i].HoldsRow;
  if (ctx->Queue.Size() <= held + 1) DbNoteQueued(ctx);
  return 1;
}

int DbDeleteFound(tagDBCONTEXT* ctx, int32_t number) {
  SqlText sql(256);
  sql.Add("DELETE FROM found WHERE number=").ParamInt(number);
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  if (!DbExecute(ctx, sql, "start transaction delete found", "delete found")) return 0;
  ctx->Queue.Remove(number);
  return 1;
}

int DbDeleteLoaded(tagDBCONTEXT* ctx, int32_t number) {
  SqlText sql(256);
  sql.Add("DELETE FROM loaded WHERE number=").ParamInt(number);
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  if (!DbExecute(ctx, sql, "start transaction delete loaded", "delete loaded")) return 0;
  ctx->Loaded.Remove(number);
  return 1;
}

int32_t DBFindLoaded(tagDBCONTEXT* ctx, int32_t* number, const DbLink& link,
                     DbResultBuffers* result, ISC_STATUS* fetchStatus) {
  *fetchStatus = 100;
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  std::vector<int32_t> candidates;
  if (!ctx->Loaded.Find(ctx, link, ctx->IgnoreCase == 1, true, true, &candidates)) {
    *fetchStatus = -1;
    return 0;
  }
  for (int32_t candidate : candidates) {
    if (ctx->Loaded.StoredResult(candidate, result)) {
      *number = candidate;
      *fetchStatus = 0;
      return 1;
    }
    SqlText sql(kStatementBytes);
    sql.Add(
        "SELECT FIRST 1 number, title, OCTET_LENGTH(title), statusstr, OCTET_LENGTH(statusstr), "
        "commentstr, OCTET_LENGTH(commentstr), content, OCTET_LENGTH(content), ressize, "
        "OCTET_LENGTH(ressize), lastmod, OCTET_LENGTH(lastmod), charset, OCTET_LENGTH(charset), "
        "statusval, attempt, restime FROM loaded");
    AddIdentity(sql, ctx, link, true, true, candidate);
    DbQuery query(ctx, "select loaded");
    if (!query.Open(sql, 18)) {
      *fetchStatus = -1;
      return 0;
    }
    ISC_STATUS code = query.Fetch();
    if (code == 0) {
      *number = query.Int(0);
      if (result) {
        query.CopyText(1, 2, result->title, sizeof(result->title));
        query.CopyText(3, 4, result->statusstr, sizeof(result->statusstr));
        query.CopyText(5, 6, result->commentstr, sizeof(result->commentstr));
        query.CopyText(7, 8, result->content, sizeof(result->content));
        query.CopyText(9, 10, result->ressize, sizeof(result->ressize));
        query.CopyText(11, 12, result->lastmod, sizeof(result->lastmod));
        query.CopyText(13, 14, result->charset, sizeof(result->charset));
        result->statusval = query.Int(15);
        result->attempt = query.Int(16);
        result->restime = query.Int(17);
      }
    }
    if (!query.Close()) code = -1;
    if (code != 100) {
      *fetchStatus = code;
      return code == 0 ? 1 : 0;
    }
  }
  return 0;
}

int32_t DbFindForRecheck(tagDBCONTEXT* ctx, int32_t* number, const DbLink& link,
                         bool ignoreBookmark, ISC_STATUS* fetchStatus) {
  *fetchStatus = 100;
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  std::vector<int32_t> candidates;
  if (!ctx->Loaded.Find(ctx, link, ctx->IgnoreCase == 1, !ignoreBookmark, false, &candidates)) {
    *fetchStatus = -1;
    return 0;
  }
  for (int32_t candidate : candidates) {
    SqlText sql(kStatementBytes);
    sql.Add("SELECT FIRST 1 number FROM loaded");
    AddIdentity(sql, ctx, link, !ignoreBookmark, false, candidate);
    DbQuery query(ctx, "select loaded");
    if (!query.Open(sql, 1)) {
      *fetchStatus = -1;
      return 0;
    }
    ISC_STATUS code = query.Fetch();
    if (code == 0) *number = query.Int(0);
    if (!query.Close()) code = -1;
    if (code != 100) {
      *fetchStatus = code;
      return code == 0 ? 1 : 0;
    }
  }
  return 0;
}
