// The time-zone suffix of a zone bias.
#include "engine/ZoneBias.h"

#include <cstdio>

#include "engine/TextPieces.h"

std::u16string FormatZoneBias(int32_t bias) {
  char buffer[16];
  long long magnitude = bias <= 0 ? -static_cast<long long>(bias) : bias;
  std::snprintf(buffer, sizeof buffer, " %c%02lld%02lld", bias <= 0 ? '+' : '-', magnitude / 60,
                magnitude % 60);
  return AsciiToU16(buffer);
}
