// A stand-in for the program's language strings in toolkit tests: `strtbl` with the
// English date names in slot 72. Neutral header.
#pragma once

extern const char16_t* const g_testDateNames[38];
