// Loading and freeing the language table: the language file first, then the built-in English table.
// GUI thread.
#include "app/StringTable.h"

#include <windows.h>

#include "toolkit/FinderStruct.h"

int LoadStringTable(const char16_t* languageFile) {
  FreeStringItems(g_stringItems, STRING_ITEM_COUNT);
  for (const char16_t*& slot : strtbl) slot = g_emptyString;
  for (const char16_t*& name : g_dateNames) name = g_emptyString;
  for (const char16_t*& caption : g_captions) caption = g_emptyString;
  strtbl[STR_DATENAMES] = reinterpret_cast<const char16_t*>(g_dateNames);
  strtbl[STR_CAPTIONS] = reinterpret_cast<const char16_t*>(g_captions);
  const tagSTRINGSOURCE sources[2] = {
      {languageFile, STRINGSOURCE_FILE, STRINGFORMAT_INI, 0},
      {MAKEINTRESOURCEW(DEFAULT_LNGTABLE_RESOURCE_ID), STRINGSOURCE_RESOURCE, STRINGFORMAT_INI,
       RT_LNGTABLE},
  };
  return LoadStringItems(finderstruct.module, g_stringItems, STRING_ITEM_COUNT, sources) > 0;
}

int FreeStringTable() { return FreeStringItems(g_stringItems, STRING_ITEM_COUNT) > 0; }
