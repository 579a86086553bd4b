// The downloaders: one class per protocol behind one contract. Neutral header.
//
// Contract of every class: construct, set the public fields, call the download operation
// once, read StatusText/StatusDetail, the counters and the result, hand the returned block
// to the same object's FreeData, destroy. One object serves one check on one thread; the
// classes keep no shared state. Returned blocks are the caller's from the moment the
// operation returns and end with a NUL that the returned length does not count.
#pragma once

#include <cstdint>

#include "net/StatusType.h"

// No body is read into memory beyond this, whatever the size limit says: above it the
// download ends as skipped by the size limit.
constexpr uint32_t DOWNLOAD_MAX_BYTES = 64u * 1024 * 1024;

// Size-limit kinds of SizeLimitType: a minimum skips a resource of at most SizeLimit
// bytes, a maximum one of more than SizeLimit bytes.
enum : int32_t {
  SIZELIMIT_NONE = 0,
  SIZELIMIT_MINIMUM = 1,
  SIZELIMIT_MAXIMUM = 2,
};

// A local file, read whole (or only opened with ExistenceOnly). Windows side.
class CFILEDnld {
 public:
  char16_t FileName[2048] = {};  // '/' becomes '\' in place when the download starts
  uint32_t TimeLimit = 0;        // milliseconds, 0 = none
  int32_t SizeLimitType = SIZELIMIT_NONE;
  uint32_t SizeLimit = 0;  // bytes
  int32_t ExistenceOnly = 0;
  char16_t StatusText[256] = {};
  char16_t StatusDetail[256] = {};
  uint32_t ElapsedTime = 0;  // milliseconds the download took
  uint32_t SentSize = 0;
  uint32_t ReceivedSize = 0;

  // 0 with the file's bytes (none with ExistenceOnly), 1 missing or unreadable with the
  // system's text, 2 skipped by a limit.
  status_type FILEDownload(void** data, unsigned long* length);
  void FreeData(void* data);
};
