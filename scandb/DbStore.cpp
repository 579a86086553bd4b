// Checking and storing links: the step a worker runs for each claimed queue row, the
// inserts with which the engine queues or records links, and the re-check of a link.
#include <new>

#include "scandb/DbRows.h"
#include "scandb/DbSql.h"

namespace {

void Report(tagDBCONTEXT* ctx, int32_t first, const DbLink& l, const DbResult& r,
            const DbOccurrence& at) {
  if (ctx->KeepReport != 1 || ctx->ReportMode != 2 || !ctx->ReportCallback) return;
  ctx->ReportCallback(ctx->ReportUser, first, l.protocol, l.username, l.userpass, l.server, l.port,
                      l.resource, l.bookmark, l.comment, l.restype, l.flags, r.title, r.statusstr,
                      r.commentstr, r.content, r.ressize, r.lastmod, r.charset, r.statusval,
                      r.attempt, r.restime, at.rel_url, at.rel_title, at.line, at.col, at.extern_,
                      at.dir);
}

// Under the lock: finds the link or numbers and inserts its `loaded` row. Returns the row's
// number and sets *first (1 when inserted here), or -1 when a step failed; *result then
// holds the stored result when the link was there already.
int32_t FindOrInsertLoaded(tagDBCONTEXT* ctx, const DbLink& link, const DbResult& given,
                           DbResultBuffers* stored, int32_t* first) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  int32_t number = 0;
  ISC_STATUS fetchStatus = 0;
  if (DBFindLoaded(ctx, &number, link, stored, &fetchStatus)) {
    *first = 0;
    return number;
  }
  // A look-up that failed cannot tell that the link is new; inserting could store it twice.
  if (fetchStatus != 100) return -1;
  if (!DBNextGeneratorValue(ctx, "gen_loaded", 1, &number)) return -1;
  if (!DbInsertLoaded(ctx, number, link, given)) return -1;
  *first = 1;
  return number;
}

}  // namespace

int32_t DBStoreProcessed(tagDBCONTEXT* ctx, const DbLink& link, const DbOccurrence& at,
                         bool* dbFailed) {
  if (dbFailed) *dbFailed = false;
  DbResultBuffers* result = new (std::nothrow) DbResultBuffers;
  if (!result) {
    DBFormatError(ctx, nullptr, "malloc select loaded");
    if (dbFailed) *dbFailed = true;
    return 0;
  }
  int32_t number = 0;
  int32_t first = 0;
  ISC_STATUS fetchStatus = 0;
  if (!DBFindLoaded(ctx, &number, link, result, &fetchStatus)) {
    int32_t keep = 0;
    if (ctx->QueryCallback) {
      keep = ctx->QueryCallback(
          ctx->QueryUser, link.protocol, link.username, link.userpass, link.server, link.port,
          link.resource, link.bookmark, link.comment, link.restype, link.flags, result->title,
          result->statusstr, result->commentstr, result->content, result->ressize, result->lastmod,
          result->charset, &result->statusval, &result->attempt, &result->restime, at.rel_url,
          at.rel_title, at.line, at.col, at.extern_, at.dir);
    }
    if (!keep) {
      delete result;
      return 0;
    }
    // Another worker may have stored the same link (through another occurrence) while the
    // callback ran; the look-up is repeated under the lock that also covers the insert.
    number = FindOrInsertLoaded(ctx, link, result->View(), result, &first);
    if (number < 0) {
      if (dbFailed) *dbFailed = true;
      delete result;
      return 0;
    }
  }
  if (ctx->KeepReport == 1) DbInsertReport(ctx, first, number, at);
  Report(ctx, first, link, result->View(), at);
  delete result;
  return 1;
}

int32_t DBInsertLink(tagDBCONTEXT* ctx, int32_t processed, const DbLink& link,
                     const DbResult& result, const DbOccurrence& at) {
  if (!processed) {
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    return DbInsertFound(ctx, link, at);
  }
  int32_t first = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    int32_t number = FindOrInsertLoaded(ctx, link, result, nullptr, &first);
    if (number < 0) return 0;
    if (ctx->KeepReport != 1) return 1;
    if (!DbInsertReport(ctx, first, number, at)) return 1;
  }
  // The engine's load callback sends messages to the GUI thread, which may itself be
  // waiting for the lock (stopping a run, querying the report): call it unlocked.
  if (ctx->ReportMode == 2 && ctx->LoadCallback) {
    int32_t cancel = 0;
    ctx->LoadCallback(ctx->LoadUser, 0, 0, first, link.protocol, link.username, link.userpass,
                      link.server, link.port, link.resource, link.bookmark, link.comment,
                      link.restype, link.flags, result.title, result.statusstr, result.commentstr,
                      result.content, result.ressize, result.lastmod, result.charset,
                      result.statusval, result.attempt, result.restime, at.rel_url, at.rel_title,
                      at.line, at.col, at.extern_, at.dir, &cancel);
  }
  return 1;
}

