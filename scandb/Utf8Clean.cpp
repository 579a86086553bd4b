// Makes text fit for a UTF8 column: invalid sequences replaced, cut at a character boundary.
#include "scandb/Utf8Clean.h"

#include <cstring>
#include <new>

#include "engine/TextHelpers.h"

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

}  // namespace

bool AppendCleanUtf8(std::string& out, const char* text, size_t maxBytes) {
  if (!text) return true;
  const char* p = text;
  size_t left = strlen(text);
  size_t used = 0;
  try {
    while (left > 0) {
      size_t bad = 0;
      uint32_t cp = 0;
      size_t length = Utf8Sequence(p, left, &cp, &bad);
      const char* piece = p;
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
      left -= length;
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

size_t CopyCut(const char* text, size_t length, char* buffer, size_t size) {
  if (size == 0) return 0;
  const size_t kept = Utf8CutLength(text, length, size - 1);
  memcpy(buffer, text, kept);
  buffer[kept] = '\0';
  return kept;
}
