// Text of the HTML link report: escaping, word breaks in long runs, which addresses become
// links. Neutral header; any thread.
#pragma once

#include <string>

// Replaces " & < > by their entities.
std::u16string HTMLEscape(const char16_t* text);

// Inserts "<wbr>" into escaped text so that a run without blanks breaks after its 50th
// character and then after every further 49; an entity counts as one character and is
// never split.
std::u16string InsertWordBreaks(const std::u16string& escaped);

// Only these schemes become links in a report: http, https, ftp, rtsp, file.
bool IsLinkableUrl(const char16_t* url);
