// Bounded text helpers of the installer library.
#pragma once

#include <cstddef>
#include <cstring>

// Copies text with its terminator into buffer; when it does not fit, buffer becomes empty
// and the result is false: a cut path could name another file.
inline bool CopyWhole(char* buffer, size_t size, const char* text, size_t length) {
  if (size == 0) return false;
  if (length >= size) {
    buffer[0] = '\0';
    return false;
  }
  memcpy(buffer, text, length);
  buffer[length] = '\0';
  return true;
}

inline bool CopyWhole(char* buffer, size_t size, const char* text) {
  return CopyWhole(buffer, size, text, strlen(text));
}
