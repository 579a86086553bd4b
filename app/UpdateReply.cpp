// Reads the update server's reply: where its version text stands and which version it names.
#include "app/UpdateReply.h"

#include <cstring>

#include "engine/AsciiText.h"

namespace {

bool IsVersionByte(char c) { return c == '.' || (c >= '0' && c <= '9'); }

// The offset just after the marker, or length when it is absent.
size_t AfterMarker(const char* data, size_t length) {
  const size_t markerLength = sizeof(UPDATE_MARKER) - 1;
  for (size_t at = 0; at + markerLength <= length; ++at) {
    size_t matched = 0;
    while (matched < markerLength &&
           AsciiLower(data[at + matched]) == AsciiLower(UPDATE_MARKER[matched])) {
      ++matched;
    }
    if (matched == markerLength) return at + markerLength;
  }
  return length;
}

}  // namespace

size_t FindUpdateVersionText(const char* data, size_t length, char* text, size_t size) {
  if (size == 0) return 0;
  text[0] = 0;
  if (!data) return 0;
  size_t at = AfterMarker(data, length);
  while (at < length && !IsVersionByte(data[at])) ++at;
  size_t run = 0;
  while (at + run < length && run < UPDATE_VERSION_TEXT_MAX && run + 1 < size &&
         IsVersionByte(data[at + run])) {
    ++run;
  }
  if (run) memcpy(text, data + at, run);
  text[run] = 0;
  return run;
}

bool ParseUpdateVersion(const char* text, uint64_t* version) {
  uint64_t packed = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && *text++ != '.') return false;
    if (*text < '0' || *text > '9') return false;
    uint32_t value = 0;
    while (*text >= '0' && *text <= '9') {
      value = value * 10 + static_cast<uint32_t>(*text++ - '0');
      if (value > 0xFFFF) return false;
    }
    packed = (packed << 16) | value;
  }
  *version = packed;
  return true;
}
