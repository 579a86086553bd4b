// Writes worksheet rows directly, shaped as the scan writes them, for the tests and the
// benchmark of the database layer. Library side; the caller serialises use of a context.
#pragma once

#include <cstdint>
#include <string>

#include "scandb/ScanDb.h"

struct FillLink {
  int32_t protocol = 1;
  std::string username, userpass, server;
  int32_t port = 80;
  std::string resource, bookmark, comment;
  int32_t restype = 2, flags = 0;
  std::string title, statusstr, commentstr, content, ressize, lastmod, charset;
  int32_t statusval = 1, attempt = 0, restime = 0;
};

struct FillOccurrence {
  std::string rel_url, rel_title;
  int32_t line = 0, col = 0, extern_ = 0, dir = 0;
};

// Adds a `loaded` row numbered from gen_loaded; returns its number, or -1.
int32_t FillLoaded(tagDBCONTEXT* ctx, const FillLink& link);
bool FillReport(tagDBCONTEXT* ctx, int32_t first, int32_t loaded, const FillOccurrence& at);
// Adds `count` repeat occurrences (first 0) of a `loaded` row in one statement, their lines
// numbered from 0: a large worksheet in a moment.
bool FillReportRepeats(tagDBCONTEXT* ctx, int32_t loaded, int32_t count, const FillOccurrence& at);
bool FillFound(tagDBCONTEXT* ctx, const FillLink& link, const FillOccurrence& at);
