// The language-text lookups, and the English table they fall back on: the built-in table,
// decoded once by the same parser that loads a language file.
#include "toolkit/LanguageText.h"

#include <memory>
#include <mutex>
#include <vector>

#include "toolkit/BuiltInTable.h"

namespace {

struct EnglishTable {
  const char16_t* slots[STRTBL_SLOTS];
  const char16_t* dateNames[DATE_NAME_COUNT];
  const char16_t* captions[CAPTION_COUNT];
};

// Where the English text of an item goes: the same place as its loaded text, in the
// English table instead of strtbl and the two lists.
const char16_t** EnglishDestination(EnglishTable& english, const char16_t** loaded) {
  if (loaded >= strtbl && loaded < strtbl + STRTBL_SLOTS) return &english.slots[loaded - strtbl];
  if (loaded >= g_dateNames && loaded < g_dateNames + DATE_NAME_COUNT)
    return &english.dateNames[loaded - g_dateNames];
  return &english.captions[loaded - g_captions];
}

// Built on first use by whichever thread asks first; its texts live as long as the process.
const EnglishTable& English() {
  static EnglishTable english;
  static std::once_flag once;
  std::call_once(once, [] {
    for (const char16_t*& text : english.slots) text = g_emptyString;
    for (const char16_t*& text : english.dateNames) text = g_emptyString;
    for (const char16_t*& text : english.captions) text = g_emptyString;
    std::vector<tagSTRINGITEM> items(g_stringItems, g_stringItems + STRING_ITEM_COUNT);
    for (tagSTRINGITEM& item : items)
      item.destination = EnglishDestination(english, item.destination);
    std::unique_ptr<bool[]> filled(new bool[STRING_ITEM_COUNT]());
    FillStringItems(items.data(), STRING_ITEM_COUNT, g_builtInTable, g_builtInTableUnits,
                    STRINGFORMAT_INI, false, filled.get());
  });
  return english;
}

bool IsList(int slot) { return slot == STR_DATENAMES || slot == STR_CAPTIONS; }

bool Holds(const char16_t* text) { return text && *text; }

}  // namespace

const char16_t* LanguageText(int slot) {
  if (slot < 0 || slot >= STRTBL_SLOTS || IsList(slot)) return u"";
  const char16_t* loaded = strtbl[slot];
  return Holds(loaded) ? loaded : English().slots[slot];
}

const char16_t* LanguageListText(int slot, int index) {
  const int count = slot == STR_DATENAMES ? DATE_NAME_COUNT : CAPTION_COUNT;
  if (!IsList(slot) || index < 0 || index >= count) return u"";
  const auto* list = reinterpret_cast<const char16_t* const*>(strtbl[slot]);
  if (list && Holds(list[index])) return list[index];
  return slot == STR_DATENAMES ? English().dateNames[index] : English().captions[index];
}

void CopyLanguageText(int slot, char16_t* out, int size) {
  if (size <= 0) return;
  const char16_t* text = LanguageText(slot);
  int n = 0;
  for (; *text && n < size - 1; ++text) {
    if (text[0] == u'%' && text[1] == u'%') ++text;
    out[n++] = *text;
  }
  if (n > 0 && n == size - 1 && out[n - 1] >= 0xD800 && out[n - 1] < 0xDC00) --n;
  out[n] = 0;
}
