// Date and time text from a picture with %longdate, %shortdate and %time and the language's names.
#include "toolkit/DateTime.h"

#include <cstddef>
#include <new>

#include "toolkit/Format.h"

namespace {

constexpr int kShortWeekday = 0;
constexpr int kLongWeekday = 7;
constexpr int kShortMonth = 14;
constexpr int kLongMonth = 26;

bool IsSeparator(char16_t c) {
  return c == u' ' || c == u',' || c == u'-' || c == u'.' || c == u'/' || c == u':' || c == u';' ||
         c == u'\\';
}

// The scratch area of one keyword. Names and pictures come from language files and the
// registry, so any write is cut at the area's end rather than trusted to fit.
class Piece {
 public:
  explicit Piece(char16_t* out) : out_(out) { out_[0] = 0; }

  void Put(char16_t c) {
    if (length_ < DATE_PIECE_CHARS - 1) out_[length_++] = c;
  }
  void PutText(const char16_t* text) {
    for (; text && *text; ++text) Put(*text);
  }
  // Designators come from the registry and may hold '%': doubled, they stay text for the
  // formatter (the language table's names are stored doubled already).
  void PutLiteral(const char16_t* text, int units) {
    for (int i = 0; i < units && text[i]; ++i) {
      Put(text[i]);
      if (text[i] == u'%') Put(u'%');
    }
  }
  void PutNumber(int value, bool twoDigits) {
    char16_t digits[16];
    FormatStringW(digits, 16, twoDigits ? u"%02d" : u"%d", value);
    PutText(digits);
  }

  // Every '%' in the piece is one of a doubled pair, so an odd run at the end was cut in
  // half: its lone '%' would start a directive. Trailing spaces go as well.
  int Finish() {
    int run = 0;
    while (run < length_ && out_[length_ - 1 - run] == u'%') ++run;
    if (run % 2) --length_;
    while (length_ > 0 && out_[length_ - 1] == u' ') --length_;
    out_[length_] = 0;
    return length_;
  }

 private:
  char16_t* out_;
  int length_ = 0;
};

// Calls emit(letter, count) for each token of `picture` that is a run of one letter; other
// tokens (mixed letters, quoted text) produce nothing, separators are copied.
template <typename Emit>
int ExpandPicture(char16_t* out, const char16_t* picture, Emit emit) {
  Piece piece(out);
  const char16_t* p = picture;
  while (p && *p) {
    if (IsSeparator(*p)) {
      piece.Put(*p++);
      continue;
    }
    const char16_t* start = p;
    bool quoted = false;
    bool uniform = true;
    while (*p && !IsSeparator(*p)) {
      if (*p == u'\'') {
        quoted = true;
        ++p;
        while (*p && *p != u'\'') ++p;
        if (*p) ++p;
        continue;
      }
      if (*p != *start) uniform = false;
      ++p;
    }
    if (!quoted && uniform) emit(piece, *start, static_cast<int>(p - start));
  }
  return piece.Finish();
}

const char16_t* Name(const char16_t* const* names, int first, int index, int count) {
  if (!names || index < 0 || index >= count) return nullptr;
  return names[first + index];
}

// Finds a keyword after a '%' by prefix; returns its length and the piece it stands for.
int MatchKeyword(const char16_t* text, const char16_t* const pieces[3],
                 const char16_t** expansion) {
  static const char16_t* const kKeywords[3] = {u"longdate", u"shortdate", u"time"};
  for (int k = 0; k < 3; ++k) {
    int n = 0;
    while (kKeywords[k][n] && text[n] == kKeywords[k][n]) ++n;
    if (!kKeywords[k][n]) {
      *expansion = pieces[k];
      return n;
    }
  }
  return 0;
}

// Writes the expansion of `text` into `out` when given; returns its length either way.
size_t ExpandKeywords(char16_t* out, const char16_t* text, const char16_t* const pieces[3]) {
  size_t length = 0;
  for (const char16_t* p = text; *p;) {
    const char16_t* expansion = nullptr;
    int keyword = *p == u'%' ? MatchKeyword(p + 1, pieces, &expansion) : 0;
    if (keyword) {
      for (const char16_t* e = expansion; *e; ++e, ++length)
        if (out) out[length] = *e;
      p += 1 + keyword;
    } else {
      if (out) out[length] = *p;
      ++length;
      ++p;
    }
  }
  if (out) out[length] = 0;
  return length;
}

}  // namespace

int ExpandDatePicture(char16_t* piece, const char16_t* picture, const tagDATEFIELDS& fields,
                      const char16_t* const* names) {
  return ExpandPicture(piece, picture, [&](Piece& out, char16_t letter, int count) {
    if (letter == u'd' && count <= 2) out.PutNumber(fields.day, count == 2);
    if (letter == u'd' && count == 3) out.PutText(Name(names, kShortWeekday, fields.dayOfWeek, 7));
    if (letter == u'd' && count == 4) out.PutText(Name(names, kLongWeekday, fields.dayOfWeek, 7));
    if (letter == u'M' && count <= 2) out.PutNumber(fields.month, count == 2);
    if (letter == u'M' && count == 3) out.PutText(Name(names, kShortMonth, fields.month - 1, 12));
    if (letter == u'M' && count == 4) out.PutText(Name(names, kLongMonth, fields.month - 1, 12));
    if (letter == u'y' && count <= 2) out.PutNumber(fields.year % 100, count == 2);
    if (letter == u'y' && count == 4) out.PutNumber(fields.year, false);
  });
}

int ExpandTimePicture(char16_t* piece, const char16_t* picture, const tagDATEFIELDS& fields,
                      const char16_t* am, const char16_t* pm) {
  const char16_t* designator = fields.hour > 11 ? pm : am;
  int hour12 = fields.hour % 12 ? fields.hour % 12 : 12;
  return ExpandPicture(piece, picture, [&](Piece& out, char16_t letter, int count) {
    if (count > 2) return;
    if (letter == u'h') out.PutNumber(hour12, count == 2);
    if (letter == u'H') out.PutNumber(fields.hour, count == 2);
    if (letter == u'm') out.PutNumber(fields.minute, count == 2);
    if (letter == u's') out.PutNumber(fields.second, count == 2);
    if (letter == u't') out.PutLiteral(designator, count == 1 ? 1 : DATE_PIECE_CHARS);
  });
}

int FormatDateTimeV(char16_t* buffer, int size, const char16_t* text,
                    const tagDATEPICTURES& pictures, const tagDATEFIELDS* fields, va_list args) {
  if (!fields || !text) return FormatStringW(buffer, size, u"");
  char16_t longDate[DATE_PIECE_CHARS];
  char16_t shortDate[DATE_PIECE_CHARS];
  char16_t time[DATE_PIECE_CHARS];
  ExpandDatePicture(longDate, pictures.longDate, *fields, pictures.names);
  ExpandDatePicture(shortDate, pictures.shortDate, *fields, pictures.names);
  ExpandTimePicture(time, pictures.time, *fields, pictures.am, pictures.pm);
  const char16_t* const pieces[3] = {longDate, shortDate, time};
  char16_t* expanded = new (std::nothrow) char16_t[ExpandKeywords(nullptr, text, pieces) + 1];
  if (!expanded) return FormatStringW(buffer, size, u"");
  ExpandKeywords(expanded, text, pieces);
  int written = FormatStringWV(buffer, size, expanded, args);
  delete[] expanded;
  return written;
}
