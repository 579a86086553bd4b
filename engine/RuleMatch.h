// Matching under the site's case rule: compares, wildcard lists, robots.txt rules and the
// display-server substitution. Neutral header; no state, callable on any thread.
// `ignoreCase` is the site's CheckIgnoreCase.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// 0 when equal (ICU compare; ignoring case with default folding when ignoreCase is set).
int strcmpcase(const char16_t* a, const char16_t* b, int ignoreCase);
// The first n units of each (fewer when a text is shorter); -1 when out of memory.
int strncmpcase(const char16_t* a, const char16_t* b, int n, int ignoreCase);
// Equal units; with ignoreCase, ASCII A-Z count as a-z (no other folding).
bool wcharcmpcase(char16_t a, char16_t b, int ignoreCase);
// 1 when text matches the first `length` units of pattern ("*" any run, "?" one unit).
// The pattern need not be terminated.
int wildcmpi(const char16_t* pattern, int length, const char16_t* text, int ignoreCase);

// First occurrence of part in text ignoring case (ASCII upper-casing; for UTF-16, simple
// upper-casing of each unit); NULL when none.
const char* stristr(const char* text, const char* part);
const char16_t* wcsistr(const char16_t* text, const char16_t* part);
// Whether part occurs in text, both lower-cased.
bool IsTextInLowerCase(const char16_t* text, const char16_t* part);

// The number (from 1, empty entries counted) of the first entry of `list` (entries split by
// ";" or line breaks) that matches value, or 0. Wildcard mode matches only the value before
// its first "?" or "#"; www mode drops a leading "www." from entries and value; bookmark
// mode drops a leading "#" from both, and an empty value then matches nothing.
int CheckRestriction(const char16_t* list, const char16_t* value, int wildcardMode, int wwwMode,
                     int bookmarkMode, int ignoreCase);

// Large crawlers read this much of a robots.txt; what follows, and a line it cuts, is
// ignored.
constexpr size_t kRobotsTxtMaxUnits = 500 * 1024;

// The Disallow values of a robots.txt text that apply to one crawler, in the order given.
struct RobotsRules {
  std::u16string agent;  // the user agent they were read for
  std::vector<std::u16string> disallow;
};
// Reads the rules of the robots.txt text (`length` units) for a crawler that sends
// `userAgent`. May throw std::bad_alloc.
RobotsRules ReadRobotsTxt(const char16_t* robots, size_t length, const char16_t* userAgent);
// 1 when one of the rules forbids `resource`. Out of memory gives 0.
int IsRobotsTxtDisallowed(const RobotsRules& rules, const char16_t* resource, int ignoreCase);

// Copies url into result (resultSize units, cut to fit), with user information, host and
// port replaced by toServer when the host equals fromServer.
void SubstituteServerName(const char16_t* url, char16_t* result, int resultSize,
                          const char16_t* fromServer, const char16_t* toServer, int ignoreCase);
