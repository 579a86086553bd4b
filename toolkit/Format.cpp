// The program's bounded UTF-16 printf.
#include "toolkit/Format.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

#include "toolkit/AnsiCodePage.h"

namespace {

constexpr int kMaxField = 4096;
constexpr char16_t kNull[] = u"(null)";

// Collects output: into a buffer until size-1 characters are written, or only counting.
struct Sink {
  char16_t* buffer;
  int size;
  int length = 0;
  bool full = false;

  bool Counting() const { return buffer == nullptr; }
  void Put(char16_t c) {
    if (full) return;
    if (!Counting() && length >= size - 1) {
      full = true;
      return;
    }
    if (!Counting()) buffer[length] = c;
    ++length;
  }
  void Put(const char16_t* text, int units) {
    for (int i = 0; i < units && !full; ++i) Put(text[i]);
  }
  void Pad(int count) {
    for (int i = 0; i < count && !full; ++i) Put(u' ');
  }
  int Finish() {
    if (!Counting()) buffer[length] = 0;
    return length;
  }
};

void Escape(Sink& out, const char16_t* text, int units) {
  for (int i = 0; i < units && !out.full; ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'\r':
        out.Put(u"\\r", 2);
        break;
      case u'\n':
        out.Put(u"\\n", 2);
        break;
      case u'\t':
        out.Put(u"\\t", 2);
        break;
      case u'"':
        out.Put(u"&#34;", 5);
        break;
      case u'&':
        out.Put(u"&#38;", 5);
        break;
      case u'<':
        out.Put(u"&#60;", 5);
        break;
      case u'>':
        out.Put(u"&#62;", 5);
        break;
      default:
        out.Put(c);
    }
  }
}

int EscapedLength(const char16_t* text, int units) {
  Sink counter{nullptr, 0};
  Escape(counter, text, units);
  return counter.length;
}

struct Directive {
  bool left = false, plus = false, space = false, alternate = false, zero = false;
  int width = 0;
  int precision = -1;  // -1: none given
  enum { kNone, kLong, kLongDouble, kShort, kInt64 } size = kNone;
};

int ClampField(long long value) {
  return static_cast<int>(std::min<long long>(std::max<long long>(value, 0), kMaxField));
}

// Digits of a width or precision; a huge number clamps rather than overflowing.
int ReadNumber(const char16_t*& p) {
  long long value = 0;
  while (*p >= u'0' && *p <= u'9') {
    value = std::min<long long>(value * 10 + (*p - u'0'), INT_MAX);
    ++p;
  }
  return ClampField(value);
}

void PutPadded(Sink& out, const Directive& d, const char16_t* text, int units, bool escape) {
  const int shown = escape ? EscapedLength(text, units) : units;
  if (!d.left) out.Pad(d.width - shown);
  if (escape) {
    Escape(out, text, units);
  } else {
    out.Put(text, units);
  }
  if (d.left) out.Pad(d.width - shown);
}

void PutString(Sink& out, const Directive& d, const char16_t* text, bool escape) {
  if (!text) text = kNull;
  int units = 0;
  const int limit = d.precision >= 0 ? d.precision : INT_MAX;
  while (units < limit && text[units]) ++units;
  PutPadded(out, d, text, units, escape);
}

std::u16string FromAnsi(const char* text) {
  const int units = AnsiToWide(text, -1, nullptr, 0);
  std::u16string wide(static_cast<size_t>(std::max(units, 0)), u'\0');
  if (units > 0) AnsiToWide(text, -1, &wide[0], units);
  return wide;
}

// Rebuilds the directive for the C runtime's snprintf; `length` is the printf length
// modifier that matches the value actually passed.
std::string NarrowDirective(const Directive& d, const char* length, char conversion) {
  std::string spec = "%";
  if (d.left) spec += '-';
  if (d.plus) spec += '+';
  if (d.space) spec += ' ';
  if (d.alternate) spec += '#';
  if (d.zero) spec += '0';
  if (d.width) spec += std::to_string(d.width);
  if (d.precision >= 0) spec += "." + std::to_string(d.precision);
  spec += length;
  spec += conversion;
  return spec;
}

template <typename T>
void PutNumber(Sink& out, int scratch, const std::string& spec, T value) {
  std::string text(static_cast<size_t>(scratch), '\0');
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int written = snprintf(&text[0], text.size(), spec.c_str(), value);
#pragma GCC diagnostic pop
  if (written < 0) return;
  const int kept = std::min(written, scratch - 1);
  for (int i = 0; i < kept && !out.full; ++i) out.Put(static_cast<unsigned char>(text[i]));
}

