// The process's C library locale: UTF-8 where available. Start-up, before any thread.
#include "app/ProcessLocale.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

const char* LocaleCharset() { return nl_langinfo(CODESET); }

int UseUtf8Locale() {
  setlocale(LC_ALL, "");
  if (strcmp(LocaleCharset(), "UTF-8") == 0) return 0;
  return setlocale(LC_CTYPE, "C.UTF-8") ? 1 : 0;
}
