#include "tests/support/ToolkitStrings.h"

#include "toolkit/LanguageStrings.h"

const char16_t* const g_testDateNames[38] = {
    u"Sun",    u"Mon",     u"Tue",       u"Wed",      u"Thu",      u"Fri",      u"Sat", u"Sunday",
    u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday",   u"Saturday", u"Jan", u"Feb",
    u"Mar",    u"Apr",     u"May",       u"Jun",      u"Jul",      u"Aug",      u"Sep", u"Oct",
    u"Nov",    u"Dec",     u"January",   u"February", u"March",    u"April",    u"May", u"June",
    u"July",   u"August",  u"September", u"October",  u"November", u"December"};

extern "C" {
const char16_t* strtbl[STRTBL_CAPTIONS + 1];
}

namespace {
const bool kFilled =
    (strtbl[STRTBL_DATE_NAMES] = reinterpret_cast<const char16_t*>(g_testDateNames), true);
}
