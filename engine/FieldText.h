// Fields of the comma- and tab-separated link reports. Neutral header; any thread.
#pragma once

#include <string>

// A comma-separated field: enclosed in quotes, inner quotes doubled, when it holds a
// comma, a quote, CR or LF; else as it stands.
std::u16string CsvField(const char16_t* text);

// A tab-separated field: TAB, CR and LF become blanks.
std::u16string TabField(const char16_t* text);
