// The installer library's one formatter: printf conventions, always terminated, never past
// size bytes. %s takes ANSI text, %S UTF-16 text (converted to the ANSI code page).
#pragma once

extern "C" int __cdecl FormatBounded(char* buffer, int size, const char* format, ...);
