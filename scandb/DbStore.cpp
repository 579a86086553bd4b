// Checking and storing links: the step a worker runs for each claimed queue row, the
// inserts with which the engine queues or records links, and the re-check of a link.
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

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
  if (!DbInsertLoaded(ctx, link, given, &number)) return -1;
  *first = 1;
  return number;
}

// Under the lock: the link's `loaded` row (found, or inserted with `given`) and, with the
// report table, the occurrence's `report` row. A `loaded` row inserted here goes again when
// the occurrence could not be stored, so that a retry stores it as the first one. Returns
// the row's number and sets *first, or -1 when a step failed.
int32_t StoreRows(tagDBCONTEXT* ctx, const DbLink& link, const DbResult& given,
                  DbResultBuffers* stored, const DbOccurrence& at, int32_t* first) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  const int32_t number = FindOrInsertLoaded(ctx, link, given, stored, first);
  if (number < 0 || ctx->KeepReport != 1) return number;
  if (DbInsertReport(ctx, *first, number, at)) return number;
  if (*first) {
    DbKeptError kept(ctx);
    DbDeleteLoaded(ctx, number);
  }
  return -1;
}

// During a run, an occurrence of a link already checked is stored as a worker would store
// it on claiming its queue row (the `report` row, then the report call, without the lock),
// at once: a queue row written, read back and deleted again would cost three statements
// under the lock. Under the lock: true when stored, with the link's result in *result;
// false when the link has no result yet or a step failed, and the occurrence is to be queued.
bool StoreRepeat(tagDBCONTEXT* ctx, const DbLink& link, const DbOccurrence& at,
                 DbResultBuffers* result) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  if (!ctx->Running) return false;
  int32_t number = 0;
  ISC_STATUS fetchStatus = 0;
  if (!DBFindLoaded(ctx, &number, link, result, &fetchStatus)) return false;
  return ctx->KeepReport != 1 || DbInsertReport(ctx, 0, number, at);
}

// Under the lock: the occurrence stored as a repeat or queued; 1 on success. *repeated
// tells which, so that the caller reports a repeat once the lock is released.
int32_t StoreOrQueue(tagDBCONTEXT* ctx, const DbLink& link, const DbOccurrence& at,
                     DbResultBuffers* result, bool* repeated) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  *repeated = result && StoreRepeat(ctx, link, at, result);
  return *repeated ? 1 : DbInsertFound(ctx, link, at);
}

// An occurrence of a re-checked link and the queue row made for it (0 while none).
struct Requeued {
  int32_t first = 0;
  std::string rel_url, rel_title;
  int32_t line = 0, col = 0, extern_ = 0, dir = 0;
  int32_t queued = 0;

  DbOccurrence At() const { return {rel_url.c_str(), rel_title.c_str(), line, col, extern_, dir}; }
};

// Reads every `report` row of the result numbered `loaded`.
bool ReadOccurrences(tagDBCONTEXT* ctx, int32_t loaded, std::vector<Requeued>* rows) {
  SqlText sql(256);
  sql.Add(
         "SELECT first, rel_url, OCTET_LENGTH(rel_url), rel_title, OCTET_LENGTH(rel_title), "
         "line, col, extern, dir FROM report WHERE loaded = ")
      .ParamInt(loaded);
  DbQuery query(ctx, "select report");
  if (!query.Open(sql, 9)) return false;
  std::unique_ptr<char[]> rel_url(new (std::nothrow) char[DB_LONG_SIZE]);
  std::unique_ptr<char[]> rel_title(new (std::nothrow) char[DB_TEXT_SIZE]);
  ISC_STATUS code = 0;
  try {
    while (rel_url && rel_title && (code = query.Fetch()) == 0) {
      query.CopyText(1, 2, rel_url.get(), DB_LONG_SIZE);
      query.CopyText(3, 4, rel_title.get(), DB_TEXT_SIZE);
      Requeued row;
      row.first = query.Int(0);
      row.rel_url = rel_url.get();
      row.rel_title = rel_title.get();
      row.line = query.Int(5);
      row.col = query.Int(6);
      row.extern_ = query.Int(7);
      row.dir = query.Int(8);
      rows->push_back(std::move(row));
    }
  } catch (const std::bad_alloc&) {
    rel_url.reset();
  }
  if (!rel_url || !rel_title) DbRecordFailure(ctx, nullptr, "malloc ", "select report");
  return query.Close() && rel_url && rel_title && code == 100;
}

