// The bounded UTF-16 printf of the program. Directives: flags "-+ #0", width and
// precision (digits or *, clamped to 0..4096), size prefixes l L h I64, conversions
// s (UTF-16) S (8-bit, ANSI code page) c C d i u o x X p e E f g G %. There is no %n;
// any other letter is copied as text. Neutral header; callable on any thread.
#pragma once

#include <cstdarg>

// Writes at most size-1 characters and a terminator (nothing when size < 1); returns the
// characters written. With a null buffer, returns the length of the whole output.
int FormatStringW(char16_t* buffer, int size, const char16_t* format, ...);
int FormatStringWV(char16_t* buffer, int size, const char16_t* format, va_list args);

// Like FormatStringW, but string arguments are escaped for mark-up unless the directive
// is %su or %SU. A null buffer writes nothing and returns 0.
int XmlPrintf(char16_t* buffer, int size, const char16_t* format, ...);

// Mark-up escaping of `units` units of text: CR LF TAB become \r \n \t; " & < > become
// &#34; &#38; &#60; &#62;. Writes like FormatStringW (an escape may be cut at the room);
// returns the characters written, or with a null buffer the full escaped length.
int XmlEscape(char16_t* buffer, int size, const char16_t* text, int units);
