// UTF-16 and UTF-8 converters.
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

size_t Utf8Sequence(const char* text, size_t bytes, uint32_t* cp, size_t* bad) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char lead = p[0];
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  }
  size_t length;
  unsigned char low = 0x80, high = 0xBF;
  uint32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates are not characters
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    *bad = 1;
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    if (i >= bytes || p[i] < low || p[i] > high) {
      *bad = i;
      return 0;
    }
    value = (value << 6) | (p[i] & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  *cp = value;
  return length;
}

int Utf8ToUtf16(const char* text, uint32_t bytes, char16_t* out, int size) {
  if (!text || !out) return 0;
  uint32_t i = 0;
  int pos = 0;
  while (i < bytes && pos < size) {
    uint32_t cp = 0;
    size_t bad = 0;
    const size_t length = Utf8Sequence(text + i, bytes - i, &cp, &bad);
    if (length == 0) break;
    if (cp == 0xFEFF && i == 0 && length > 1) {
      i += static_cast<uint32_t>(length);
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
    i += static_cast<uint32_t>(length);
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
