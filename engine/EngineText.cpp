#include "engine/EngineText.h"

#include <cstring>

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
    {"Curl", "101", u"Unsupported protocol"},
    {"Curl", "103", u"URL using bad/illegal format or missing URL"},
};

}  // namespace

const char16_t* EngineText(const char* section, const char* key) {
  for (const EngineTextEntry& entry : kTexts) {
    if (!std::strcmp(entry.section, section) && !std::strcmp(entry.key, key)) return entry.text;
  }
  return u"";
}
