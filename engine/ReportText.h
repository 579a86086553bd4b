// Pure text pieces of the result lists and the link reports: mark-up removal, HTML
// escaping and word breaks, CSV and tab-separated fields, the broken-link description,
// protocol names, access times, the time-zone suffix and the bar lengths of the progress graphic.
// Neutral header; every function may be called on any thread and returns its own value.
#pragma once

#include <cstdint>
#include <string>

// The text without the description mark-up characters U+0008 and U+000C.
std::u16string StripMarkup(const char16_t* text);
// The same, in place.
void RemoveMarkup(char16_t* text);

// Replaces " & < > by their entities.
std::u16string HTMLEscape(const char16_t* text);

// Inserts "<wbr>" into escaped text so that a run without blanks breaks after its 50th
// character and then after every further 49; an entity counts as one character and is
// never split.
std::u16string InsertWordBreaks(const std::u16string& escaped);

// Only these schemes become links in a report: http, https, ftp, rtsp, file.
bool IsLinkableUrl(const char16_t* url);

// A comma-separated field: enclosed in quotes, inner quotes doubled, when it holds a
// comma, a quote, CR or LF; else as it stands.
std::u16string CsvField(const char16_t* text);

// A tab-separated field: TAB, CR and LF become blanks.
std::u16string TabField(const char16_t* text);

// " +hhmm" or " -hhmm" for a zone bias in minutes (local time = UTC - bias).
std::u16string FormatZoneBias(int32_t bias);

// Language texts of the broken-link description.
struct BrokenTexts {
  const char16_t* onPage;     // "On page"
  const char16_t* atLine;     // "at line"
  const char16_t* atColumn;   // "column"
  const char16_t* linkToSm;   // "the link to"
  const char16_t* linkToCap;  // "The link to"
  const char16_t* theError;   // "gives the error"
};

// The description texts of the loaded language (English before one is loaded).
BrokenTexts BrokenTextsOfLanguage();

// The broken list's description of one broken link, its emphasised parts bracketed by
// U+0008 (addresses) and U+000C (the error); the page lines only when relUrl is not empty.
std::u16string BrokenDescription(const BrokenTexts& texts, const char16_t* url,
                                 const char16_t* relUrl, int32_t line, int32_t col,
                                 const char16_t* relTitle, const char16_t* statusstr);

// "http", "https", "ftp", "file", "rtsp"; nullptr for any other protocol code.
const char16_t* ProtocolName(int32_t protocol);

// "%d.%03u" of a response time in milliseconds, followed by `unit` after a blank.
std::u16string FormatAccessTime(int32_t restime, const char16_t* unit);

// Length of a bar for `part` of `total` on a scale of `length` pixels: the whole length
// when part equals total (also when both are 0), else length / total * part + 1, kept
// within 0..length.
int32_t BarLength(int32_t length, uint32_t total, uint32_t part);

// Time left of a run: found * elapsed / processed - elapsed, 0 when nothing is processed
// yet or when more was processed than found.
uint64_t TimeLeft(uint32_t found, uint32_t processed, uint64_t elapsed);
