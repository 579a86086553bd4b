// One line of an FTP directory listing, read in any of four styles: EPLF, UNIX long
// listing (with NetWare and NetPresenz variants), VMS/MultiNet and MS-DOS/IIS.
// Neutral header; any thread.
#pragma once

#include <cstdint>

struct tagFTPLISTENTRY {
  const char* name;  // into the line, not terminated
  int32_t nameLength;
  int32_t mayBeDirectory;
  int32_t mayBeFile;
  int32_t sizeKnown;
  int32_t size;      // bytes, at most INT32_MAX
  int32_t timeKind;  // 0 unknown, 1 exact, 2 remote time to the minute, 3 remote day only
  int32_t time;      // seconds since 1970-01-01 UTC, clamped to int32
  int32_t idKind;    // 1: id holds a server-unique id
  const char* id;    // into the line
  int32_t idLength;
};

// Fills entry (zeroed first) from line[0, length); 1 when the line was understood.
// A UNIX line giving a time of day takes its year from the current time, read once.
int ParseFTPListLine(tagFTPLISTENTRY* entry, const char* line, int length);
// The same, with `now` (seconds since 1970) in place of the current time.
int ParseFTPListLineAt(tagFTPLISTENTRY* entry, const char* line, int length, int64_t now);
