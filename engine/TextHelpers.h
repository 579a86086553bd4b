// Text and time helpers shared by the engine, the database layer and the shell.
// Neutral header; every function may be called on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// UTF-16 to UTF-8. Writes at most `size` bytes and no terminator; returns the bytes
// written. Stops before a sequence that does not fit, and before a high surrogate that
// ends the input. A lone surrogate becomes U+FFFD, so the output is always valid UTF-8.
int Utf16ToUtf8(const char16_t* text, int units, char* out, int size);

// The UTF-8 character at text, of at most `bytes` bytes: its length (1 to 4) with the code
// point in *cp, or 0 when the bytes there form none (overlong, a surrogate, above
// U+10FFFF, cut off by the end); *bad then holds the length of the ill-formed part, which
// a replacing decoder turns into one U+FFFD.
size_t Utf8Sequence(const char* text, size_t bytes, uint32_t* cp, size_t* bad);

// UTF-8 to UTF-16. Writes at most `size` units and no terminator; returns the units
// written. Stops at the first malformed sequence; drops a leading byte-order mark.
int Utf8ToUtf16(const char* text, uint32_t bytes, char16_t* out, int size);

// The same for terminated texts: the whole of `text` (NULL as empty) into `out` with a
// terminator, at most size - 1 units or bytes. Return what was written without it.
int Utf16ToUtf8Z(const char16_t* text, char* out, int size);
int Utf8ToUtf16Z(const char* text, char16_t* out, int size);

// ICU comparisons: < 0, 0 or > 0. ignoreCase uses default case folding, otherwise
// code units are compared. Null texts compare as empty.
int UnicodeCompare(const char16_t* a, const char16_t* b, int ignoreCase);
// The first n units of a (fewer when a is shorter) against the whole of b.
int UnicodeCompareN(const char16_t* a, const char16_t* b, int n, int ignoreCase);
int UnicodeCompareUTF8(const char* a, const char* b, int ignoreCase);
// The UTF-8 text under the case folding of those comparisons: two texts compare equal
// ignoring case exactly when their folded forms are equal.
std::string FoldCaseUTF8(const char* text);

// Milliseconds since 1900-01-01 00:00 UTC.
uint64_t GetTimeMs1900();

// Formats like FormatStringW into 5120 units (longer output is cut), converts to the OEM
// code page and writes to `stream`. Returns the characters written, or -1.
int ConsolePrintf(FILE* stream, const char16_t* format, ...);
