// One line of an FTP directory listing in EPLF, UNIX, Windows NT or MultiNet style.
#include "net/FtpList.h"

#include <time.h>

#include <cstring>

namespace {

constexpr int64_t kDay = 86400;
// A time of day without a year belongs to the year that puts it less than this far back.
constexpr int64_t kYearGuessWindow = 350 * kDay;

struct Cursor {
  const char* p;
  const char* end;

  bool AtEnd() const { return p >= end; }
  bool Is(char c) const { return p < end && *p == c; }
  bool Digit() const { return p < end && *p >= '0' && *p <= '9'; }
  void SkipBlanks() {
    while (p < end && *p == ' ') ++p;
  }
  // Decimal digits, saturating; false when there is none.
  bool Number(int64_t& value) {
    if (!Digit()) return false;
    value = 0;
    for (; Digit(); ++p) value = value < 1000000000000LL ? value * 10 + (*p - '0') : value;
    return true;
  }
};

int32_t Clamp32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

int64_t Digits(const char* p, const char* end) {
  Cursor c{p, end};
  int64_t value = 0;
  c.Number(value);
  return value;
}

// 0 to 11 for jan..dec in any case, else -1.
int Month(const char* p, const char* end) {
  static const char kMonths[] = "janfebmaraprmayjunjulaugsepoctnovdec";
  if (end - p < 3) return -1;
  char lower[3];
  for (int i = 0; i < 3; ++i) lower[i] = static_cast<char>(p[i] | 0x20);
  for (int m = 0; m < 12; ++m) {
    if (!std::memcmp(kMonths + 3 * m, lower, 3)) return m;
  }
  return -1;
}

// Seconds since 1970 of a proleptic Gregorian date (month 0 to 11), computed in 64 bits.
int64_t DateSeconds(int64_t year, int month, int64_t day) {
  // Far beyond the int32 range either way, and far from overflowing 64 bits.
  year = year < -10000000 ? -10000000 : year > 10000000 ? 10000000 : year;
  day = day > 10000000 ? 10000000 : day;
  year += month / 12;
  month %= 12;
  if (month < 2) --year;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t shifted = (month + 10) % 12;  // March = 0
  const int64_t dayOfYear = (153 * shifted + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return (era * 146097 + dayOfEra - 719468) * kDay;
}

int64_t YearOf(int64_t now) {
  const time_t t = static_cast<time_t>(now);
  tm parts = {};
  gmtime_r(&t, &parts);
  return parts.tm_year + 1900LL;
}

void SetTime(tagFTPLISTENTRY* e, int kind, int64_t seconds) {
  e->timeKind = kind;
  e->time = Clamp32(seconds);
}

// Day and month with a time of day: the year is guessed from now.
int64_t GuessYear(int month, int64_t day, int64_t now, int64_t thisYear) {
  for (int64_t year = thisYear - 1; year < thisYear + 99; ++year) {
    if (now - DateSeconds(year, month, day) < kYearGuessWindow) return year;
  }
  return thisYear + 99;
}

int ParseEplf(tagFTPLISTENTRY* e, const char* line, const char* end) {
  for (const char* p = line + 1; p < end;) {
    const char* fact = p;
    while (p < end && *p != ',' && *p != '\t') ++p;
    if (p == end) return 0;
    if (fact < p) {
      switch (*fact) {
        case '/':
          e->mayBeDirectory = 1;
          break;
        case 'r':
          e->mayBeFile = 1;
          break;
        case 's':
          e->sizeKnown = 1;
          e->size = Clamp32(Digits(fact + 1, p));
          break;
        case 'm':
          SetTime(e, 1, Digits(fact + 1, p));
          break;
        case 'i':
          e->idKind = 1;
          e->id = fact + 1;
          e->idLength = static_cast<int32_t>(p - fact - 1);
          break;
      }
    }
    if (*p == '\t') {
      e->name = p + 1;
      e->nameLength = static_cast<int32_t>(end - p - 1);
      return 1;
    }
    ++p;
  }
  return 0;
}

int ParseUnix(tagFTPLISTENTRY* e, const char* line, const char* end, int64_t now,
              int64_t thisYear) {
  e->mayBeDirectory = *line == 'd' || *line == 'l';
  e->mayBeFile = *line == '-' || *line == 'l';
  int state = 1;
  int64_t size = 0;
  int month = 0;
  int64_t day = 0;
  const char* p = line;
  while (p < end) {
    while (p < end && *p == ' ') ++p;
    const char* field = p;
    while (p < end && *p != ' ') ++p;
    const int64_t length = p - field;
    if (length == 0) return 0;
    switch (state) {
      case 1:
        state = 2;
        break;
      case 2:
        state = length == 6 && *field == 'f' ? 4 : 3;
        break;
      case 3:
        state = 4;
        break;
      case 4:
        size = Digits(field, p);
        state = 5;
        break;
      case 5:
        month = Month(field, p);
        if (length == 3 && month >= 0) {
          state = 6;
        } else {
          size = Digits(field, p);
        }
        break;
      case 6:
        day = Digits(field, p);
        state = 7;
        break;
      case 7: {
        if (p >= end) return 0;  // no blank, no name
        if ((length == 4 && field[1] == ':') || (length == 5 && field[2] == ':')) {
          const char* colon = field[1] == ':' ? field + 1 : field + 2;
          const int64_t hours = Digits(field, colon);
          const int64_t minutes = Digits(colon + 1, p);
          const int64_t year = GuessYear(month, day, now, thisYear);
          SetTime(e, 2, DateSeconds(year, month, day) + hours * 3600 + minutes * 60);
        } else if (length >= 4) {
          SetTime(e, 3, DateSeconds(Digits(field, p), month, day));
        } else {
          return 0;
        }
        const char* name = p + 1;
        int64_t nameLength = end - name;
        if (*line == 'l') {
          for (const char* arrow = name; arrow + 4 <= end; ++arrow) {
            if (!std::memcmp(arrow, " -> ", 4)) {
              nameLength = arrow - name;
              break;
            }
          }
        }
        if ((line[1] == ' ' || line[1] == '[') && nameLength > 3 && !std::memcmp(name, "   ", 3)) {
          name += 3;
          nameLength -= 3;
        }
        e->name = name;
        e->nameLength = static_cast<int32_t>(nameLength);
        e->sizeKnown = 1;
        e->size = Clamp32(size);
        return 1;
      }
    }
  }
  return 0;
}

int ParseVms(tagFTPLISTENTRY* e, const char* line, const char* end, const char* semicolon) {
  int64_t nameLength = semicolon - line;
  if (nameLength > 4 && !std::memcmp(semicolon - 4, ".DIR", 4)) {
    nameLength -= 4;
    e->mayBeDirectory = 1;
  } else {
    e->mayBeFile = 1;
  }
  Cursor c{semicolon + 1, end};
  while (!c.AtEnd() && *c.p != ' ') ++c.p;
  c.SkipBlanks();
  while (!c.AtEnd() && *c.p != ' ') ++c.p;
  c.SkipBlanks();
  int64_t day = 0, year = 0, hours = 0, minutes = 0;
  if (!c.Number(day) || !c.Is('-')) return 0;
  ++c.p;
  const int month = Month(c.p, end);
  if (month < 0) return 0;
  c.p += 3;
  if (!c.Is('-')) return 0;
  ++c.p;
  if (!c.Number(year) || !c.Is(' ')) return 0;
  c.SkipBlanks();
  if (!c.Number(hours) || !c.Is(':')) return 0;
  ++c.p;
  if (!c.Number(minutes) || !(c.Is(':') || c.Is(' '))) return 0;
  SetTime(e, 2, DateSeconds(year, month, day) + hours * 3600 + minutes * 60);
  e->name = line;
  e->nameLength = static_cast<int32_t>(nameLength);
  return 1;
}

int ParseDos(tagFTPLISTENTRY* e, const char* line, const char* end) {
  Cursor c{line, end};
  int64_t month = 0, day = 0, year = 0, hours = 0, minutes = 0;
  if (!c.Number(month) || !c.Is('-')) return 0;
  ++c.p;
  if (!c.Number(day) || !c.Is('-')) return 0;
  ++c.p;
  if (!c.Number(year) || !c.Is(' ')) return 0;
  if (year < 50) year += 2000;
  if (year < 1000) year += 1900;
  c.SkipBlanks();
  if (!c.Number(hours) || !c.Is(':')) return 0;
  ++c.p;
  if (!c.Number(minutes)) return 0;
  // Some servers write 24-hour times without AM or PM.
  if (end - c.p >= 2 && (c.p[1] == 'M' || c.p[1] == 'm')) {
    const bool pm = c.p[0] == 'P' || c.p[0] == 'p';
    if (!pm && c.p[0] != 'A' && c.p[0] != 'a') return 0;
    if (hours == 12) hours = 0;
    if (pm) hours += 12;
    c.p += 2;
  }
  if (!c.Is(' ')) return 0;
  c.SkipBlanks();
  if (c.Is('<')) {
    e->mayBeDirectory = 1;
    while (!c.AtEnd() && *c.p != ' ') ++c.p;
  } else {
    int64_t size = 0;
    if (!c.Number(size)) return 0;
    e->mayBeFile = 1;
    e->sizeKnown = 1;
    e->size = Clamp32(size);
  }
  if (!c.Is(' ')) return 0;
  c.SkipBlanks();
  const int64_t monthIndex = month >= 1 && month <= 12 ? month - 1 : 0;
  SetTime(e, 2, DateSeconds(year, static_cast<int>(monthIndex), day) + hours * 3600 + minutes * 60);
  e->name = c.p;
  e->nameLength = static_cast<int32_t>(end - c.p);
  return 1;
}

int Parse(tagFTPLISTENTRY* entry, const char* line, int length, int64_t now, int64_t thisYear) {
  std::memset(entry, 0, sizeof(*entry));
  if (!line || length < 2) return 0;
  const char* end = line + length;
  switch (*line) {
    case '+':
      return ParseEplf(entry, line, end);
    case '-':
    case 'b':
    case 'c':
    case 'd':
    case 'l':
    case 'p':
    case 's':
      return ParseUnix(entry, line, end, now, thisYear);
  }
  if (const char* semicolon = static_cast<const char*>(std::memchr(line, ';', length))) {
    return ParseVms(entry, line, end, semicolon);
  }
  if (*line >= '0' && *line <= '9') return ParseDos(entry, line, end);
  return 0;
}

struct Clock {
  int64_t now;
  int64_t year;
};

}  // namespace

int ParseFTPListLineAt(tagFTPLISTENTRY* entry, const char* line, int length, int64_t now) {
  return Parse(entry, line, length, now, YearOf(now));
}

int ParseFTPListLine(tagFTPLISTENTRY* entry, const char* line, int length) {
  // Read once for the process (a thread-safe static): only entry times depend on it.
  static const Clock clock = [] {
    const int64_t now = static_cast<int64_t>(::time(nullptr));
    return Clock{now, YearOf(now)};
  }();
  return Parse(entry, line, length, clock.now, clock.year);
}
