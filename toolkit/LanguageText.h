// The program's language texts by slot (StringSlots.h): `strtbl` as start-up loads it, with
// the built-in English table behind every slot it lacks. The 38 date names of slot 72 are
// "Sun".."Sat", "Sunday".."Saturday", "Jan".."Dec", "January".."December"; the 8 message-box
// captions of slot 73 are OK, Cancel, Abort, Retry, Ignore, Yes, No, Copy. Texts are stored
// with '%' doubled for the formatter. Neutral header. The table is loaded and freed on the
// GUI thread while no scan runs; the lookups may be called from any thread in between.
#pragma once

#include "toolkit/StringItems.h"
#include "toolkit/StringSlots.h"

constexpr int STRING_ITEM_COUNT = 477;
constexpr int DATE_NAME_COUNT = 38;
constexpr int CAPTION_COUNT = 8;

extern "C" {
extern const char16_t* strtbl[STRTBL_SLOTS];
}
extern const char16_t* g_dateNames[DATE_NAME_COUNT];
extern const char16_t* g_captions[CAPTION_COUNT];
// Every item of the built-in table, in its order; the destinations are strtbl's slots and
// the two name lists.
extern tagSTRINGITEM g_stringItems[STRING_ITEM_COUNT];

// The loaded text of `slot`, or the English one while the table holds none; "" for a slot
// out of range or one of the two lists. Static: never freed by the caller.
const char16_t* LanguageText(int slot);

// Entry `index` of the date names (STR_DATENAMES) or the captions (STR_CAPTIONS), loaded or
// English as LanguageText; "" for any other slot or index.
const char16_t* LanguageListText(int slot, int index);

// The text of `slot` as it is shown without the formatter ('%' single) into out: at most
// size-1 units and a terminator, never ending on half a surrogate pair.
void CopyLanguageText(int slot, char16_t* out, int size);

template <int N>
void CopyLanguageText(int slot, char16_t (&out)[N]) {
  CopyLanguageText(slot, out, N);
}
