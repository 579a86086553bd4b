#include "scandb/Utf8Clean.h"

#include <new>

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

// Length of the well-formed sequence at p (1 to 4), or 0 when the bytes there are not one;
// `bad` then receives the length of the maximal ill-formed part, which becomes one U+FFFD.
size_t SequenceLength(const unsigned char* p, size_t* bad) {
  unsigned char lead = p[0];
  size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // surrogates are not characters
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    *bad = 1;
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    unsigned char c = p[i];
    if (c < low || c > high) {
      *bad = i;
      return 0;
    }
    low = 0x80;
    high = 0xBF;
  }
  return length;
}

}  // namespace

bool AppendCleanUtf8(std::string& out, const char* text, size_t maxBytes) {
  if (!text) return true;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  size_t used = 0;
  try {
    while (*p) {
      size_t bad = 0;
      size_t length = SequenceLength(p, &bad);
      const char* piece = reinterpret_cast<const char*>(p);
      size_t pieceLength = length;
      if (length == 0) {
        piece = kReplacement;
        pieceLength = 3;
        length = bad;
      }
      if (used + pieceLength > maxBytes) break;
      out.append(piece, pieceLength);
      used += pieceLength;
      p += length;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

size_t Utf8CutLength(const char* text, size_t length, size_t maxBytes) {
  if (length <= maxBytes) return length;
  // Back off over continuation bytes to the start of the character that does not fit; a
  // longer run than one character has is malformed and is cut where it stands.
  size_t cut = maxBytes;
  while (cut > 0 && maxBytes - cut < 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
    --cut;
  if ((static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) return maxBytes;
  return cut;
}

std::string CleanUtf8(const char* text, size_t maxBytes) {
  std::string out;
  if (!AppendCleanUtf8(out, text, maxBytes)) throw std::bad_alloc();
  return out;
}
