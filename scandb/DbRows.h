// Rows of the queue (`found`), the results (`loaded`) and the occurrences (`report`), and
// the link look-up. Library side; any thread. Functions that name the lock take it
// themselves (it is re-entrant); the others run without it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scandb/DbContext.h"

// Column sizes in bytes; longer text is cut at a character boundary when stored.
enum : size_t { kTextColumn = 256, kLongColumn = 2048, kShortColumn = 50 };

// The identifying columns of a link and its two descriptive integers (text not owned).
struct DbLink {
  int32_t protocol;
  const char* username;
  const char* userpass;
  const char* server;
  int32_t port;
  const char* resource;
  const char* bookmark;
  const char* comment;
  int32_t restype;
  int32_t flags;
};

// The result columns of a checked link (text not owned).
struct DbResult {
  const char* title;
  const char* statusstr;
  const char* commentstr;
  const char* content;
  const char* ressize;
  const char* lastmod;
  const char* charset;
  int32_t statusval;
  int32_t attempt;
  int32_t restime;
};

// One occurrence of a link in a page (text not owned).
struct DbOccurrence {
  const char* rel_url;
  const char* rel_title;
  int32_t line;
  int32_t col;
  int32_t extern_;
  int32_t dir;
};

// Result buffers as the query callback fills them, preset to empty and 0.
struct DbResultBuffers {
  char title[DB_TEXT_SIZE] = {};
  char statusstr[DB_TEXT_SIZE] = {};
  char commentstr[DB_TEXT_SIZE] = {};
  char content[DB_SHORT_SIZE] = {};
  char ressize[DB_SHORT_SIZE] = {};
  char lastmod[DB_SHORT_SIZE] = {};
  char charset[DB_SHORT_SIZE] = {};
  int32_t statusval = 0;
  int32_t attempt = 0;
  int32_t restime = 0;

  DbResult View() const {
    return {title,   statusstr, commentstr, content, ressize,
            lastmod, charset,   statusval,  attempt, restime};
  }
};

// A queue row with its buffers.
struct DbFoundRow {
  int32_t number = 0;
  int32_t protocol = 0;
  char username[DB_TEXT_SIZE] = {};
  char userpass[DB_TEXT_SIZE] = {};
  char server[DB_TEXT_SIZE] = {};
  int32_t port = 0;
  char resource[DB_LONG_SIZE] = {};
  char bookmark[DB_TEXT_SIZE] = {};
  char comment[DB_TEXT_SIZE] = {};
  int32_t restype = 0;
  int32_t flags = 0;
  char rel_url[DB_LONG_SIZE] = {};
  char rel_title[DB_TEXT_SIZE] = {};
  int32_t line = 0, col = 0, extern_ = 0, dir = 0;

  DbLink Link() const {
    return {protocol, username, userpass, server,  port,
            resource, bookmark, comment,  restype, flags};
  }
  DbOccurrence Occurrence() const { return {rel_url, rel_title, line, col, extern_, dir}; }
};

// Inserts a `loaded` row, numbered by gen_loaded inside the statement (stored in *number),
// and keeps the look-up index in step.
int DbInsertLoaded(tagDBCONTEXT* ctx, const DbLink& link, const DbResult& result, int32_t* number);
int DbInsertReport(tagDBCONTEXT* ctx, int32_t first, int32_t loaded, const DbOccurrence& at);
// Queues a link, numbered by gen_found inside the statement (stored in *number when not
// null); the queue index follows.
int DbInsertFound(tagDBCONTEXT* ctx, const DbLink& link, const DbOccurrence& at,
                  int32_t* number = nullptr);
// Deletes a `loaded` row; the look-up index follows.
int DbDeleteLoaded(tagDBCONTEXT* ctx, int32_t number);
// Deletes a queue row; the queue index follows.
int DbDeleteFound(tagDBCONTEXT* ctx, int32_t number);

// Looks up the checked link under the lock: 1 with its number and result when a `loaded`
// row matches (protocol, port, user and password exactly; server, bookmark and comment
// without regard to case; resource as IgnoreCase says), else 0. *fetchStatus is 0 for a
// row, 100 for none, another code on failure. result may be null.
int32_t DBFindLoaded(tagDBCONTEXT* ctx, int32_t* number, const DbLink& link,
                     DbResultBuffers* result, ISC_STATUS* fetchStatus);
// The same identity without comment, and without bookmark when ignoreBookmark is set.
int32_t DbFindForRecheck(tagDBCONTEXT* ctx, int32_t* number, const DbLink& link,
                         bool ignoreBookmark, ISC_STATUS* fetchStatus);

// Checks one link through the query callback unless it is already checked, then stores
// the result and the occurrence. Non-zero when both are stored. *dbFailed (may be null) is
// set when a database step, not the callback, kept it from being stored; nothing of the
// link is then left behind that a retry would not store again as the first occurrence.
int32_t DBStoreProcessed(tagDBCONTEXT* ctx, const DbLink& link, const DbOccurrence& at,
                         bool* dbFailed = nullptr);
// DBStoreProcessed for a claimed queue row. Once it is stored, in the same turn of the lock,
// the row leaves the queue, and so do the other queued occurrences of its link that the same
// result answers, each stored and reported as a repeat, as a worker claiming it would.
int32_t DbStoreClaimed(tagDBCONTEXT* ctx, const DbFoundRow& row, bool* dbFailed);

// Queues a link (processed 0) or records a link whose result is known (processed 1: a
// `loaded` row unless the link is there already, a `report` row, then the load callback,
// called with the lock released). 1 when every row was written.
int32_t DBInsertLink(tagDBCONTEXT* ctx, int32_t processed, const DbLink& link,
                     const DbResult& result, const DbOccurrence& at);

// DBQueryReport that also tells whether a step failed (recorded in the error text), so that
// a load which stopped early is not taken for the whole worksheet.
int32_t DbRunReport(tagDBCONTEXT* ctx, int32_t mode, DBRowCallback callback, void* user,
                    int32_t sort, int32_t includeFound, int32_t* out, bool* failed);

enum DbClaim { kClaimed, kNothingToTake, kClaimFailed };
// Under the lock, claims the first queue row (by number) of a link that no other worker
// holds, unless its server is at the per-server limit; the caller's slot (by thread identifier)
// takes its key. *fetchStatus is the fetch's code (0 when a row was claimed).
DbClaim DBFetchNextFound(tagDBCONTEXT* ctx, DbFoundRow* row, ISC_STATUS* fetchStatus,
                         uint32_t threadId);
// Under the lock, reads queue row `number` into *row: 0 when read, 100 when there is no
// such row, another code on failure (recorded).
ISC_STATUS DbReadFound(tagDBCONTEXT* ctx, int32_t number, DbFoundRow* row);
// Under the lock, lets go of the row the slot holds; true when its server was at the
// per-server limit, so that a worker refused for it may now claim.
bool DbReleaseRow(tagDBCONTEXT* ctx, tagDBWORKERSLOT* slot);
