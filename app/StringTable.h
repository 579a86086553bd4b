// Loading and freeing the program's language strings (toolkit/LanguageText.h) from a
// language file over the built-in English table. GUI thread only, while no scan runs.
#pragma once

#include "toolkit/LanguageText.h"

constexpr int RT_LNGTABLE = 110;
constexpr int DEFAULT_LNGTABLE_RESOURCE_ID = 1;

// Loads the strings from the language file, and every item it lacks from the built-in
// English table (resource RT_LNGTABLE 1 of finderstruct's module); texts of an earlier
// load are freed. Nonzero when at least one item was filled.
int LoadStringTable(const char16_t* languageFile);
// Frees the loaded texts; nonzero when there were any.
int FreeStringTable();
