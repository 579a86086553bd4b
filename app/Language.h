// Language files ("lngfiles" folders beside the program), the choice of the language and
// help file for `CurrLang`, the menu texts built from the language strings, and the
// language change. Neutral header; GUI thread only.
#pragma once

#include <cstdint>

#include "app/Settings.h"

// Bit i is set when language i can be chosen (BitArrayOp); English (US) always is.
extern uint8_t g_languageBits[9];
extern char16_t g_languageFile[SETTINGS_PATH_SIZE];
extern char16_t g_helpFile[SETTINGS_PATH_SIZE];

// Sets the availability bits from "<folder>\lngfiles\*.lng" and
// "<folder>\..\..\lngfiles\*.lng"; programFolder has no trailing backslash.
void ScanLanguageFiles(const char16_t* programFolder);
// Chooses the language and help files for `CurrLang` (English where the language's own
// are missing) and loads the strings; returns LoadStringTable's result.
int LoadLanguage(const char16_t* programFolder);

enum : int { MENU_FRAME = 0, MENU_WORKSHEET = 1 };
// Allocates and writes the menu text of the frame (MENU_FRAME) or of a worksheet into
// *text and returns its length; *text is null when memory ran out. The caller frees
// *text with free().
int BuildMenuText(char16_t** text, int kind);

// Language menu command 3000 + index. After the user agrees to restart, sets `CurrLang`
// and *restart and sends WM_CLOSE to frame; a refused close clears *restart again.
// Returns 1 when the language was changed. frame is an HWND.
int ChangeLanguage(void* frame, int index, int* restart);
