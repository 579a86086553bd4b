// The one bounded copy into fixed-size UTF-16 fields: copies at most size-1 units, never
// splits a surrogate pair, always terminates (when size >= 1). Returns the units copied.
#pragma once

#include <cstddef>

int CopyText(char16_t* dst, int size, const char16_t* src);
// The same for a part of src: at most `units` units of it.
int CopyTextN(char16_t* dst, int size, const char16_t* src, int units);

template <std::size_t N>
int CopyField(char16_t (&dst)[N], const char16_t* src) {
  return CopyText(dst, static_cast<int>(N), src);
}
