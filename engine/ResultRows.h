// A links-list row as the engine writes it and the worksheet reads it: the columns and the
// item data that carries the row's resource type and status bits. Neutral header.
#pragma once

#include <cstdint>

#include "engine/Records.h"

// The links list's columns, left to right; Page and Position exist only while all links are
// shown.
enum LinkColumn : int {
  LINKCOL_LINK = 0,
  LINKCOL_STATUS = 1,
  LINKCOL_COMMENT = 2,
  LINKCOL_TITLE = 3,
  LINKCOL_PROTOCOL = 4,
  LINKCOL_CONTENTTYPE = 5,
  LINKCOL_SIZE = 6,
  LINKCOL_LASTMODIFIED = 7,
  LINKCOL_CHARSET = 8,
  LINKCOL_ACCESSTIME = 9,
  LINKCOL_TYPE = 10,
  LINKCOL_DIRLEVEL = 11,
  LINKCOL_LOCATION = 12,
  LINKCOL_PAGE = 13,
  LINKCOL_POSITION = 14,
};
constexpr int LINK_COLUMNS = 13;
constexpr int LINK_COLUMNS_ALL = 15;

// Status bits of a row.
enum : uint32_t {
  LINKROW_BROKEN = 1,
  LINKROW_SKIPPED = 2,
  LINKROW_NOTCHECKABLE = 4,
  LINKROW_BROKEN_RETRIED = 8,
  LINKROW_CHECKING = 16,  // inserted, its check not finished
};

// The status bits of a finished check's statusval; 0 for any other.
constexpr uint32_t LinkRowBits(int32_t statusval) {
  switch (statusval) {
    case STATUSVAL_BROKEN:
      return LINKROW_BROKEN;
    case STATUSVAL_SKIPPED:
      return LINKROW_SKIPPED;
    case STATUSVAL_NOTCHECKABLE:
      return LINKROW_NOTCHECKABLE;
    case STATUSVAL_BROKEN_RETRIED:
      return LINKROW_BROKEN_RETRIED;
  }
  return 0;
}

struct LinkRowData {
  uint32_t restype;  // the low 16 bits of the row's res_type
  uint32_t bits;
};

// The row's item data: restype in the low 16 bits, the status bits in the high 16.
constexpr uint32_t EncodeLinkRow(int32_t restype, uint32_t bits) {
  return (static_cast<uint32_t>(restype) & 0xFFFFu) | (bits << 16);
}

constexpr LinkRowData DecodeLinkRow(uint32_t itemData) {
  return {itemData & 0xFFFFu, itemData >> 16};
}