// Takes back the queue rows made so far for a re-check that could not go on.
void Unqueue(tagDBCONTEXT* ctx, const std::vector<Requeued>& rows) {
  DbKeptError kept(ctx);
  for (const Requeued& row : rows)
    if (row.queued) DbDeleteFound(ctx, row.queued);
}

// Under the lock, once the link of queue row `queued` is stored as result `number`: the row
// leaves the queue, and so do the other queued occurrences of the link that this result
// answers, stored as repeats (in *repeats for their report calls). No other worker claims
// them meanwhile: their link is held. One that cannot be stored stays queued.
void TakeQueued(tagDBCONTEXT* ctx, int32_t queued, int32_t number,
                std::deque<DbFoundRow>* repeats) {
  std::vector<int32_t> others;
  try {
    others = ctx->Queue.SameKey(queued);
  } catch (const std::bad_alloc&) {
  }
  DbDeleteFound(ctx, queued);
  for (int32_t other : others) {
    try {
      repeats->emplace_back();
    } catch (const std::bad_alloc&) {
      return;
    }
    DbFoundRow& row = repeats->back();
    const ISC_STATUS code = DbReadFound(ctx, other, &row);
    if (code == 100) ctx->Queue.Remove(other);
    int32_t answer = 0;
    ISC_STATUS fetchStatus = 0;
    const bool stored = code == 0 &&
                        DBFindLoaded(ctx, &answer, row.Link(), nullptr, &fetchStatus) &&
                        answer == number &&
                        (ctx->KeepReport != 1 || DbInsertReport(ctx, 0, number, row.Occurrence()));
    if (!stored) {
      repeats->pop_back();
      continue;
    }
    DbDeleteFound(ctx, other);
  }
}

// Checks one link through the query callback unless it is already checked, then stores the
// result and the occurrence; with `queued`, the queue row's number, TakeQueued follows in the
// same turn of the lock.
int32_t StoreChecked(tagDBCONTEXT* ctx, const DbLink& link, const DbOccurrence& at, int32_t queued,
                     bool* dbFailed) {
  if (dbFailed) *dbFailed = false;
  std::unique_ptr<DbResultBuffers> result(new (std::nothrow) DbResultBuffers);
  if (!result) {
    DBFormatError(ctx, nullptr, "malloc select loaded");
    if (dbFailed) *dbFailed = true;
    return 0;
  }
  std::deque<DbFoundRow> repeats;
  int32_t number = 0;
  int32_t first = 0;
  bool known = false;
  {
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    ISC_STATUS fetchStatus = 0;
    known = DBFindLoaded(ctx, &number, link, result.get(), &fetchStatus);
    if (known && ctx->KeepReport == 1 && !DbInsertReport(ctx, 0, number, at)) number = -1;
    if (known && number >= 0 && queued) TakeQueued(ctx, queued, number, &repeats);
  }
  if (!known) {
    int32_t keep = 0;
    if (ctx->QueryCallback) {
      keep = ctx->QueryCallback(
          ctx->QueryUser, link.protocol, link.username, link.userpass, link.server, link.port,
          link.resource, link.bookmark, link.comment, link.restype, link.flags, result->title,
          result->statusstr, result->commentstr, result->content, result->ressize, result->lastmod,
          result->charset, &result->statusval, &result->attempt, &result->restime, at.rel_url,
          at.rel_title, at.line, at.col, at.extern_, at.dir);
    }
    if (!keep) return 0;
    // Another worker may have stored the same link (through another occurrence) while the
    // callback ran; the look-up is repeated under the lock that also covers the insert.
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    number = StoreRows(ctx, link, result->View(), result.get(), at, &first);
    if (number >= 0 && queued) TakeQueued(ctx, queued, number, &repeats);
  }
  if (number < 0) {
    if (dbFailed) *dbFailed = true;
    return 0;
  }
  Report(ctx, first, link, result->View(), at);
  for (const DbFoundRow& row : repeats)
    Report(ctx, 0, row.Link(), result->View(), row.Occurrence());
  return 1;
}

}  // namespace

