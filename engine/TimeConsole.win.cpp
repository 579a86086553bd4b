// Milliseconds since 1900 and formatted output to the console for an engine without windows.
#include <windows.h>

#include <cstdarg>
#include <vector>

#include "engine/TextHelpers.h"
#include "toolkit/Format.h"

namespace {
// Milliseconds from 1601-01-01 (the FILETIME epoch) to 1900-01-01.
constexpr uint64_t kMs1601To1900 = 9435484800000ULL;
constexpr int kConsoleUnits = 5120;
}  // namespace

uint64_t GetTimeMs1900() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t ticks = (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return ticks / 10000 - kMs1601To1900;
}

int ConsolePrintf(FILE* stream, const char16_t* format, ...) {
  if (!stream || !format) return -1;
  std::vector<char16_t> text(kConsoleUnits);
  va_list args;
  va_start(args, format);
  const int units = FormatStringWV(text.data(), kConsoleUnits, format, args);
  va_end(args);
  if (units == 0) return 0;
  const int bytes =
      WideCharToMultiByte(CP_OEMCP, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return -1;
  std::vector<char> oem(bytes);
  WideCharToMultiByte(CP_OEMCP, 0, text.data(), units, oem.data(), bytes, nullptr, nullptr);
  fwrite(oem.data(), 1, oem.size(), stream);
  return units;
}