int32_t DBAddLinkFound(tagDBCONTEXT* ctx, int32_t protocol, const char* username,
                       const char* userpass, const char* server, int32_t port, const char* resource,
                       const char* bookmark, const char* comment, int32_t restype, int32_t flags,
                       const char* rel_url, const char* rel_title, int32_t line, int32_t col,
                       int32_t extern_, int32_t dir) {
  if (!ctx) return 0;
  const DbLink link = {protocol, username, userpass, server,  port,
                       resource, bookmark, comment,  restype, flags};
  const DbResult none = {"", "", "", "", "", "", "", 0, 0, 0};
  return DBInsertLink(ctx, 0, link, none,
                      DbOccurrence{rel_url, rel_title, line, col, extern_, dir});
}

int32_t DBAddLinkProcessed(tagDBCONTEXT* ctx, int32_t protocol, const char* username,
                           const char* userpass, const char* server, int32_t port,
                           const char* resource, const char* bookmark, const char* comment,
                           int32_t restype, int32_t flags, const char* title, const char* statusstr,
                           const char* commentstr, const char* content, const char* ressize,
                           const char* lastmod, const char* charset, int32_t statusval,
                           int32_t attempt, int32_t restime, const char* rel_url,
                           const char* rel_title, int32_t line, int32_t col, int32_t extern_,
                           int32_t dir) {
  if (!ctx) return 0;
  const DbLink link = {protocol, username, userpass, server,  port,
                       resource, bookmark, comment,  restype, flags};
  const DbResult result = {title,   statusstr, commentstr, content, ressize,
                           lastmod, charset,   statusval,  attempt, restime};
  return DBInsertLink(ctx, 1, link, result,
                      DbOccurrence{rel_url, rel_title, line, col, extern_, dir});
}

int32_t DBRecheckLinks(tagDBCONTEXT* ctx, int32_t protocol, const char* username,
                       const char* userpass, const char* server, int32_t port, const char* resource,
                       const char* bookmark, const char* comment, int32_t restype, int32_t flags,
                       int32_t ignoreBookmark, DBRecheckCallback callback, void* user) {
  if (!ctx || ctx->KeepReport != 1) return 0;
  const DbLink link = {protocol, username, userpass, server,  port,
                       resource, bookmark, comment,  restype, flags};
  int32_t number = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    ISC_STATUS fetchStatus = 0;
    if (!DbFindForRecheck(ctx, &number, link, ignoreBookmark != 0, &fetchStatus)) return 0;

    SqlText sql(256);
    sql.Add(
           "SELECT first, rel_url, OCTET_LENGTH(rel_url), rel_title, OCTET_LENGTH(rel_title), "
           "line, col, extern, dir FROM report WHERE loaded = ")
        .AddInt(number);
    DbQuery query(ctx, "select report");
    char* rel_url = new (std::nothrow) char[DB_LONG_SIZE];
    char* rel_title = new (std::nothrow) char[DB_TEXT_SIZE];
    if (!rel_url || !rel_title) {
      DbRecordFailure(ctx, nullptr, "malloc ", "select report");
    } else if (query.Open(sql, 9)) {
      while (query.Fetch() == 0) {
        query.CopyText(1, 2, rel_url, DB_LONG_SIZE);
        query.CopyText(3, 4, rel_title, DB_TEXT_SIZE);
        const DbOccurrence at = {rel_url,      rel_title,    query.Int(5),
                                 query.Int(6), query.Int(7), query.Int(8)};
        if (DbInsertFound(ctx, link, at) && callback) {
          callback(user, query.Int(0), protocol, username, userpass, server, port, resource,
                   bookmark, comment, restype, flags, at.rel_url, at.rel_title, at.line, at.col,
                   at.extern_, at.dir);
        }
      }
    }
    query.Close();
    delete[] rel_url;
    delete[] rel_title;
  }
  SqlText deleteReport(256);
  deleteReport.Add("DELETE FROM report WHERE loaded=").AddInt(number);
  DbExecute(ctx, deleteReport, "start transaction delete found", "delete found");
  SqlText deleteLoaded(256);
  deleteLoaded.Add("DELETE FROM loaded WHERE number=").AddInt(number);
  if (DbExecute(ctx, deleteLoaded, "start transaction delete found", "delete found")) {
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    ctx->Loaded.Remove(number);
  }
  return 1;
}
