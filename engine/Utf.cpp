#include <cstdint>
#include <string>

#include "engine/TextHelpers.h"

namespace {

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Writes one code point of at most 0xFFFF as two or three bytes when they fit.
bool PutBmp(uint32_t cp, char* out, int size, int& pos) {
  const int need = cp < 0x800 ? 2 : 3;
  if (size - pos < need) return false;
  if (need == 2) {
    out[pos++] = static_cast<char>(0xC0 | (cp >> 6));
  } else {
    out[pos++] = static_cast<char>(0xE0 | (cp >> 12));
    out[pos++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  }
  out[pos++] = static_cast<char>(0x80 | (cp & 0x3F));
  return true;
}

}  // namespace

int Utf16ToUtf8(const char16_t* text, int units, char* out, int size) {
  if (!text || !out) return 0;
  int pos = 0;
  for (int i = 0; i < units; ++i) {
    const uint32_t unit = text[i];
    if (unit < 0x80) {
      if (pos >= size) break;
      out[pos++] = static_cast<char>(unit);
      continue;
    }
    if (IsHighSurrogate(unit)) {
      // A pair may still be completed by more input that the caller has not passed.
      if (i + 1 >= units) break;
      const uint32_t low = text[i + 1];
      if (IsLowSurrogate(low)) {
        if (size - pos < 4) break;
        const uint32_t cp = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        out[pos++] = static_cast<char>(0xF0 | (cp >> 18));
        out[pos++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out[pos++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[pos++] = static_cast<char>(0x80 | (cp & 0x3F));
        ++i;
        continue;
      }
    }
    // A lone surrogate has no UTF-8 form; the database would refuse the row.
    const uint32_t cp = IsHighSurrogate(unit) || IsLowSurrogate(unit) ? 0xFFFD : unit;
    if (!PutBmp(cp, out, size, pos)) break;
  }
  return pos;
}

int Utf8ToUtf16(const char* text, uint32_t bytes, char16_t* out, int size) {
  if (!text || !out) return 0;
  const auto* in = reinterpret_cast<const unsigned char*>(text);
  uint32_t i = 0;
  int pos = 0;
  while (i < bytes && pos < size) {
    const uint32_t lead = in[i];
    uint32_t cp;
    uint32_t length;
    uint32_t least;  // smallest code point of that length: below it the form is overlong
    if (lead < 0x80) {
      cp = lead, length = 1, least = 0;
    } else if (lead >= 0xC0 && lead < 0xE0) {
      cp = lead & 0x1F, length = 2, least = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      cp = lead & 0x0F, length = 3, least = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF8) {
      cp = lead & 0x07, length = 4, least = 0x10000;
    } else {
      break;  // a continuation byte, or a five- or six-byte form
    }
    if (bytes - i < length) break;
    uint32_t k = 1;
    for (; k < length; ++k) {
      const uint32_t next = in[i + k];
      if ((next & 0xC0) != 0x80) break;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (k < length || cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) break;
    if (cp == 0xFEFF && i == 0 && length > 1) {
      i += length;
      continue;
    }
    if (cp > 0xFFFF) {
      if (size - pos < 2) break;
      cp -= 0x10000;
      out[pos++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      out[pos++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out[pos++] = static_cast<char16_t>(cp);
    }
    i += length;
  }
  return pos;
}

int Utf16ToUtf8Z(const char16_t* text, char* out, int size) {
  if (!out || size < 1) return 0;
  const int units = text ? static_cast<int>(std::char_traits<char16_t>::length(text)) : 0;
  const int written = Utf16ToUtf8(text, units, out, size - 1);
  out[written] = 0;
  return written;
}

int Utf8ToUtf16Z(const char* text, char16_t* out, int size) {
  if (!out || size < 1) return 0;
  const uint32_t bytes = text ? static_cast<uint32_t>(std::char_traits<char>::length(text)) : 0;
  const int written = Utf8ToUtf16(text, bytes, out, size - 1);
  out[written] = 0;
  return written;
}
