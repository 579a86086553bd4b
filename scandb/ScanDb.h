// The worksheet database: one embedded Firebird file per worksheet holding the link queue,
// the results, the occurrences of links in pages and the crawl options.
//
// Neutral header. Text is UTF-8, zero-terminated; file paths are UTF-8 Linux paths. Every
// function takes the context first and returns 1 on success and 0 on failure (the reason
// is in the context's error text); nothing throws. The engine that creates a context is its
// only caller. Callbacks use the default calling convention.
#pragma once

#include <cstdint>

// Sizes of the text buffers handed to and filled by the callbacks, terminator included.
enum : int32_t {
  DB_TEXT_SIZE = 257,   // username, userpass, server, bookmark, comment, titles, statusstr
  DB_LONG_SIZE = 2049,  // resource, rel_url
  DB_SHORT_SIZE = 51,   // content, ressize, lastmod, charset
};

// One row of a report query: a link, its result and one occurrence. `first` is 1 for the
// occurrence that caused the check. Text buffers belong to the caller and are valid only
// during the call; setting *cancel non-zero stops the query.
typedef void (*DBRowCallback)(void* user, int32_t rowCount, int32_t rowIndex, int32_t first,
                              int32_t protocol, const char* username, const char* userpass,
                              const char* server, int32_t port, const char* resource,
                              const char* bookmark, const char* comment, int32_t restype,
                              int32_t flags, const char* title, const char* statusstr,
                              const char* commentstr, const char* content, const char* ressize,
                              const char* lastmod, const char* charset, int32_t statusval,
                              int32_t attempt, int32_t restime, const char* rel_url,
                              const char* rel_title, int32_t line, int32_t col, int32_t extern_,
                              int32_t dir, int32_t* cancel);

// Checks one link and fills the result buffers (title, statusstr, commentstr: DB_TEXT_SIZE;
// content .. charset: DB_SHORT_SIZE). Non-zero: store the result. Called without the lock.
typedef int32_t (*DBQueryCallback)(void* user, int32_t protocol, const char* username,
                                   const char* userpass, const char* server, int32_t port,
                                   const char* resource, const char* bookmark, const char* comment,
                                   int32_t restype, int32_t flags, char* title, char* statusstr,
                                   char* commentstr, char* content, char* ressize, char* lastmod,
                                   char* charset, int32_t* statusval, int32_t* attempt,
                                   int32_t* restime, const char* rel_url, const char* rel_title,
                                   int32_t line, int32_t col, int32_t extern_, int32_t dir);

// Called for each stored link while a scan runs, with the full row.
typedef void (*DBReportCallback)(void* user, int32_t first, int32_t protocol, const char* username,
                                 const char* userpass, const char* server, int32_t port,
                                 const char* resource, const char* bookmark, const char* comment,
                                 int32_t restype, int32_t flags, const char* title,
                                 const char* statusstr, const char* commentstr, const char* content,
                                 const char* ressize, const char* lastmod, const char* charset,
                                 int32_t statusval, int32_t attempt, int32_t restime,
                                 const char* rel_url, const char* rel_title, int32_t line,
                                 int32_t col, int32_t extern_, int32_t dir);

// Called once by the last worker of a run.
typedef void (*DBFinishCallback)(void* user);

// Hands out the start rows of a run, one per call; returns 0 when there are no more.
typedef int32_t (*DBProducerCallback)(void* user, int32_t* protocol, char* username, char* userpass,
                                      char* server, int32_t* port, char* resource, char* bookmark,
                                      char* comment, int32_t* restype, int32_t* flags,
                                      char* rel_url, char* rel_title, int32_t* line, int32_t* col,
                                      int32_t* extern_, int32_t* dir);

// Called by DBRecheckLinks for each occurrence queued again, with the lock held.
typedef void (*DBRecheckCallback)(void* user, int32_t first, int32_t protocol, const char* username,
                                  const char* userpass, const char* server, int32_t port,
                                  const char* resource, const char* bookmark, const char* comment,
                                  int32_t restype, int32_t flags, const char* rel_url,
                                  const char* rel_title, int32_t line, int32_t col, int32_t extern_,
                                  int32_t dir);