void PutPointer(Sink& out, const Directive& d, const void* pointer) {
  // The Windows runtime prints a pointer as all its hex digits, upper case.
  char16_t digits[2 * sizeof(void*)];
  auto value = reinterpret_cast<uintptr_t>(pointer);
  for (int i = static_cast<int>(sizeof digits / sizeof digits[0]) - 1; i >= 0; --i) {
    digits[i] = u"0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  }
  PutPadded(out, d, digits, sizeof digits / sizeof digits[0], false);
}

void FormatInto(Sink& out, const char16_t* format, va_list* args, bool xml) {
  const char16_t* p = format;
  while (*p && !out.full) {
    if (*p != u'%') {
      out.Put(*p++);
      continue;
    }
    ++p;
    Directive d;
    for (;; ++p) {
      if (*p == u'-')
        d.left = true;
      else if (*p == u'+')
        d.plus = true;
      else if (*p == u' ')
        d.space = true;
      else if (*p == u'#')
        d.alternate = true;
      else if (*p == u'0')
        d.zero = true;
      else
        break;
    }
    if (*p == u'*') {
      ++p;
      const long long width = va_arg(*args, int);
      if (width < 0) d.left = true;
      d.width = ClampField(width < 0 ? -width : width);
    } else {
      d.width = ReadNumber(p);
    }
    if (*p == u'.') {
      ++p;
      if (*p == u'*') {
        ++p;
        d.precision = ClampField(va_arg(*args, int));
      } else {
        d.precision = ReadNumber(p);
      }
    }
    if (*p == u'l') {
      d.size = Directive::kLong, ++p;
    } else if (*p == u'L') {
      d.size = Directive::kLongDouble, ++p;
    } else if (*p == u'h') {
      d.size = Directive::kShort, ++p;
    } else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
      d.size = Directive::kInt64, p += 3;
    }
    const char16_t conversion = *p;
    if (!conversion) break;
    ++p;
    const int scratch = xml ? 64 : std::max(64, d.width + 32);
    const bool wide64 = d.size == Directive::kInt64;
    switch (conversion) {
      case u's': {
        const bool raw = xml && *p == u'u';
        if (raw) ++p;
        PutString(out, d, va_arg(*args, const char16_t*), xml && !raw);
        break;
      }
      case u'S': {
        const bool raw = xml && *p == u'U';
        if (raw) ++p;
        const char* text = va_arg(*args, const char*);
        if (text) {
          PutString(out, d, FromAnsi(text).c_str(), xml && !raw);
        } else {
          PutString(out, d, nullptr, xml && !raw);
        }
        break;
      }
      case u'c':
      case u'C': {
        const int value = va_arg(*args, int);
        char16_t c = static_cast<char16_t>(value);
        if (conversion == u'C') {
          const char byte = static_cast<char>(value);
          if (AnsiToWide(&byte, 1, &c, 1) != 1) c = u'?';
        }
        PutPadded(out, d, &c, 1, false);
        break;
      }
      case u'd':
      case u'i':
        if (wide64) {
          PutNumber(out, scratch, NarrowDirective(d, "ll", 'd'), va_arg(*args, long long));
        } else {
          int value = va_arg(*args, int);
          if (d.size == Directive::kShort) value = static_cast<short>(value);
          PutNumber(out, scratch, NarrowDirective(d, "", 'd'), value);
        }
        break;
      case u'u':
      case u'o':
      case u'x':
      case u'X': {
        const char letter = static_cast<char>(conversion);
        if (wide64) {
          PutNumber(out, scratch, NarrowDirective(d, "ll", letter),
                    va_arg(*args, unsigned long long));
        } else {
          unsigned value = va_arg(*args, unsigned);
          if (d.size == Directive::kShort) value = static_cast<unsigned short>(value);
          PutNumber(out, scratch, NarrowDirective(d, "", letter), value);
        }
        break;
      }
      case u'e':
      case u'E':
      case u'f':
      case u'g':
      case u'G':
        PutNumber(out, scratch, NarrowDirective(d, "", static_cast<char>(conversion)),
                  va_arg(*args, double));
        break;
      case u'p':
        PutPointer(out, d, va_arg(*args, const void*));
        break;
      case u'%':
        out.Put(u'%');
        break;
      default:
        out.Put(conversion);
    }
  }
}

}  // namespace

int FormatStringWV(char16_t* buffer, int size, const char16_t* format, va_list args) {
  if ((buffer && size < 1) || !format) return 0;
  Sink out{buffer, size};
  va_list copy;
  va_copy(copy, args);
  FormatInto(out, format, &copy, false);
  va_end(copy);
  return out.Finish();
}

int FormatStringW(char16_t* buffer, int size, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = FormatStringWV(buffer, size, format, args);
  va_end(args);
  return length;
}

int XmlPrintf(char16_t* buffer, int size, const char16_t* format, ...) {
  if (!buffer || size < 1 || !format) return 0;
  Sink out{buffer, size};
  va_list args;
  va_start(args, format);
  FormatInto(out, format, &args, true);
  va_end(args);
  return out.Finish();
}

int XmlEscape(char16_t* buffer, int size, const char16_t* text, int units) {
  if (buffer && size < 1) return 0;
  Sink out{buffer, size};
  if (text) Escape(out, text, units);
  return out.Finish();
}
