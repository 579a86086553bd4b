// What the network clients take from the program around them. Neutral header.
// NetLoadedText and NetTickMs are the Windows side's (NetService.win.cpp); native test
// programs link stand-ins. Status lines are widened with toolkit's AnsiToWide.
#pragma once

#include <cstdint>

// Once at start-up, before any thread downloads.
void NetGlobalInit();

// The loaded language's text of `strtbl` slot `slot` ('%' stored doubled), or null.
const char16_t* NetLoadedText(int slot);

// The text of `strtbl` slot `slot` into out (at most size-1 units, terminated): the loaded
// language's, else the built-in English one. Any thread.
void NetText(int slot, char16_t* out, int size);

template <int N>
void NetText(int slot, char16_t (&out)[N]) {
  NetText(slot, out, N);
}

// A millisecond tick; only differences of two readings mean anything.
uint32_t NetTickMs();
