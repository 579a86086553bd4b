// The description mark-up of the result lists: U+0008 brackets an address, U+000C an
// error. Neutral header; any thread.
#pragma once

#include <string>

// The text without the description mark-up characters U+0008 and U+000C.
std::u16string StripMarkup(const char16_t* text);
// The same, in place.
void RemoveMarkup(char16_t* text);
