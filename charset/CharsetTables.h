// The fixed tables behind the converters: extra aliases for names ICU does not know, and
// the display names the settings dialog shows. Library-private; read-only, any thread.
#pragma once

#include <cstddef>

struct CharsetAlias {
  const char* converter;  // name ICU opens
  const char* alias;
};

struct CharsetDisplayName {
  const char* icuName;
  const char* displayName;
};

extern const CharsetAlias kFallbackAliases[24];
extern const CharsetDisplayName kDisplayNames[207];

// ASCII letters compare without case; null equals nothing.
bool EqualsIgnoreCase(const char* a, const char* b);

// The converter of the first fallback row whose alias matches, or null.
const char* FindFallbackConverter(const char* alias);
// The display name of the first row whose ICU name matches, or null.
const char* FindDisplayName(const char* icuName);
