// The error text of a context and the quoting of text into it.
#include <cstdio>
#include <cstring>

#include "scandb/DbSql.h"
#include "scandb/Utf8Clean.h"

int32_t DBFormatError(tagDBCONTEXT* ctx, const ISC_STATUS* status, const char* step) {
  if (!ctx) return 0;
  char text[sizeof(ctx->ErrorText)];
  int length = snprintf(text, sizeof(text), "PROBLEM ON \"%s\".\n", step ? step : "");
  if (length < 0) length = 0;
  if (length >= static_cast<int>(sizeof(text))) length = sizeof(text) - 1;
  if (status) {
    char message[sizeof(text)] = {};
    const ISC_STATUS* vector = status;
    fb_interpret(message, sizeof(message), &vector);
    length += DBQuoteString(text + length, sizeof(text) - length, message, 0);
    int more = snprintf(text + length, sizeof(text) - length, "\nSQLCODE: %d",
                        static_cast<int>(isc_sqlcode(status)));
    if (more > 0) length += more;
    if (length >= static_cast<int>(sizeof(text))) length = sizeof(text) - 1;
  }
  std::lock_guard<std::mutex> guard(ctx->ErrorLock);
  memcpy(ctx->ErrorText, text, length);
  ctx->ErrorText[length] = '\0';
  return length;
}

void DbRecordFailure(tagDBCONTEXT* ctx, const ISC_STATUS* status, const char* prefix,
                     const char* what) {
  char step[256];
  snprintf(step, sizeof(step), "%s%s", prefix, what);
  DBFormatError(ctx, status, step);
}

int32_t DBErrorText(tagDBCONTEXT* ctx, char* buffer, int32_t size) {
  if (!ctx || !buffer || size <= 0) return 0;
  std::lock_guard<std::mutex> guard(ctx->ErrorLock);
  const size_t length = strnlen(ctx->ErrorText, sizeof(ctx->ErrorText) - 1);
  return static_cast<int32_t>(CopyCut(ctx->ErrorText, length, buffer, static_cast<size_t>(size)));
}

DbKeptError::DbKeptError(tagDBCONTEXT* ctx) : ctx_(ctx) {
  std::lock_guard<std::mutex> guard(ctx->ErrorLock);
  memcpy(text_, ctx->ErrorText, sizeof(text_));
}

DbKeptError::~DbKeptError() {
  std::lock_guard<std::mutex> guard(ctx_->ErrorLock);
  memcpy(ctx_->ErrorText, text_, sizeof(text_));
}

int32_t DBQuoteString(char* buffer, uint32_t size, const char* text, int32_t doubleQuotes) {
  if (!buffer || size == 0) return 0;
  uint32_t written = 0;
  for (const char* p = text ? text : ""; *p; ++p) {
    uint32_t need = (doubleQuotes && *p == '\'') ? 2 : 1;
    if (size - written < need + 1) break;
    buffer[written++] = *p;
    if (need == 2) buffer[written++] = '\'';
  }
  buffer[written] = '\0';
  return static_cast<int32_t>(written);
}
