// The process's ANSI code page, for the formatter's 8-bit arguments.
#pragma once

// Converts `bytes` bytes (-1: up to the terminating zero, which is not converted) into at
// most `size` units of out; with a null out returns the units needed. Returns the units
// written.
int AnsiToWide(const char* text, int bytes, char16_t* out, int size);
// The reverse: `units` units (-1: up to the terminating zero, not converted) into at most
// `size` bytes of out; with a null out returns the bytes needed. Returns the bytes written.
// Characters outside the code page become '?' (no look-alike substitutes).
int WideToAnsi(const char16_t* text, int units, char* out, int size);
