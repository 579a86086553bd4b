// Date and time text in the user's regional formats, read from the registry.
#include <windows.h>

#include "toolkit/DateTime.h"
#include "toolkit/LanguageText.h"
#include "toolkit/RegistryText.h"
#include "toolkit/Win32Holders.h"

namespace {

const char16_t* g_keyPath = nullptr;

}  // namespace

void SetRegionalKeyPath(const char16_t* keyPath) { g_keyPath = keyPath; }

int FormatDateTime(char16_t* buffer, int size, const char16_t* picture, const SYSTEMTIME* time,
                   ...) {
  tagDATEFIELDS fields{};
  if (time)
    fields = {time->wYear, time->wMonth,  time->wDayOfWeek, time->wDay,
              time->wHour, time->wMinute, time->wSecond};
  RegKeyHolder key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, g_keyPath ? g_keyPath : u"Control Panel\\International", 0,
                    KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    key.release();
  char16_t longDate[128];
  char16_t shortDate[128];
  char16_t timePicture[128];
  char16_t am[10];
  char16_t pm[10];
  tagDATEPICTURES pictures;
  pictures.longDate =
      ReadRegistryText(key.get(), u"sLongDate", longDate, sizeof longDate, u"d MMMM yyyy");
  pictures.shortDate =
      ReadRegistryText(key.get(), u"sShortDate", shortDate, sizeof shortDate, u"dd.MM.yy");
  pictures.time =
      ReadRegistryText(key.get(), u"sTimeFormat", timePicture, sizeof timePicture, u"H:mm:ss");
  pictures.am = ReadRegistryText(key.get(), u"s1159", am, sizeof am, u"AM");
  pictures.pm = ReadRegistryText(key.get(), u"s2359", pm, sizeof pm, u"PM");
  const char16_t* names[DATE_NAME_COUNT];
  for (int i = 0; i < DATE_NAME_COUNT; ++i) names[i] = LanguageListText(STR_DATENAMES, i);
  pictures.names = names;
  va_list args;
  va_start(args, time);
  int written = FormatDateTimeV(buffer, size, picture, pictures, time ? &fields : nullptr, args);
  va_end(args);
  return written;
}
