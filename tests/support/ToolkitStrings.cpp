#include "tests/support/ToolkitStrings.h"

#include "toolkit/LanguageText.h"

const char16_t* const g_testDateNames[38] = {
    u"Sun",    u"Mon",     u"Tue",       u"Wed",      u"Thu",      u"Fri",      u"Sat", u"Sunday",
    u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday",   u"Saturday", u"Jan", u"Feb",
    u"Mar",    u"Apr",     u"May",       u"Jun",      u"Jul",      u"Aug",      u"Sep", u"Oct",
    u"Nov",    u"Dec",     u"January",   u"February", u"March",    u"April",    u"May", u"June",
    u"July",   u"August",  u"September", u"October",  u"November", u"December"};

// Marked, so that tests tell them from the program's; Retry shows a '%' stored doubled.
const char16_t* const g_testCaptions[8] = {u"OK~",     u"Cancel~", u"Abort~", u"Retry 100%%",
                                           u"Ignore~", u"Yes~",    u"No~",    u"&Copy~"};

namespace {
const bool kFilled =
    (strtbl[STR_DATENAMES] = reinterpret_cast<const char16_t*>(g_testDateNames),
     strtbl[STR_CAPTIONS] = reinterpret_cast<const char16_t*>(g_testCaptions), true);
}
