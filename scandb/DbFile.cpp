// Opening, creating and moving the database file, and its schema.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scandb/DbRows.h"
#include "scandb/DbSql.h"

namespace {

const ISC_LONG kMetadataFailed = -607;  // DROP of a missing table, CREATE of an existing one
const ISC_LONG kIoFailed = -902;
const ISC_LONG kNoAttachment = -904;

bool FileExists(const char* path) {
  struct stat info;
  return stat(path, &info) == 0;
}

// A zero-length file is what an interrupted create leaves; Firebird can neither create
// over it nor attach it.
void RemoveEmptyFile(const char* path) {
  struct stat info;
  if (stat(path, &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0) unlink(path);
}

// Firebird reads "name:path" as a database on a network host, and Wine's drive folders
// (dosdevices/c:) put a colon into local paths; a path that loops makes the Firebird client
// recurse until the stack overflows. So the whole path is resolved to its real path first;
// a missing file (to be created) in an existing folder takes the folder's real path, and a
// missing folder is left to Firebird, which reports it. A loop or a link to nothing cannot
// be opened, nor can a path that still holds a colon.
bool LocalPath(const char* path, std::string* local) {
  char real[PATH_MAX];
  if (realpath(path, real)) {
    *local = real;
    return local->find(':') == std::string::npos;
  }
  struct stat entry;
  if (errno != ENOENT || lstat(path, &entry) == 0) return false;
  *local = path;
  const char* slash = strrchr(path, '/');
  if (slash && slash[1]) {
    const std::string folder = slash == path ? "/" : std::string(path, slash);
    if (realpath(folder.c_str(), real)) {
      *local = std::string(real) + (strcmp(real, "/") == 0 ? "" : "/") + (slash + 1);
    } else if (errno == ELOOP) {
      return false;
    }
  }
  return local->find(':') == std::string::npos;
}

// Detaches the attached database, if any, keeping the context's state in step.
int Detach(tagDBCONTEXT* ctx) {
  if (!ctx->DbHandle) return 1;
  DbDropPrepared(ctx);
  ISC_STATUS_ARRAY status = {};
  isc_detach_database(status, &ctx->DbHandle);
  if (isc_sqlcode(status) != 0) {
    DBFormatError(ctx, status, "detach database");
    return 0;
  }
  ctx->DbHandle = 0;
  ctx->Loaded.Reset();
  ctx->Queue.Reset();
  return 1;
}

// Creates the file when it is missing, then attaches it (steps shared by open and move).
int CreateAndAttach(tagDBCONTEXT* ctx, const char* requestedPath) {
  // A second attachment over the first would leave that one locked until the process ends.
  if (!Detach(ctx)) return 0;
  std::string local;
  if (!LocalPath(requestedPath, &local)) {
    DBFormatError(ctx, nullptr, "create database");
    return 0;
  }
  const char* path = local.c_str();
  SqlText sql(1024);
  sql.Add("CREATE DATABASE '").AddRaw(path).Add("'");
  if (!sql.Ok()) {
    DBFormatError(ctx, nullptr, "create database");
    return 0;
  }
  ISC_STATUS_ARRAY status = {};
  ISC_STATUS_ARRAY ignored;
  isc_tr_handle tr = 0;
  isc_dsql_execute_immediate(status, &ctx->DbHandle, &tr, 0, sql.Text(), 1, nullptr);
  ISC_LONG code = isc_sqlcode(status);
  // -902 also stands for a refused or failed write and for a path read as a network host;
  // only an existing file means that there is nothing to create.
  if (code != 0 && !(code == kIoFailed && FileExists(path))) {
    DBFormatError(ctx, status, "create database");
    if (tr) isc_rollback_transaction(ignored, &tr);
    return 0;
  }
  // CREATE DATABASE leaves no transaction open; the zero handle is not ended.
  if (tr) {
    if (code == 0)
      isc_commit_transaction(ignored, &tr);
    else
      isc_rollback_transaction(ignored, &tr);
  }
  isc_detach_database(status, &ctx->DbHandle);
  code = isc_sqlcode(status);
  if (code != 0 && code != kNoAttachment) {
    DBFormatError(ctx, status, "detach database");
    return 0;
  }
  ctx->DbHandle = 0;
  ctx->Loaded.Reset();
  ctx->Queue.Reset();
  // The connection character set makes literals UTF8, so that UPPER() of a literal folds
  // the same way as UPPER() of a column. Forced writes off: a commit hands its pages to the
  // operating system instead of waiting for the disk, which a scan does many times per
  // link; every committed row still outlives a crash of the program, only a crash of the
  // system itself may lose the last ones.
  static const char kParameters[] = {
      isc_dpb_version1, isc_dpb_lc_ctype, 4, 'U', 'T', 'F', '8', isc_dpb_force_write, 1, 0};
  isc_attach_database(status, 0, path, &ctx->DbHandle, sizeof(kParameters), kParameters);
  if (isc_sqlcode(status) != 0) {
    DBFormatError(ctx, status, "connect database");
    ctx->DbHandle = 0;
    return 0;
  }
  return 1;
}

// The schema's tables, as bits of a set.
enum : unsigned { kLoadedTable = 1, kFoundTable = 2, kReportTable = 4, kOptionsTable = 8 };

// Drops and creates the tables of the set (a missing one is only created), in the schema's
// order; the generators keep counting.
int32_t BuildTables(tagDBCONTEXT* ctx, unsigned tables) {
  // A kept statement holds its table in use, which could then not be dropped.
  DbDropPrepared(ctx);
  ctx->Loaded.Reset();
  ctx->Queue.Reset();
  const unsigned text = kTextColumn, longText = kLongColumn, shortText = kShortColumn;
  char loaded[1024];
  snprintf(loaded, sizeof(loaded),
           "CREATE TABLE loaded (number INTEGER NOT NULL PRIMARY KEY, protocol INTEGER, "
           "username VARCHAR(%u) CHARACTER SET UTF8, userpass VARCHAR(%u) CHARACTER SET UTF8, "
           "server VARCHAR(%u) CHARACTER SET UTF8, port INTEGER, resource VARCHAR(%u) "
           "CHARACTER SET UTF8, bookmark VARCHAR(%u) CHARACTER SET UTF8, comment VARCHAR(%u) "
           "CHARACTER SET UTF8, restype INTEGER, flags INTEGER, title VARCHAR(%u) CHARACTER SET "
           "UTF8, statusstr VARCHAR(%u) CHARACTER SET UTF8, commentstr VARCHAR(%u) CHARACTER "
           "SET UTF8, content VARCHAR(%u) CHARACTER SET UTF8, ressize VARCHAR(%u) CHARACTER SET "
           "UTF8, lastmod VARCHAR(%u) CHARACTER SET UTF8, charset VARCHAR(%u) CHARACTER SET "
           "UTF8, statusval INTEGER, attempt INTEGER, restime INTEGER)",
           text, text, text, longText, text, text, text, text, text, shortText, shortText,
           shortText, shortText);
  char found[1024];
  snprintf(found, sizeof(found),
           "CREATE TABLE found (number INTEGER NOT NULL PRIMARY KEY, protocol INTEGER, "
           "username VARCHAR(%u) CHARACTER SET UTF8, userpass VARCHAR(%u) CHARACTER SET UTF8, "
           "server VARCHAR(%u) CHARACTER SET UTF8, port INTEGER, resource VARCHAR(%u) "
           "CHARACTER SET UTF8, bookmark VARCHAR(%u) CHARACTER SET UTF8, comment VARCHAR(%u) "
           "CHARACTER SET UTF8, restype INTEGER, flags INTEGER, rel_url VARCHAR(%u) CHARACTER "
           "SET UTF8, rel_title VARCHAR(%u) CHARACTER SET UTF8, line INTEGER, col INTEGER, "
           "extern INTEGER, dir INTEGER)",
           text, text, text, longText, text, text, longText, text);
  char report[512];
  snprintf(report, sizeof(report),
           "CREATE TABLE report (first INTEGER, loaded INTEGER, rel_url VARCHAR(%u) CHARACTER "
           "SET UTF8, rel_title VARCHAR(%u) CHARACTER SET UTF8, line INTEGER, col INTEGER, "
           "extern INTEGER, dir INTEGER)",
           longText, text);
  char options[256];
  snprintf(options, sizeof(options),
           "CREATE TABLE options (name VARCHAR(%u), val BLOB SUB_TYPE TEXT CHARACTER SET UTF8)",
           text);
  struct {
    unsigned table;
    const char* sql;
    const char* startStep;
    const char* statementStep;
  } const steps[] = {
      {kLoadedTable, "DROP TABLE loaded", "start transaction drop loaded", "drop table loaded"},
      {kLoadedTable, loaded, "start transaction create loaded", "create table loaded"},
      {kLoadedTable, "CREATE GENERATOR gen_loaded", "start transaction create gen_loaded",
       "create generator gen_loaded"},
      {kFoundTable, "DROP TABLE found", "start transaction drop found", "drop table found"},
      {kFoundTable, found, "start transaction create found", "create table found"},
      {kFoundTable, "CREATE GENERATOR gen_found", "start transaction create gen_found",
       "create generator gen_found"},
      {kReportTable, "DROP TABLE report", "start transaction drop report", "drop table report"},
      {kReportTable, ctx->KeepReport == 1 ? report : nullptr, "start transaction create report",
       "create table report"},
      {kOptionsTable, "DROP TABLE options", "start transaction drop options", "drop table options"},
      {kOptionsTable, options, "start transaction create options", "create table options"},
  };
  for (const auto& step : steps) {
    if (!step.sql || !(tables & step.table)) continue;
    SqlText sql(1024);
    sql.Add(step.sql);
    if (!DbExecute(ctx, sql, step.startStep, step.statementStep, kMetadataFailed)) return 0;
  }
  return 1;
}

}  // namespace

int32_t DBCreateTables(tagDBCONTEXT* ctx) {
  if (!ctx) return 0;
  return BuildTables(ctx, kLoadedTable | kFoundTable | kReportTable | kOptionsTable);
}

int32_t DBCheckTables(tagDBCONTEXT* ctx, int32_t* out) {
  if (!ctx) return 0;
  bool found = false, loaded = false, options = false, report = false, foreign = false;
  {
    DbQuery query(ctx, "select relations");
    SqlText sql(256);
    sql.Add(
        "SELECT UPPER(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 AND "
        "RDB$VIEW_BLR IS NULL ORDER BY RDB$RELATION_NAME");
    if (!query.Open(sql, 1)) return 0;
    ISC_STATUS code;
    while ((code = query.Fetch()) == 0) {
      char name[32];
      query.CopyText(0, -1, name, sizeof(name));
      if (strcmp(name, "FOUND") == 0) found = true;
      if (strcmp(name, "LOADED") == 0) loaded = true;
      if (strcmp(name, "OPTIONS") == 0) options = true;
      if (strcmp(name, "REPORT") == 0) {
        report = true;
      } else if (strcmp(name, "FOUND") && strcmp(name, "LOADED") && strcmp(name, "OPTIONS")) {
        foreign = true;
      }
    }
    if (!query.Close() || code != 100) return 0;
  }
  // Another program's database: rebuilding the schema would drop that program's tables.
  if (foreign) {
    DBFormatError(ctx, nullptr, "check tables: not a worksheet database");
    return 0;
  }
  // A missing table is created alone: the rows of the others are the worksheet.
  const unsigned missing = (loaded ? 0 : kLoadedTable) | (found ? 0 : kFoundTable) |
                           (ctx->KeepReport == 1 && !report ? kReportTable : 0) |
                           (options ? 0 : kOptionsTable);
  if (missing && !BuildTables(ctx, missing)) return 0;
  // The stored rows are those of `report` with their `loaded` row: a table just created
  // holds none.
  if (ctx->KeepReport != 1 || !loaded || !report) return 1;
  bool failed = false;
  const int32_t shown =
      DbRunReport(ctx, ctx->ReportMode, ctx->LoadCallback, ctx->LoadUser, 0, 0, out, &failed);
  // A load that stops at a damaged page would show part of the worksheet as the whole.
  return failed ? 0 : shown;
}

int32_t DBOpenDatabase(tagDBCONTEXT* ctx, const char* path, int32_t* out) {
  if (out) *out = 0;
  if (!ctx || !path) return 0;
  RemoveEmptyFile(path);
  if (!CreateAndAttach(ctx, path)) return 0;
  if (DBCheckTables(ctx, out)) return 1;
  // Refused or damaged: the file is left free for whatever else may open it.
  DbKeptError kept(ctx);
  Detach(ctx);
  return 0;
}

int32_t DBMoveDatabase(tagDBCONTEXT* ctx, const char* path, int32_t attach) {
  if (!ctx) return 0;
  if (attach) return path ? CreateAndAttach(ctx, path) : 0;
  if (!ctx->DbHandle) return 0;
  return Detach(ctx);
}
