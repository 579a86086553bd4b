// The one bounded copy into fixed-size UTF-16 fields.
#include "engine/TextCopy.h"

#include <cstring>

int CopyTextN(char16_t* dst, int size, const char16_t* src, int units) {
  if (!dst || size < 1) return 0;
  int n = 0;
  if (src) {
    while (n < units && n < size - 1 && src[n]) ++n;
    // Never leave half of a surrogate pair at the cut.
    const bool cut = n < units && src[n];
    if (cut && n > 0 && src[n - 1] >= 0xD800 && src[n - 1] <= 0xDBFF) --n;
    std::memmove(dst, src, static_cast<size_t>(n) * sizeof(char16_t));
  }
  dst[n] = 0;
  return n;
}

int CopyText(char16_t* dst, int size, const char16_t* src) {
  return CopyTextN(dst, size, src, size);
}
