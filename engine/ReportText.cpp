// The item data, protocol name and access time of a link's row.
#include "engine/ReportText.h"

#include <cstdio>

#include "engine/TextPieces.h"

uint32_t LinkItemData(int32_t restype, int32_t statusval) {
  uint32_t mask = 0;
  switch (statusval) {
    case 5:
      mask = 1;
      break;
    case 2:
      mask = 2;
      break;
    case 4:
      mask = 4;
      break;
    case 7:
      mask = 8;
      break;
    default:
      break;
  }
  return (static_cast<uint32_t>(restype) & 0xFFFFu) | (mask << 16);
}

const char16_t* ProtocolName(int32_t protocol) {
  switch (protocol) {
    case 1:
      return u"http";
    case 2:
      return u"https";
    case 3:
      return u"ftp";
    case 4:
      return u"file";
    case 5:
      return u"rtsp";
    default:
      return nullptr;
  }
}

std::u16string FormatAccessTime(int32_t restime, const char16_t* unit) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d.%03u", restime / 1000,
                static_cast<unsigned>(restime % 1000));
  return AsciiToU16(buffer) + u" " + NonNullText(unit);
}
