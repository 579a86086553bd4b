// The report query: every occurrence of every checked link, and on request every queued
// link, handed to a row callback in one of the list sort orders.
#include <new>

#include "scandb/DbRows.h"
#include "scandb/DbSql.h"

namespace {

const char kSortedHead[] =
    "SELECT report_first, report_protocol, report_username, report_username_len, "
    "report_userpass, report_userpass_len, report_server, report_server_len, "
    "report_port, report_resource, report_resource_len, report_bookmark, "
    "report_bookmark_len, report_comment, report_comment_len, report_restype, "
    "report_flags, report_title, report_title_len, report_statusstr, "
    "report_statusstr_len, report_commentstr, report_commentstr_len, report_content, "
    "report_content_len, report_ressize, report_ressize_len, report_lastmod, "
    "report_lastmod_len, report_charset, report_charset_len, report_statusval, "
    "report_attempt, report_restime, report_rel_url, report_rel_url_len, "
    "report_rel_title, report_rel_title_len, report_line, report_col, report_extern, "
    "report_dir FROM (";

const char kOccurrenceRows[] =
    "SELECT first AS report_first, protocol AS report_protocol, username AS "
    "report_username, OCTET_LENGTH(username) AS report_username_len, userpass AS "
    "report_userpass, OCTET_LENGTH(userpass) AS report_userpass_len, server AS "
    "report_server, OCTET_LENGTH(server) AS report_server_len, port AS report_port, "
    "resource AS report_resource, OCTET_LENGTH(resource) AS report_resource_len, "
    "bookmark AS report_bookmark, OCTET_LENGTH(bookmark) AS report_bookmark_len, "
    "comment AS report_comment, OCTET_LENGTH(comment) AS report_comment_len, restype "
    "AS report_restype, flags AS report_flags, title AS report_title, "
    "OCTET_LENGTH(title) AS report_title_len, statusstr AS report_statusstr, "
    "OCTET_LENGTH(statusstr) AS report_statusstr_len, commentstr AS "
    "report_commentstr, OCTET_LENGTH(commentstr) AS report_commentstr_len, content "
    "AS report_content, OCTET_LENGTH(content) AS report_content_len, ressize AS "
    "report_ressize, OCTET_LENGTH(ressize) AS report_ressize_len, lastmod AS "
    "report_lastmod, OCTET_LENGTH(lastmod) AS report_lastmod_len, charset AS "
    "report_charset, OCTET_LENGTH(charset) AS report_charset_len, statusval AS "
    "report_statusval, attempt AS report_attempt, restime AS report_restime, rel_url "
    "AS report_rel_url, OCTET_LENGTH(rel_url) AS report_rel_url_len, rel_title AS "
    "report_rel_title, OCTET_LENGTH(rel_title) AS report_rel_title_len, line AS "
    "report_line, col AS report_col, extern AS report_extern, dir AS report_dir FROM "
    "report JOIN loaded ON report.loaded = loaded.number";

const char kQueuedRows[] =
    " UNION ALL SELECT cast(0 AS INTEGER) AS report_first, protocol AS "
    "report_protocol, username AS report_username, OCTET_LENGTH(username) AS "
    "report_username_len, userpass AS report_userpass, OCTET_LENGTH(userpass) AS "
    "report_userpass_len, server AS report_server, OCTET_LENGTH(server) AS "
    "report_server_len, port AS report_port, resource AS report_resource, "
    "OCTET_LENGTH(resource) AS report_resource_len, bookmark AS report_bookmark, "
    "OCTET_LENGTH(bookmark) AS report_bookmark_len, comment AS report_comment, "
    "OCTET_LENGTH(comment) AS report_comment_len, restype AS report_restype, flags "
    "AS report_flags, cast('' AS VARCHAR(1)) AS report_title, cast(0 AS INTEGER) AS "
    "report_title_len, cast('' AS VARCHAR(1)) AS report_statusstr, cast(0 AS "
    "INTEGER) AS report_statusstr_len, cast('' AS VARCHAR(1)) AS report_commentstr, "
    "cast(0 AS INTEGER) AS report_commentstr_len, cast('' AS VARCHAR(1)) AS "
    "report_content, cast(0 AS INTEGER) AS report_content_len, cast('' AS "
    "VARCHAR(1)) AS report_ressize, cast(0 AS INTEGER) AS report_ressize_len, "
    "cast('' AS VARCHAR(1)) AS report_lastmod, cast(0 AS INTEGER) AS "
    "report_lastmod_len, cast('' AS VARCHAR(1)) AS report_charset, cast(0 AS "
    "INTEGER) AS report_charset_len, cast(0 AS INTEGER) AS report_statusval, cast(0 "
    "AS INTEGER) AS report_attempt, cast(0 AS INTEGER) AS report_restime, rel_url AS "
    "report_rel_url, OCTET_LENGTH(rel_url) AS report_rel_url_len, rel_title AS "
    "report_rel_title, OCTET_LENGTH(rel_title) AS report_rel_title_len, line AS "
    "report_line, col AS report_col, extern AS report_extern, dir AS report_dir FROM "
    "found";

const char kBaseOrder[] =
    "report_protocol, UPPER(report_server) || ':' || report_port || "
    "UPPER(report_resource) || '#' || UPPER(report_bookmark), report_first";

// Sort keys 2 to 11, put before the base order.
const char* const kSortKeys[] = {
    "UPPER(report_statusstr), ", "UPPER(report_comment) || UPPER(report_commentstr), ",
    "UPPER(report_content), ",   "UPPER(report_ressize), ",
    "UPPER(report_lastmod), ",   "UPPER(report_charset), ",
    "report_restime, ",          "report_extern, ",
    "UPPER(report_rel_url), ",   "UPPER(report_rel_title), ",
};

const char kWhat[] = "select report";

// The text buffers of one row.
struct ReportRow {
  char username[DB_TEXT_SIZE], userpass[DB_TEXT_SIZE], server[DB_TEXT_SIZE];
  char resource[DB_LONG_SIZE], bookmark[DB_TEXT_SIZE], comment[DB_TEXT_SIZE];
  char title[DB_TEXT_SIZE], statusstr[DB_TEXT_SIZE], commentstr[DB_TEXT_SIZE];
  char content[DB_SHORT_SIZE], ressize[DB_SHORT_SIZE], lastmod[DB_SHORT_SIZE];
  char charset[DB_SHORT_SIZE];
  char rel_url[DB_LONG_SIZE], rel_title[DB_TEXT_SIZE];
};

void ReadRow(const DbQuery& query, ReportRow& row) {
  query.CopyText(2, 3, row.username, sizeof(row.username));
  query.CopyText(4, 5, row.userpass, sizeof(row.userpass));
  query.CopyText(6, 7, row.server, sizeof(row.server));
  query.CopyText(9, 10, row.resource, sizeof(row.resource));
  query.CopyText(11, 12, row.bookmark, sizeof(row.bookmark));
  query.CopyText(13, 14, row.comment, sizeof(row.comment));
  query.CopyText(17, 18, row.title, sizeof(row.title));
  query.CopyText(19, 20, row.statusstr, sizeof(row.statusstr));
  query.CopyText(21, 22, row.commentstr, sizeof(row.commentstr));
  query.CopyText(23, 24, row.content, sizeof(row.content));
  query.CopyText(25, 26, row.ressize, sizeof(row.ressize));
  query.CopyText(27, 28, row.lastmod, sizeof(row.lastmod));
  query.CopyText(29, 30, row.charset, sizeof(row.charset));
  query.CopyText(34, 35, row.rel_url, sizeof(row.rel_url));
  query.CopyText(36, 37, row.rel_title, sizeof(row.rel_title));
}

}  // namespace

