// What the HTML and CSS scanners share: blanks, ASCII compares, comment and CDATA openers
// and the reader of a tag's attributes. Private to the scanners; neutral.
#pragma once

#include "engine/AsciiText.h"
#include "engine/HtmlScan.h"

template <typename Unit>
constexpr bool IsBlankUnit(Unit c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

template <typename Unit>
constexpr bool IsQuoteUnit(Unit c) {
  return c == '"' || c == '\'';
}

// text (length units) begins with the ASCII word, in any case.
template <typename Unit>
bool StartsWithWord(const Unit* text, long length, const char* word) {
  for (long i = 0; word[i]; ++i) {
    if (i >= length || AsciiLower(text[i]) != AsciiLower(static_cast<Unit>(word[i]))) return false;
  }
  return true;
}

template <typename Unit>
bool StartsWithExact(const Unit* text, long length, const char* word) {
  for (long i = 0; word[i]; ++i) {
    if (i >= length || text[i] != static_cast<Unit>(word[i])) return false;
  }
  return true;
}

// The whole span is the ASCII word, in any case.
template <typename Unit>
bool SpanIs(HtmlSpan<Unit> span, const char* word) {
  long n = 0;
  while (word[n]) ++n;
  return span.length == n && StartsWithWord(span.text, n, word);
}

// Where the ASCII word first occurs in text, in any case; -1 when it does not.
template <typename Unit>
long FindWord(const Unit* text, long length, const char* word) {
  for (long i = 0; i < length; ++i) {
    if (StartsWithWord(text + i, length - i, word)) return i;
  }
  return -1;
}

// Where the exact ASCII word first occurs in text[from, end); -1 when it does not.
template <typename Unit>
long FindExact(const Unit* text, long from, long end, const char* word) {
  for (long i = from; i < end; ++i) {
    if (StartsWithExact(text + i, end - i, word)) return i;
  }
  return -1;
}

// A comment or CDATA section opening at text[0], with `remaining` units from there: the
// opener's length and its closer; 0 when none opens here.
template <typename Unit>
long CommentOpener(const Unit* text, long remaining, const char** closer) {
  if (remaining > 4 && StartsWithExact(text, remaining, "<!--")) {
    *closer = "-->";
    return 4;
  }
  if (remaining > 9 && StartsWithExact(text, remaining, "<![CDATA[")) {
    *closer = "]]>";
    return 9;
  }
  return 0;
}

// The index after the comment or CDATA section that opens at text[i] (length when it does
// not close); -1 when none opens there.
template <typename Unit>
long PastComment(const Unit* text, long i, long length) {
  const char* closer = nullptr;
  const long opener = CommentOpener(text + i, length - i, &closer);
  if (!opener) return -1;
  const long close = FindExact(text, i + opener, length, closer);
  return close < 0 ? length : close + 3;
}

// Where the tag's name ends in its text (between "<" and ">"); *start is where it begins.
template <typename Unit>
long TagNameEnd(const Unit* tag, long length, long* start) {
  long n = 0;
  while (n < length && IsBlankUnit(tag[n])) ++n;
  *start = n;
  while (n < length && !IsBlankUnit(tag[n])) ++n;
  return n;
}

template <typename Unit>
struct HtmlAttribute {
  HtmlSpan<Unit> name;
  HtmlSpan<Unit> value;  // without its quotes
  long valueOffset = 0;  // of the value in the tag text; 0 without a value
  bool hasValue = false;
};

// Reads a tag's attributes one by one. A name runs to a blank, "=" or the end; a value
// only follows "=" (blanks around it allowed) and runs to the next blank, except that a
// quote met on the way runs to its match and ends the value after it.
template <typename Unit>
class AttributeReader {
 public:
  AttributeReader(const Unit* tag, long length, long from) : tag_(tag), end_(length), p_(from) {}

  bool Next(HtmlAttribute<Unit>* out) {
    SkipBlanks();
    if (p_ >= end_) return false;
    const long nameStart = p_;
    while (p_ < end_ && !IsBlankUnit(tag_[p_]) && tag_[p_] != '=') ++p_;
    *out = HtmlAttribute<Unit>();
    out->name = {tag_ + nameStart, p_ - nameStart};
    SkipBlanks();
    if (p_ >= end_ || tag_[p_] != '=') return true;
    ++p_;
    SkipBlanks();
    long start = p_;
    Unit quote = 0;
    while (p_ < end_) {
      const Unit c = tag_[p_];
      if (quote) {
        ++p_;
        if (c == quote) break;
        continue;
      }
      if (IsBlankUnit(c)) break;
      if (IsQuoteUnit(c)) quote = c;
      ++p_;
    }
    long valueEnd = p_;
    if (start < valueEnd && IsQuoteUnit(tag_[start])) {
      const Unit first = tag_[start++];
      if (valueEnd > start && tag_[valueEnd - 1] == first) --valueEnd;
    }
    out->value = {tag_ + start, valueEnd - start};
    out->valueOffset = start;
    out->hasValue = true;
    return true;
  }

 private:
  void SkipBlanks() {
    while (p_ < end_ && IsBlankUnit(tag_[p_])) ++p_;
  }

  const Unit* tag_;
  long end_;
  long p_;
};

// The first attribute of that name (any case) in the tag text; false when there is none.
template <typename Unit>
bool FindAttribute(const Unit* tag, long length, const char* name, HtmlAttribute<Unit>* out) {
  long start = 0;
  AttributeReader<Unit> reader(tag, length, TagNameEnd(tag, length, &start));
  while (reader.Next(out)) {
    if (SpanIs(out->name, name)) return true;
  }
  return false;
}