int32_t DBStoreProcessed(tagDBCONTEXT* ctx, const DbLink& link, const DbOccurrence& at,
                         bool* dbFailed) {
  return StoreChecked(ctx, link, at, 0, dbFailed);
}

int32_t DbStoreClaimed(tagDBCONTEXT* ctx, const DbFoundRow& row, bool* dbFailed) {
  return StoreChecked(ctx, row.Link(), row.Occurrence(), row.number, dbFailed);
}

int32_t DBInsertLink(tagDBCONTEXT* ctx, int32_t processed, const DbLink& link,
                     const DbResult& result, const DbOccurrence& at) {
  if (!processed) {
    std::unique_ptr<DbResultBuffers> stored(new (std::nothrow) DbResultBuffers);
    bool repeated = false;
    const int32_t done = StoreOrQueue(ctx, link, at, stored.get(), &repeated);
    if (repeated) Report(ctx, 0, link, stored->View(), at);
    return done;
  }
  int32_t first = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    if (StoreRows(ctx, link, result, nullptr, at, &first) < 0) return 0;
    if (ctx->KeepReport != 1) return 1;
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

void DBAddLinksFound(tagDBCONTEXT* ctx, const tagDBFOUNDLINK* links, int32_t count,
                     int32_t* results) {
  for (int32_t i = 0; i < count; ++i) results[i] = 0;
  if (!ctx || count <= 0) return;
  std::unique_ptr<DbResultBuffers[]> stored(new (std::nothrow) DbResultBuffers[count]);
  std::unique_ptr<bool[]> repeated(new (std::nothrow) bool[count]());
  if (!repeated) return;
  auto linkOf = [](const tagDBFOUNDLINK& f) {
    return DbLink{f.protocol, f.username, f.userpass, f.server,  f.port,
                  f.resource, f.bookmark, f.comment,  f.restype, f.flags};
  };
  auto at = [](const tagDBFOUNDLINK& f) {
    return DbOccurrence{f.rel_url, f.rel_title, f.line, f.col, f.extern_, f.dir};
  };
  {
    std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
    for (int32_t i = 0; i < count; ++i)
      results[i] = StoreOrQueue(ctx, linkOf(links[i]), at(links[i]), stored ? &stored[i] : nullptr,
                                &repeated[i]);
  }
  for (int32_t i = 0; i < count; ++i)
    if (repeated[i]) Report(ctx, 0, linkOf(links[i]), stored[i].View(), at(links[i]));
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
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  int32_t number = 0;
  ISC_STATUS fetchStatus = 0;
  if (!DbFindForRecheck(ctx, &number, link, ignoreBookmark != 0, &fetchStatus)) return 0;
  std::vector<Requeued> rows;
  if (!ReadOccurrences(ctx, number, &rows)) return 0;
  // The occurrences are queued before their `report` rows go and the result goes last, so
  // a failed step leaves the link either checked with every occurrence or queued again.
  for (Requeued& row : rows) {
    if (!DbInsertFound(ctx, link, row.At(), &row.queued)) {
      Unqueue(ctx, rows);
      return 0;
    }
  }
  SqlText deleteReport(256);
  deleteReport.Add("DELETE FROM report WHERE loaded=").ParamInt(number);
  if (!DbExecute(ctx, deleteReport, "start transaction delete report", "delete report")) {
    Unqueue(ctx, rows);
    return 0;
  }
  if (callback) {
    for (const Requeued& row : rows) {
      const DbOccurrence at = row.At();
      callback(user, row.first, protocol, username, userpass, server, port, resource, bookmark,
               comment, restype, flags, at.rel_url, at.rel_title, at.line, at.col, at.extern_,
               at.dir);
    }
  }
  return DbDeleteLoaded(ctx, number);
}
