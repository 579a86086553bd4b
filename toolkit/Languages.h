// The toolkit's small services behind the entry table: its version, the 72 language names
// and the mapping of Windows language identifiers to them, and bit arrays. Neutral header;
// every function is pure and callable on any thread.
#pragma once

#include <cstdint>

constexpr int LANGUAGE_COUNT = 72;
constexpr int LANGUAGE_ENGLISH_US = 17;

// 0x0001000C: major version 1 in the high word, 12 in the low word.
uint32_t GetXmlLibVersion();

// Copies the lower-case name of language `index` ("afrikaans" ... "vietnamese") into out,
// which holds at least 11 units. False, out untouched, for an index outside 0..71.
int GetLanguageName(int index, char16_t* out);

// The language index (0..71) of a Windows language identifier; 17 for any unknown one.
int LanguageIdToIndex(uint32_t langId);

enum : int { BITARRAY_SET = 0, BITARRAY_CLEAR = 1, BITARRAY_TEST = 2 };
// Sets, clears or tests bit n (byte n / 8, bit n % 8). 1 only for a test of a set bit;
// a negative n touches nothing. The caller sizes the array.
int BitArrayOp(uint8_t* bits, int op, int n);
