// Reading the update server's reply: where its version text stands and what version it
// names. Neutral header; any thread; nothing is allocated.
#pragma once

#include <cstddef>
#include <cstdint>

// The marker the reply carries before the version, matched without regard to ASCII case.
constexpr char UPDATE_MARKER[] = "Tessaline Lite Last Version";
// The most bytes of '.' and digits taken as the version text.
constexpr size_t UPDATE_VERSION_TEXT_MAX = 255;

// Finds the marker in data (any bytes, `length` of them) and copies the run of '.' and
// digits that follows it, after skipping up to its first '.' or digit, into text (size
// bytes, always terminated). Answers the run's length, 0 when there is none.
size_t FindUpdateVersionText(const char* data, size_t length, char* text, size_t size);

// Reads "a.b.c.d" (four digit runs, single dots, each at most 65535) at the start of
// text into the packed version, a and b in the high 32 bits; what follows the fourth run
// is ignored. False for anything else.
bool ParseUpdateVersion(const char* text, uint64_t* version);