// What the engine hands to DBCreateContext; copied into the context.
struct tagDBCONTEXTINIT {
  DBQueryCallback QueryCallback;
  void* QueryUser;
  int32_t KeepReport;  // 1: table `report` exists and every stored link gets a row there
  int32_t ReportMode;  // 2: the report callback gets the full row
  DBReportCallback ReportCallback;
  void* ReportUser;
  DBRowCallback LoadCallback;  // shows the stored rows when a database is opened
  void* LoadUser;
  DBFinishCallback FinishCallback;
  void* FinishUser;
  int32_t IgnoreCase;  // 1: resource paths compare without regard to case
};

struct tagDBCONTEXT;

// Returns a new context owned by the caller (free it with DBFreeContext), or null when
// memory is short. A null init leaves every callback empty.
tagDBCONTEXT* DBCreateContext(const tagDBCONTEXTINIT* init);
// Detaches and frees the context; refused (0) while a run is active. Called while the finish
// callback runs (from it, or from a thread it waits for) it returns 1 and the context is
// freed as soon as the run has ended; the caller must not use it again.
int32_t DBFreeContext(tagDBCONTEXT* ctx);

// Any thread. Copies the text of the last failure (at most size - 1 bytes and a
// terminator) into buffer; returns the bytes stored.
int32_t DBErrorText(tagDBCONTEXT* ctx, char* buffer, int32_t size);

// The calls below until DBMoveDatabase belong to the GUI thread while no run is active.

// Opens the database at path, creating the file and the schema when needed, and hands
// every stored row to the load callback. *out receives the load's cancel flag. Firebird
// reads a non-ASCII path in the locale's character set: LC_CTYPE must be a UTF-8 one.
int32_t DBOpenDatabase(tagDBCONTEXT* ctx, const char* path, int32_t* out);
// Creates the tables that are missing, keeping the rows of the others, then loads the
// stored rows (as above). A table outside the schema refuses the file.
int32_t DBCheckTables(tagDBCONTEXT* ctx, int32_t* out);
// Drops and creates the four tables; the generators keep counting.
int32_t DBCreateTables(tagDBCONTEXT* ctx);
// Empties the database for a new scan; refused (0) while a run is active.
int32_t DBResetTables(tagDBCONTEXT* ctx, int32_t ignoreCase);
// Sets the case rule of the link look-ups for a worksheet opened or changed between scans;
// refused (0) while a run is active.
int32_t DBSetIgnoreCase(tagDBCONTEXT* ctx, int32_t ignoreCase);
// attach 0: detaches the database (0 when none was attached). attach 1: creates or opens
// the file at path and attaches it, without checking its tables.
int32_t DBMoveDatabase(tagDBCONTEXT* ctx, const char* path, int32_t attach);

// Any thread. Takes no lock: a caller that needs a consistent count holds the lock.
int32_t DBCountRows(tagDBCONTEXT* ctx, const char* table, int32_t* count);
// Any thread; adds step to the generator and stores its new value.
int32_t DBNextGeneratorValue(tagDBCONTEXT* ctx, const char* generator, int32_t step,
                             int32_t* value);

// Bounded copy into buffer (size bytes, terminator included when room is left), doubling
// every ' when doubleQuotes is set; stops at the first byte that does not fit and never
// splits a doubled quote. Returns the bytes written without the terminator.
int32_t DBQuoteString(char* buffer, uint32_t size, const char* text, int32_t doubleQuotes);

