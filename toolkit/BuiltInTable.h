// The built-in language table (resources/english.lng) as UTF-16 text, generated at build
// time. Neutral header; constant, any thread.
#pragma once

extern const char16_t g_builtInTable[];
extern const int g_builtInTableUnits;
