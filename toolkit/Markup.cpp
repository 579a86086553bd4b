// Reads the angle-bracket mark-up of dialog templates, menu texts and XML language tables.
#include "toolkit/Markup.h"
#include "engine/AsciiText.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool StartsWith(const char16_t* text, int length, int pos, const char16_t* word) {
  for (int i = 0; word[i]; ++i)
    if (pos + i >= length || text[pos + i] != word[i]) return false;
  return true;
}

void AppendCodePoint(std::u16string& out, uint32_t code) {
  if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
  } else {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  }
}

// Reads "&#NN;" or "&#xNN;" at text[i] (which is '&'); returns the characters used, or 0
// when the text there is no character reference.
int ReadCharacterReference(const char16_t* text, int length, int i, std::u16string& out) {
  int p = i + 2;
  if (p > length || text[i + 1] != u'#') return 0;
  bool hex = p < length && (text[p] == u'x' || text[p] == u'X');
  if (hex) ++p;
  int start = p;
  uint32_t code = 0;
  bool tooLarge = false;
  for (; p < length; ++p) {
    int digit = hex ? HexDigitValue(text[p]) : (IsAsciiDigit(text[p]) ? text[p] - u'0' : -1);
    if (digit < 0) break;
    code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
    if (code > 0x10FFFF) {
      tooLarge = true;
      code = 0x10FFFF;
    }
  }
  if (p == start) return 0;
  if (p < length && text[p] == u';') ++p;
  if (tooLarge)
    AppendCodePoint(out, 0xFFFD);
  else if (code != 0)
    AppendCodePoint(out, code);
  return p - i;
}

}  // namespace

bool NextMarkupElement(const char16_t* text, int length, int* pos, MarkupSpan* element) {
  int i = *pos;
  while (i < length) {
    if (text[i] != u'<') {
      ++i;
      continue;
    }
    if (StartsWith(text, length, i + 1, u"!--")) {
      int j = i + 4;
      while (j < length && !StartsWith(text, length, j, u"-->")) ++j;
      i = j < length ? j + 3 : length;
      continue;
    }
    int start = i + 1;
    int end = start;
    while (end < length && text[end] != u'>') ++end;
    element->text = text + start;
    element->length = end - start;
    *pos = end < length ? end + 1 : length;
    return true;
  }
  *pos = length;
  return false;
}

MarkupSpan MarkupElementName(const MarkupSpan& element) {
  int i = 0;
  while (i < element.length && IsBlank(element.text[i])) ++i;
  int start = i;
  while (i < element.length && !IsBlank(element.text[i])) ++i;
  return MarkupSpan{element.text + start, i - start};
}

bool IsMarkupSelfClosing(const MarkupSpan& element) {
  int end = element.length;
  while (end > 0 && IsBlank(element.text[end - 1])) --end;
  return end > 0 && element.text[end - 1] == u'/';
}

bool NextMarkupAttribute(const MarkupSpan& element, int* pos, MarkupSpan* name, MarkupSpan* value) {
  const char16_t* t = element.text;
  int n = element.length;
  int i = *pos;
  if (i == 0) {
    MarkupSpan elementName = MarkupElementName(element);
    i = static_cast<int>(elementName.text - t) + elementName.length;
  }
  while (i < n && IsBlank(t[i])) ++i;
  if (i >= n) {
    *pos = n;
    return false;
  }
  int start = i;
  while (i < n && !IsBlank(t[i]) && t[i] != u'=') ++i;
  *name = MarkupSpan{t + start, i - start};
  int afterName = i;
  while (i < n && IsBlank(t[i])) ++i;
  if (i >= n || t[i] != u'=') {
    *value = MarkupSpan{t + afterName, 0};
    *pos = afterName;
    return true;
  }
  ++i;
  while (i < n && IsBlank(t[i])) ++i;
  if (i < n && (t[i] == u'"' || t[i] == u'\'')) {
    char16_t quote = t[i++];
    int valueStart = i;
    while (i < n && t[i] != quote) ++i;
    *value = MarkupSpan{t + valueStart, i - valueStart};
    if (i < n) ++i;
  } else {
    int valueStart = i;
    while (i < n && !IsBlank(t[i])) ++i;
    *value = MarkupSpan{t + valueStart, i - valueStart};
  }
  *pos = i;
  return true;
}

bool AsciiEqualNoCase(const char16_t* a, int aLength, const char16_t* b, int bLength) {
  if (aLength != bLength) return false;
  for (int i = 0; i < aLength; ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool MarkupEquals(const MarkupSpan& span, const char16_t* word) {
  int length = 0;
  while (word[length]) ++length;
  return AsciiEqualNoCase(span.text, span.length, word, length);
}

std::u16string UnescapeMarkupText(const MarkupSpan& value) {
  std::u16string out;
  out.reserve(static_cast<size_t>(value.length));
  const char16_t* t = value.text;
  int n = value.length;
  int i = 0;
  while (i < n) {
    char16_t c = t[i];
    if (IsBlank(c)) {
      while (i < n && IsBlank(t[i])) ++i;
      if (i < n) out += u' ';
      continue;
    }
    if (c == u'\\' && i + 1 < n) {
      char16_t e = t[i + 1];
      i += 2;
      switch (e) {
        case u'r':
        case u'R':
        case u'n':
        case u'N':
          out += (e == u'r' || e == u'R') ? u'\r' : u'\n';
          while (i < n && IsBlank(t[i])) ++i;
          break;
        case u't':
        case u'T':
          out += u'\t';
          break;
        case u's':
        case u'S':
          out += u' ';
          break;
        default:
          out += e;
      }
      continue;
    }
    if (c == u'&') {
      int used = ReadCharacterReference(t, n, i, out);
      if (used > 0) {
        i += used;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}

int32_t ParseMarkupNumber(const MarkupSpan& value) {
  const char16_t* t = value.text;
  int n = value.length;
  int i = 0;
  int base = 10;
  if (n > 0 && t[0] == u'#') {
    base = 16;
    i = 1;
  } else if (n > 1 && t[0] == u'0' && t[1] == u'x') {
    base = 16;
    i = 2;
  }
  bool negative = false;
  if (base == 10 && i < n && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
  uint32_t result = 0;
  for (; i < n; ++i) {
    int digit = base == 16 ? HexDigitValue(t[i]) : (IsAsciiDigit(t[i]) ? t[i] - u'0' : -1);
    if (digit < 0) break;
    result = result * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
  }
  if (negative) result = 0u - result;
  return static_cast<int32_t>(result);
}
