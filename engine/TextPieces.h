// Two small helpers of the text pieces of the lists and reports. Neutral header; any thread.
#pragma once

#include <string>

// A null text reads as empty.
inline const char16_t* NonNullText(const char16_t* text) { return text ? text : u""; }

// An ASCII text as UTF-16, unit by unit.
inline std::u16string AsciiToU16(const char* text) {
  std::u16string out;
  for (; *text; ++text) out += static_cast<char16_t>(static_cast<unsigned char>(*text));
  return out;
}