int32_t DBQueryReport(tagDBCONTEXT* ctx, int32_t mode, DBRowCallback callback, void* user,
                      int32_t sort, int32_t includeFound, int32_t* out) {
  bool failed = false;
  const int32_t result = DbRunReport(ctx, mode, callback, user, sort, includeFound, out, &failed);
  return result && failed ? -1 : result;
}

int32_t DbRunReport(tagDBCONTEXT* ctx, int32_t mode, DBRowCallback callback, void* user,
                    int32_t sort, int32_t includeFound, int32_t* out, bool* failed) {
  if (out) *out = 0;
  if (!ctx || ctx->KeepReport != 1 || mode != 2) return 0;
  // Counted under the lock that keeps workers from storing rows until the query has run.
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  int32_t rowCount = 0;
  if (!DBCountRows(ctx, "report", &rowCount)) *failed = true;
  if (includeFound) {
    int32_t queued = 0;
    if (!DBCountRows(ctx, "found", &queued)) *failed = true;
    rowCount += queued;
  }

  SqlText sql(4096);
  if (sort != 0) sql.Add(kSortedHead);
  sql.Add(kOccurrenceRows);
  if (includeFound) sql.Add(kQueuedRows);
  if (sort != 0) {
    sql.Add(") ORDER BY ");
    if (sort >= 2 && sort <= 11) sql.Add(kSortKeys[sort - 2]);
    sql.Add(kBaseOrder);
  }

  int32_t cancel = 0;
  DbQuery query(ctx, kWhat);
  ReportRow* row = new (std::nothrow) ReportRow;
  ISC_STATUS code = 100;
  if (!row) {
    DbRecordFailure(ctx, nullptr, "malloc ", kWhat);
    *failed = true;
  } else if (!query.Open(sql, 42)) {
    *failed = true;
  } else {
    for (int32_t rowIndex = 0; (code = query.Fetch()) == 0;) {
      ReadRow(query, *row);
      if (callback)
        callback(user, rowCount, rowIndex, query.Int(0), query.Int(1), row->username, row->userpass,
                 row->server, query.Int(8), row->resource, row->bookmark, row->comment,
                 query.Int(15), query.Int(16), row->title, row->statusstr, row->commentstr,
                 row->content, row->ressize, row->lastmod, row->charset, query.Int(31),
                 query.Int(32), query.Int(33), row->rel_url, row->rel_title, query.Int(38),
                 query.Int(39), query.Int(40), query.Int(41), &cancel);
      if (cancel) break;
      ++rowIndex;
    }
  }
  if ((code != 0 && code != 100) || !query.Close()) *failed = true;
  delete row;
  if (out) *out = cancel;
  return cancel ? 0 : 1;
}
