// What the network clients take from the program around them. Neutral header.
// NetTickMs is the Windows side's (NetService.win.cpp); native test programs link a
// stand-in. Status lines are widened with toolkit's AnsiToWide; texts come from the
// language lookup (toolkit/LanguageText.h).
#pragma once

#include <cstdint>

// Once at start-up, before any thread downloads.
void NetGlobalInit();

// A millisecond tick; only differences of two readings mean anything.
uint32_t NetTickMs();
