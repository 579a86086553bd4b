// The protocol name and access time of a link's row.
#include "engine/ReportText.h"

#include <cstdio>

#include "engine/TextPieces.h"

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
