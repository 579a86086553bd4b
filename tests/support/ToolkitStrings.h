// The language strings of toolkit tests: the toolkit's `strtbl` with English date names in
// slot 72 and marked message-box captions in slot 73 from the start. Neutral header.
#pragma once

extern const char16_t* const g_testDateNames[38];
extern const char16_t* const g_testCaptions[8];
