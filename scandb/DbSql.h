// How the database layer runs statements: every statement in a transaction of its own,
// failures recorded in the context's error text under the operation's step names.
// Library side; any thread (the callers hold whatever lock the operation needs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scandb/DbContext.h"

// Writes ErrorText: "PROBLEM ON \"step\".\n", then, with a status vector, its first
// message and "\nSQLCODE: n"; cut to 511 bytes. Returns the length of the text.
int32_t DBFormatError(tagDBCONTEXT* ctx, const ISC_STATUS* status, const char* step);
// The same with the step name `prefix` + `what` (a query's step names share `what`).
void DbRecordFailure(tagDBCONTEXT* ctx, const ISC_STATUS* status, const char* prefix,
                     const char* what);

// Keeps the error text of a failure while its clean-up runs: a clean-up step that fails
// too must not hide the reason that made it necessary.
class DbKeptError {
 public:
  explicit DbKeptError(tagDBCONTEXT* ctx);
  ~DbKeptError();
  DbKeptError(const DbKeptError&) = delete;
  DbKeptError& operator=(const DbKeptError&) = delete;

 private:
  tagDBCONTEXT* ctx_;
  char text_[sizeof(tagDBCONTEXT::ErrorText)];
};

// A statement built from pieces. Once a piece does not fit the limit (or memory runs out)
// the statement is spoiled: it is never to be run, since a cut one could still be valid.
class SqlText {
 public:
  // Statements of up to bufferSize - 1 bytes are accepted.
  explicit SqlText(size_t bufferSize) : limit_(bufferSize - 1) {}
  SqlText& Add(const char* piece);
  SqlText& AddInt(int32_t value);
  // Text as a literal's inside: made valid UTF-8, cut to maxBytes at a character
  // boundary, every ' doubled.
  SqlText& AddValue(const char* text, size_t maxBytes);
  // Bytes kept as they are (a file name), every ' doubled.
  SqlText& AddRaw(const char* text);
  // A ? bound to the value. A statement with parameters is prepared once per attachment
  // and kept, so its text must not vary with the values.
  SqlText& ParamInt(int32_t value);
  // A ? bound to the text as AddValue would have put it in a literal.
  SqlText& ParamValue(const char* text, size_t maxBytes);

  // One parameter: an integer, or text already cleaned and cut.
  struct Param {
    bool isText;
    int32_t value;
    std::string text;
  };
  const std::vector<Param>& Params() const { return params_; }

  bool Ok() const { return !tooLong_ && !outOfMemory_; }
  bool OutOfMemory() const { return outOfMemory_; }
  const char* Text() const { return text_.c_str(); }
  size_t Length() const { return text_.size(); }

 private:
  void AddBytes(const char* bytes, size_t length);
  void AddDoubled(const char* text, size_t length);

  std::string text_;
  std::vector<Param> params_;
  size_t limit_;
  bool tooLong_ = false;
  bool outOfMemory_ = false;
};

// The run's shared transaction (see tagDBCONTEXT::RunShared), started when none is open;
// null when it could not be started (status tells why). Caller holds Lock.
isc_tr_handle* DbRunTransaction(tagDBCONTEXT* ctx, ISC_STATUS* status);
// Commits the run's transaction once it is older than the commit interval, or at once with
// `now`. A failed commit rolls back and forgets the in-memory indexes, which then no longer
// match the tables. Caller holds Lock. False when the commit failed.
bool DbCommitRun(tagDBCONTEXT* ctx, bool now);

// Runs one statement without a result set in its own transaction, or in the run's shared
// one while a run is active (then a failed statement is undone alone). An SQLCODE equal to
// `tolerated` (when not 0) is rolled back and counts as success. With blobValue the
// statement's one parameter is a blob holding that text. With returned the statement
// returns one integer (INSERT ... RETURNING), stored there. Returns 1 or 0. A statement
// with parameters takes no blob.
int DbExecute(tagDBCONTEXT* ctx, const SqlText& sql, const char* startStep,
              const char* statementStep, ISC_LONG tolerated = 0,
              const std::string* blobValue = nullptr, int32_t* returned = nullptr);

// A query in its own transaction; while a run is active it takes Lock and runs in the
// run's shared transaction unless constructed with ownTransaction (which sees only
// committed rows). Text columns are fetched as bytes (character set NONE)
// at the full length the column can have, so no value is ever too long for its buffer;
// numbers as 32-bit integers; blobs as blob ids. Freed and committed by Close or at the
// end of its scope.
class DbQuery {
 public:
  DbQuery(tagDBCONTEXT* ctx, const char* what, bool ownTransaction = false)
      : ctx_(ctx), what_(what), ownTransaction_(ownTransaction) {}
  ~DbQuery();
  DbQuery(const DbQuery&) = delete;
  DbQuery& operator=(const DbQuery&) = delete;

  // Starts the transaction, prepares the statement with `columns` output columns and
  // executes it. A spoiled statement fails under the step name `what`.
  bool Open(const SqlText& sql, int columns);
  // 0: a row; 100: no more rows; other: failure, recorded as "fetch <what>".
  ISC_STATUS Fetch();
  // Frees the statement and commits; false when either failed.
  bool Close();

  bool IsNull(int column) const;
  int32_t Int(int column) const;  // 0 for NULL
  // Copies a text column into buffer (size bytes with the terminator), cut to the byte
  // length in column lengthColumn (-1: the value's own length without trailing blanks)
  // and at a character boundary. NULL gives the empty text.
  void CopyText(int column, int lengthColumn, char* buffer, size_t size) const;
  const ISC_QUAD* Blob(int column) const;
  isc_tr_handle* Transaction() { return trp_; }

 private:
  isc_stmt_handle* Statement() { return kept_ ? &kept_->Handle : &stmt_; }

  tagDBCONTEXT* ctx_;
  const char* what_;
  bool ownTransaction_;
  isc_tr_handle tr_ = 0;
  isc_tr_handle* trp_ = &tr_;  // tr_, or the run's shared transaction
  isc_stmt_handle stmt_ = 0;
  // A kept statement (one with parameters) is only closed, and is used by one query at a
  // time: the lock is held from Open to Close.
  DbPrepared* kept_ = nullptr;
  std::unique_lock<std::recursive_mutex> keptLock_;
  XSQLDA* out_ = nullptr;
  char* data_ = nullptr;
  short* nulls_ = nullptr;
  bool closed_ = true;
};

// Frees the kept statements; before a detach and before the tables are dropped.
void DbDropPrepared(tagDBCONTEXT* ctx);

// Runs a query that yields exactly one integer; no row is a failure ("fetch <what>").
int DbQueryInt(tagDBCONTEXT* ctx, const SqlText& sql, const char* what, int32_t* value,
               bool ownTransaction = false);
