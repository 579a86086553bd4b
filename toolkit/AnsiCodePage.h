// The process's ANSI code page, for the formatter's 8-bit arguments.
#pragma once

// Converts `bytes` bytes (-1: up to the terminating zero, which is not converted) into at
// most `size` units of out; with a null out returns the units needed. Returns the units
// written.
int AnsiToWide(const char* text, int bytes, char16_t* out, int size);
