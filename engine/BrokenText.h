// The description of a broken link in the broken list and the reports. Neutral header;
// any thread.
#pragma once

#include <cstdint>
#include <string>

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
