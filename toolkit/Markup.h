// The angle-bracket mark-up shared by dialog templates, menu texts and the XML language
// table: element scanning, attributes, text unescaping and numbers. Neutral header; pure
// functions over the caller's text, callable on any thread.
#pragma once

#include <cstdint>
#include <string>

// A part of the caller's text; it does not own the characters.
struct MarkupSpan {
  const char16_t* text = nullptr;
  int length = 0;
};

// Finds the next element at or after *pos (comments "<!--" ... "-->" skipped) and returns
// its text between '<' and '>'; *pos moves past it. False at the end of the text. An
// element without its '>' runs to the end.
bool NextMarkupElement(const char16_t* text, int length, int* pos, MarkupSpan* element);

// The first word of an element; a closing element's name keeps its leading '/'.
MarkupSpan MarkupElementName(const MarkupSpan& element);
bool IsMarkupSelfClosing(const MarkupSpan& element);

// Reads the next attribute after the element name; *pos starts at 0 for an element.
// An attribute without '=' has an empty value. False when no attribute is left.
bool NextMarkupAttribute(const MarkupSpan& element, int* pos, MarkupSpan* name, MarkupSpan* value);

// Compares with an ASCII word without regard to ASCII case.
bool MarkupEquals(const MarkupSpan& span, const char16_t* word);
bool AsciiEqualNoCase(const char16_t* a, int aLength, const char16_t* b, int bLength);

// Text values: blank runs become one space (none at the end), backslash escapes
// (\r \n \t \s, any other character itself) and &#NN; / &#xNN; character codes.
std::u16string UnescapeMarkupText(const MarkupSpan& value);

// Numbers: "#1F" and "0x1F" are hexadecimal, anything else decimal; text that does not
// parse gives 0.
int32_t ParseMarkupNumber(const MarkupSpan& value);

// Lists: calls handler(word) for each blank-separated word until it returns false.
template <typename Handler>
void ForEachMarkupWord(const MarkupSpan& value, Handler handler) {
  int i = 0;
  while (i < value.length) {
    while (i < value.length && (value.text[i] == u' ' || value.text[i] == u'\t' ||
                                value.text[i] == u'\r' || value.text[i] == u'\n'))
      ++i;
    int start = i;
    while (i < value.length && value.text[i] != u' ' && value.text[i] != u'\t' &&
           value.text[i] != u'\r' && value.text[i] != u'\n')
      ++i;
    if (i > start && !handler(MarkupSpan{value.text + start, i - start})) return;
  }
}
