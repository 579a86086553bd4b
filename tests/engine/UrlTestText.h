// Readable failure messages for UTF-16 texts in the URL and rule tests.
#pragma once

#include <string>

inline std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      const char digits[] = "0123456789ABCDEF";
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += digits[(c >> shift) & 0xF];
    }
  }
  return out;
}
