// The program's language strings: `strtbl` (427 slots, named in StringSlots.h), the 38 date
// names (slot 72: "Sun".."Sat", "Sunday".."Saturday", "Jan".."Dec", "January".."December")
// and the 8 message-box captions (slot 73: OK, Cancel, Abort, Retry, Ignore, Yes, No, Copy).
// Neutral header. Loaded and freed on the GUI thread; the texts are read-only in between
// and may be read from any thread. Texts are stored with '%' doubled: show them through
// the formatter.
#pragma once

#include "app/StringSlots.h"
#include "toolkit/StringItems.h"

constexpr int STRING_ITEM_COUNT = 471;
constexpr int DATE_NAME_COUNT = 38;
constexpr int CAPTION_COUNT = 8;
constexpr int RT_LNGTABLE = 110;
constexpr int DEFAULT_LNGTABLE_RESOURCE_ID = 1;

extern "C" {
extern const char16_t* strtbl[STRTBL_SLOTS];
}
extern const char16_t* g_dateNames[DATE_NAME_COUNT];
extern const char16_t* g_captions[CAPTION_COUNT];
extern tagSTRINGITEM g_stringItems[STRING_ITEM_COUNT];

// Loads the strings from the language file, and every item it lacks from the built-in
// English table (resource RT_LNGTABLE 1 of finderstruct's module); texts of an earlier
// load are freed. Nonzero when at least one item was filled.
int LoadStringTable(const char16_t* languageFile);
// Frees the loaded texts; nonzero when there were any.
int FreeStringTable();
