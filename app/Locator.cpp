// Locator file bytes: the UTF-16LE path with its byte-order mark, written and read back.
#include "app/Locator.h"

std::string EncodeLocator(const char16_t* path) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t* at = path; *at; ++at) {
    bytes += static_cast<char>(*at & 0xFF);
    bytes += static_cast<char>(*at >> 8);
  }
  bytes.append("\r\0\n\0", 4);
  return bytes;
}

bool DecodeLocator(const char* bytes, size_t length, char16_t* path, int size) {
  if (size <= 0) return false;
  path[0] = 0;
  if (length < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
      static_cast<unsigned char>(bytes[1]) != 0xFE) {
    return false;
  }
  int count = 0;
  for (size_t at = 2; at + 1 < length && count < LOCATOR_PATH_CHARS && count < size - 1; at += 2) {
    const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                                static_cast<unsigned char>(bytes[at + 1]) << 8);
    if (unit == u'\r' || unit == u'\n' || unit == 0) break;
    path[count++] = unit;
  }
  path[count] = 0;
  return true;
}
