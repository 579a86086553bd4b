// The lists of character sets the converters offer: names, aliases and display names.
#include <unicode/ucnv.h>

#include <cstdint>
#include <cstring>

#include "charset/Charset.h"
#include "charset/CharsetTables.h"

namespace {

// Converters ICU lists but cannot describe are left out of both lists.
uint16_t AliasCount(const char* converter) {
  if (!converter) return 0;
  UErrorCode error = U_ZERO_ERROR;
  const uint16_t count = ucnv_countAliases(converter, &error);
  return U_FAILURE(error) ? 0 : count;
}

const char* AliasAt(const char* converter, uint16_t index) {
  UErrorCode error = U_ZERO_ERROR;
  const char* alias = ucnv_getAlias(converter, index, &error);
  return U_FAILURE(error) ? nullptr : alias;
}

const char* DisplayNameOf(const char* converter, uint16_t aliasCount) {
  for (uint16_t i = 0; i < aliasCount; ++i) {
    if (const char* display = FindDisplayName(AliasAt(converter, i))) return display;
  }
  return converter;
}

// Appends NUL-terminated strings while they fit and counts the bytes they need either
// way. The count moves on past a string that did not fit, so no later string fits either
// and what was written stays one unbroken run.
struct ListWriter {
  char* buffer;
  uint64_t room;
  uint64_t used = 0;
  bool written = false;
  bool truncated = false;

  ListWriter(char* out, uint32_t size) : buffer(out), room(out ? size : 0) {}

  void Put(const char* text) {
    const size_t length = std::strlen(text);
    if (used + length + 1 < room) {
      std::memcpy(buffer + used, text, length + 1);
      written = true;
    } else {
      truncated = true;
    }
    used += length + 1;
  }

  // Leaves an empty list when nothing fitted and returns the list functions' result.
  int Finish(uint32_t* size, uint64_t needed) {
    if (!written && room) buffer[0] = '\0';
    *size = static_cast<uint32_t>(needed);
    return truncated ? -1 : 0;
  }
};

}  // namespace

extern "C" int GetCharsetList(char* buffer, uint32_t* size) {
  if (!size) return -1;
  ListWriter list(buffer, *size);
  const int32_t converters = ucnv_countAvailable();
  for (int32_t i = 0; i < converters; ++i) {
    const char* name = ucnv_getAvailableName(i);
    const uint16_t aliases = AliasCount(name);
    if (aliases == 0) continue;
    const char* display = DisplayNameOf(name, aliases);
    const size_t displayLength = std::strlen(display);
    const size_t nameLength = std::strlen(name);
    // A pair goes in whole, with the empty string that ends the list after it; the next
    // pair writes over that end.
    if (list.used + displayLength + nameLength + 3 < list.room) {
      char* at = buffer + list.used;
      std::memcpy(at, display, displayLength + 1);
      std::memcpy(at + displayLength + 1, name, nameLength + 1);
      at[displayLength + nameLength + 2] = '\0';
      list.written = true;
    } else {
      list.truncated = true;
    }
    list.used += displayLength + nameLength + 2;
  }
  return list.Finish(size, list.used + 2);
}

extern "C" int GetAliasList(char* buffer, uint32_t* size, int withFallback) {
  if (!size) return -1;
  ListWriter list(buffer, *size);
  const int32_t converters = ucnv_countAvailable();
  for (int32_t i = 0; i < converters; ++i) {
    const char* name = ucnv_getAvailableName(i);
    const uint16_t aliases = AliasCount(name);
    if (aliases == 0) continue;
    for (uint16_t a = 0; a < aliases; ++a) {
      const char* alias = AliasAt(name, a);
      if (!alias) continue;
      list.Put(alias);
      if (!withFallback) continue;
      for (const CharsetAlias& row : kFallbackAliases) {
        if (EqualsIgnoreCase(row.converter, alias)) list.Put(row.alias);
      }
    }
    list.Put("");
  }
  list.Put("");
  return list.Finish(size, list.used + 1);
}