// Report query. Any thread; holds the lock while it runs, callbacks included, so the
// callback must not wait for a thread that needs the lock. Runs only with mode 2 and
// KeepReport 1. Hands every occurrence of every checked link (and with includeFound every
// queued link) to callback; sort 0 is the database's order, sort 1 and up group links by
// protocol and address (2..11 first order by one column). Returns 1 when every row was
// delivered, 0 when the callback cancelled (or the query did not run), -1 when a step
// failed (the rows fetched before it were delivered); *out, when not null, receives the
// cancel flag.
int32_t DBQueryReport(tagDBCONTEXT* ctx, int32_t mode, DBRowCallback callback, void* user,
                      int32_t sort, int32_t includeFound, int32_t* out);

// Option rows; any thread, under the lock. DBLoadOption copies at most size - 1 bytes of
// the value (or of defaultValue when no row has that name) and a terminator into buffer and
// returns the bytes stored; with a null buffer it returns the full length.
int32_t DBLoadOption(tagDBCONTEXT* ctx, const char* name, char* buffer, int32_t size,
                     const char* defaultValue);
// Inserts or replaces the value of one option.
int32_t DBSaveOption(tagDBCONTEXT* ctx, const char* name, const char* value);

// Scans. GUI thread. DBStartWorkers starts a run (0 while one is active): a producer thread
// stores the start rows that producer hands out (none when it is null) through the query
// callback, then threadCount workers check the queued links, at most perServerLimit at a
// time on one server, until the queue is empty or a stop is asked; the last one to end
// calls the finish callback, once per run. The threads are Win32 threads in the program.
int32_t DBStartWorkers(tagDBCONTEXT* ctx, int32_t threadCount, int32_t perServerLimit,
                       DBProducerCallback producer, void* producerUser);
// Asks the run to stop (also to pause: the rest of the queue stays for the next start);
// returns at once, 1 when a run was active.
int32_t DBStopWorkers(tagDBCONTEXT* ctx);

// Any thread. Queues a link found on a page; 1 on success.
int32_t DBAddLinkFound(tagDBCONTEXT* ctx, int32_t protocol, const char* username,
                       const char* userpass, const char* server, int32_t port, const char* resource,
                       const char* bookmark, const char* comment, int32_t restype, int32_t flags,
                       const char* rel_url, const char* rel_title, int32_t line, int32_t col,
                       int32_t extern_, int32_t dir);
// One link found on a page, for DBAddLinksFound; the texts as DBAddLinkFound takes them.
struct tagDBFOUNDLINK {
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
  const char* rel_url;
  const char* rel_title;
  int32_t line;
  int32_t col;
  int32_t extern_;
  int32_t dir;
};
// Any thread. Queues the links found on one page as DBAddLinkFound would one by one, in
// one turn of the context's lock; results[i] is what DBAddLinkFound gives for links[i].
void DBAddLinksFound(tagDBCONTEXT* ctx, const tagDBFOUNDLINK* links, int32_t count,
                     int32_t* results);
// Any thread. Records a link whose result is known without checking it: a `loaded` row
// unless the link is stored already, and its occurrence; then the load callback gets the
// row, with the lock released. 1 when a row was written.
int32_t DBAddLinkProcessed(tagDBCONTEXT* ctx, int32_t protocol, const char* username,
                           const char* userpass, const char* server, int32_t port,
                           const char* resource, const char* bookmark, const char* comment,
                           int32_t restype, int32_t flags, const char* title, const char* statusstr,
                           const char* commentstr, const char* content, const char* ressize,
                           const char* lastmod, const char* charset, int32_t statusval,
                           int32_t attempt, int32_t restime, const char* rel_url,
                           const char* rel_title, int32_t line, int32_t col, int32_t extern_,
                           int32_t dir);
// Queues a checked link again (every occurrence becomes a queue row, reported to callback)
// and removes its result; bookmarks are compared unless ignoreBookmark. 1 when the link was
// stored; 0 without the `report` table.
int32_t DBRecheckLinks(tagDBCONTEXT* ctx, int32_t protocol, const char* username,
                       const char* userpass, const char* server, int32_t port, const char* resource,
                       const char* bookmark, const char* comment, int32_t restype, int32_t flags,
                       int32_t ignoreBookmark, DBRecheckCallback callback, void* user);
