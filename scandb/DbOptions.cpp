// Option rows: one name/value pair per row of table `options`.
#include <cstdint>
#include <cstring>
#include <new>

#include "scandb/DbSql.h"
#include "scandb/Utf8Clean.h"

namespace {

const char kWhat[] = "select options";
const size_t kNameBytes = 256;
// In a UTF8 connection Firebird refuses a string literal of more characters than this;
// longer values (counted in bytes, which is never fewer) go in as a blob.
const size_t kLongestLiteral = 16383;
const unsigned short kSegmentBytes = 80;

// Copies text into buffer (at most size - 1 bytes and a terminator); returns the bytes
// stored, or the whole length when buffer is null.
int32_t CopyDefault(const char* text, char* buffer, int32_t size) {
  size_t length = strlen(text);
  if (!buffer) return static_cast<int32_t>(length);
  if (length > static_cast<size_t>(size - 1)) length = static_cast<size_t>(size - 1);
  memcpy(buffer, text, length);
  buffer[length] = '\0';
  return static_cast<int32_t>(length);
}

// Reads a blob in segments, storing what fits; -1 on failure (recorded).
int32_t ReadBlob(tagDBCONTEXT* ctx, DbQuery& query, const ISC_QUAD* id, char* buffer,
                 int32_t size) {
  int32_t total = 0;
  if (id) {
    ISC_STATUS_ARRAY status = {};
    isc_blob_handle blob = 0;
    ISC_QUAD blobId = *id;
    isc_open_blob2(status, &ctx->DbHandle, query.Transaction(), &blob, &blobId, 0, nullptr);
    if (isc_sqlcode(status) != 0) {
      DbRecordFailure(ctx, status, "open blob ", kWhat);
      return -1;
    }
    char segment[kSegmentBytes];
    for (;;) {
      unsigned short actual = 0;
      ISC_STATUS result = isc_get_segment(status, &blob, &actual, kSegmentBytes, segment);
      if (result != 0 && result != isc_segment) break;
      size_t keep = actual;
      if (buffer) {
        size_t room = static_cast<size_t>(size - 1) - static_cast<size_t>(total);
        if (keep > room) keep = room;
        memcpy(buffer + total, segment, keep);
      }
      total += static_cast<int32_t>(keep);
    }
    if (status[1] != isc_segstr_eof) {
      // A read that stopped before the end would hand out a shortened value.
      DbRecordFailure(ctx, status, "read blob ", kWhat);
      ISC_STATUS_ARRAY ignored;
      isc_cancel_blob(ignored, &blob);
      return -1;
    }
    isc_close_blob(status, &blob);
    if (isc_sqlcode(status) != 0) {
      DbRecordFailure(ctx, status, "close blob ", kWhat);
      return -1;
    }
  }
  if (buffer) buffer[total] = '\0';
  return total;
}

SqlText& AddName(SqlText& sql, const char* prefix, const char* name) {
  return sql.Add(prefix).AddValue(name, kNameBytes).Add("'");
}

}  // namespace

int32_t DBLoadOption(tagDBCONTEXT* ctx, const char* name, char* buffer, int32_t size,
                     const char* defaultValue) {
  if (!ctx || !name) return 0;
  if (buffer && size <= 0) return 0;
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  SqlText sql(316);
  AddName(sql, "SELECT FIRST 1 val FROM options WHERE name = '", name);
  DbQuery query(ctx, kWhat);
  if (!query.Open(sql, 1)) return 0;
  ISC_STATUS code = query.Fetch();
  int32_t stored = 0;
  if (code == 100) {
    stored = CopyDefault(defaultValue ? defaultValue : "", buffer, size);
  } else if (code == 0) {
    stored = ReadBlob(ctx, query, query.Blob(0), buffer, size);
  } else {
    stored = -1;
  }
  if (!query.Close() || stored < 0) {
    if (buffer) buffer[0] = '\0';
    return 0;
  }
  return stored;
}

int32_t DBSaveOption(tagDBCONTEXT* ctx, const char* name, const char* value) {
  if (!ctx || !name) return 0;
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  SqlText count(316);
  AddName(count, "SELECT COUNT(*) FROM options WHERE name = '", name);
  int32_t rows = 0;
  if (!DbQueryInt(ctx, count, kWhat, &rows)) return 0;

  const bool insert = rows < 1;
  std::string clean;
  if (!AppendCleanUtf8(clean, value, SIZE_MAX)) {
    DBFormatError(ctx, nullptr, insert ? "malloc insert options" : "malloc update options");
    return 0;
  }
  const bool asBlob = clean.size() > kLongestLiteral;
  SqlText sql(SIZE_MAX);
  if (insert) {
    AddName(sql, "INSERT INTO options (name, val) VALUES ('", name).Add(", ");
  } else {
    AddName(sql, "UPDATE options SET name = '", name).Add(", val = ");
  }
  if (asBlob)
    sql.Add("?");
  else
    sql.Add("'").AddValue(clean.c_str(), SIZE_MAX).Add("'");
  if (insert)
    sql.Add(")");
  else
    AddName(sql, " WHERE name = '", name);
  if (sql.OutOfMemory()) {
    DBFormatError(ctx, nullptr, insert ? "malloc insert options" : "malloc update options");
    return 0;
  }
  return insert ? DbExecute(ctx, sql, "start transaction insert options", "insert into options", 0,
                            asBlob ? &clean : nullptr)
                : DbExecute(ctx, sql, "start transaction update options", "update options", 0,
                            asBlob ? &clean : nullptr);
}
