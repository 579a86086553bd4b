// Parses the font spec of dialog templates: face, size, charset and style words.
#include "toolkit/FontSpec.h"

#include "toolkit/Markup.h"

namespace {

struct CharsetWord {
  const char16_t* word;
  uint8_t charset;
};

const CharsetWord kCharsets[] = {
    {u"ANSI", 0},      {u"DEFAULT", 1},   {u"SYMBOL", 2},        {u"SHIFTJIS", 128},
    {u"GB2312", 134},  {u"HANGEUL", 129}, {u"CHINESEBIG5", 136}, {u"OEM", 255},
    {u"JOHAB", 130},   {u"HEBREW", 177},  {u"ARABIC", 178},      {u"GREEK", 161},
    {u"TURKISH", 162}, {u"THAI", 222},    {u"EASTEUROPE", 238},  {u"RUSSIAN", 204},
    {u"MAC", 77},      {u"BALTIC", 186},
};

bool StartsWithWord(const MarkupSpan& span, const char16_t* word) {
  int length = 0;
  while (word[length]) ++length;
  return span.length >= length && AsciiEqualNoCase(span.text, length, word, length);
}

// The next comma-separated field, leading blanks skipped.
MarkupSpan NextField(const char16_t* text, int length, int* pos) {
  int i = *pos;
  while (i < length &&
         (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n'))
    ++i;
  int start = i;
  while (i < length && text[i] != u',') ++i;
  *pos = i < length ? i + 1 : length;
  return MarkupSpan{text + start, i - start};
}

int32_t ParseHeight(const MarkupSpan& field) {
  int64_t value = 0;
  int i = 0;
  bool negative = i < field.length && field.text[i] == u'-';
  if (negative || (i < field.length && field.text[i] == u'+')) ++i;
  for (; i < field.length && field.text[i] >= u'0' && field.text[i] <= u'9'; ++i)
    if (value < 1000000) value = value * 10 + (field.text[i] - u'0');
  if (value > 1000000) value = 1000000;
  if (value == 0) return -10;
  return static_cast<int32_t>(-value);
}

}  // namespace

FontSpec ParseFontSpec(const char16_t* text, int length) {
  FontSpec spec;
  if (!text || length <= 0) return spec;
  int pos = 0;
  MarkupSpan face = NextField(text, length, &pos);
  int faceLength = face.length < 31 ? face.length : 31;
  for (int i = 0; i < faceLength; ++i) spec.face[i] = face.text[i];
  if (pos >= length) return spec;
  spec.height = ParseHeight(NextField(text, length, &pos));
  MarkupSpan charset = NextField(text, length, &pos);
  for (const CharsetWord& c : kCharsets)
    if (StartsWithWord(charset, c.word)) {
      spec.charset = c.charset;
      break;
    }
  MarkupSpan style = NextField(text, length, &pos);
  ForEachMarkupWord(style, [&spec](const MarkupSpan& word) {
    if (MarkupEquals(word, u"BOLD"))
      spec.weight = 700;
    else if (MarkupEquals(word, u"ITALIC"))
      spec.italic = true;
    else if (MarkupEquals(word, u"UNDERLINE"))
      spec.underline = true;
    return true;
  });
  return spec;
}
