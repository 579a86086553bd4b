// The font spec of dialog templates, "face, size, charset, style words" (for example
// "Tahoma, 8, DEFAULT, BOLD ITALIC"), read into the fields of a LOGFONTW. Neutral header;
// pure function, any thread.
#pragma once

#include <cstdint>

struct FontSpec {
  char16_t face[32] = {};  // at most 31 units, terminated
  int32_t height = -10;    // character height in logical units (negative)
  uint8_t charset = 0;
  int32_t weight = 100;
  bool italic = false;
  bool underline = false;
};

FontSpec ParseFontSpec(const char16_t* text, int length);
