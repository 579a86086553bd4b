// Date and time text: `%longdate`, `%shortdate` and `%time` in a picture text become the
// date and time in the user's regional pictures, with the language table's names; the
// result is then formatted like printf. Neutral header; any thread.
#pragma once

#include <cstdarg>

struct _SYSTEMTIME;

// One expanded keyword holds at most DATE_PIECE_CHARS - 1 characters.
constexpr int DATE_PIECE_CHARS = 256;
constexpr int DATE_NAMES = 38;

// Month 1-12, dayOfWeek 0 = Sunday, hour 0-23; other values are tolerated.
struct tagDATEFIELDS {
  int year, month, dayOfWeek, day, hour, minute, second;
};

// Regional pictures and designators (none null) and the 38 date names (null: no names).
struct tagDATEPICTURES {
  const char16_t* longDate;
  const char16_t* shortDate;
  const char16_t* time;
  const char16_t* am;
  const char16_t* pm;
  const char16_t* const* names;
};

// Expands `picture` into `piece` (DATE_PIECE_CHARS characters); returns its length.
int ExpandDatePicture(char16_t* piece, const char16_t* picture, const tagDATEFIELDS& fields,
                      const char16_t* const* names);
int ExpandTimePicture(char16_t* piece, const char16_t* picture, const tagDATEFIELDS& fields,
                      const char16_t* am, const char16_t* pm);

// Expands the keywords of `text` and formats the result with `args` into `buffer` (as
// FormatStringWV). A null `fields` formats "".
int FormatDateTimeV(char16_t* buffer, int size, const char16_t* text,
                    const tagDATEPICTURES& pictures, const tagDATEFIELDS* fields, va_list args);

// Windows side: reads the pictures from HKEY_CURRENT_USER "Control Panel\International"
// (each value anew on every call, with a default when it cannot be read) and the names
// of the language table (toolkit/LanguageText.h).
int FormatDateTime(char16_t* buffer, int size, const char16_t* picture, const _SYSTEMTIME* time,
                   ...);
// Test seam: the key below HKEY_CURRENT_USER that holds the pictures; null restores the
// real one. Call while no FormatDateTime runs.
void SetRegionalKeyPath(const char16_t* keyPath);
