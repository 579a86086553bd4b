// The C library's locale of the process. Neutral header; start-up, before any thread.
#pragma once

// Takes the locale from the environment and, when its character set is not UTF-8 (a plain
// C or POSIX environment), switches the character type to C.UTF-8, so that libraries that
// convert file names with the locale (Firebird) see UTF-8. Returns 1 when it switched.
int UseUtf8Locale();
// The character set of the current locale, as nl_langinfo(CODESET) gives it.
const char* LocaleCharset();
