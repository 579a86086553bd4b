#include "engine/EngineText.h"

#include <cstring>

#include "app/StringTable.h"

namespace {

struct EngineTextEntry {
  const char* section;
  const char* key;
  const char16_t* text;
};

const EngineTextEntry kTexts[] = {
    {"Status", "ExtraSpaces", u"Extra spaces in url"},
    {"Status", "EmptyURL", u"URL is empty"},
    {"Status", "RelativeOverflow", u"Relative link directory overflow"},
    {"Status", "DisallowedDirLevel", u"Checking file content is restricted by directory level"},
    {"Curl", "103", u"URL using bad/illegal format or missing URL"},
};

bool SameAscii(const char16_t* wide, const char* narrow) {
  for (; *wide && *narrow; ++wide, ++narrow) {
    if (*wide != static_cast<unsigned char>(*narrow)) return false;
  }
  return *wide == 0 && *narrow == 0;
}

}  // namespace

const char16_t* EngineText(const char* section, const char* key) {
  // The loaded language table answers once start-up has filled it.
  for (const tagSTRINGITEM& item : g_stringItems) {
    if (!SameAscii(item.section, section) || !SameAscii(item.key, key)) continue;
    if (*item.destination && **item.destination) return *item.destination;
    break;
  }
  for (const EngineTextEntry& entry : kTexts) {
    if (!std::strcmp(entry.section, section) && !std::strcmp(entry.key, key)) return entry.text;
  }
  return u"";
}
