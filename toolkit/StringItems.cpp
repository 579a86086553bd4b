// Fills and frees language strings from INI or XML language-table text.
#include "toolkit/StringItems.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "toolkit/Markup.h"

const char16_t g_emptyString[1] = {0};

namespace {

constexpr int kMaxSectionName = 255;

bool IsWordBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Cuts the next substitution word off *words: blanks skipped, up to two '%', then up to
// the next blank or '%'.
bool NextWord(const char16_t** words, std::u16string* word) {
  const char16_t* p = *words;
  if (!p) return false;
  while (*p && IsWordBlank(*p)) ++p;
  const char16_t* start = p;
  for (int i = 0; i < 2 && *p == u'%'; ++i) ++p;
  while (*p && !IsWordBlank(*p) && *p != u'%') ++p;
  *words = p;
  if (p == start) return false;
  word->assign(start, p);
  return true;
}

int Length(const char16_t* text) {
  int n = 0;
  while (text[n]) ++n;
  return n;
}

struct ItemMatcher {
  tagSTRINGITEM* items;
  int count;
  bool fallback;
  bool* filled;
  std::vector<int> sectionLengths;
  std::vector<int> keyLengths;

  ItemMatcher(tagSTRINGITEM* i, int c, bool f, bool* fl)
      : items(i), count(c), fallback(f), filled(fl) {
    for (int k = 0; k < count; ++k) {
      sectionLengths.push_back(Length(items[k].section));
      keyLengths.push_back(Length(items[k].key));
    }
  }

  int Find(const MarkupSpan& section, const MarkupSpan& key) const {
    for (int k = 0; k < count; ++k) {
      if (fallback && *items[k].destination != g_emptyString) continue;
      if (AsciiEqualNoCase(items[k].section, sectionLengths[k], section.text, section.length) &&
          AsciiEqualNoCase(items[k].key, keyLengths[k], key.text, key.length))
        return k;
    }
    return -1;
  }

  // Decodes the raw value into the item; out of memory leaves the item as it was.
  void Fill(const MarkupSpan& section, const MarkupSpan& key, const char16_t* value, int units) {
    int k = Find(section, key);
    if (k < 0) return;
    std::u16string text;
    char16_t* block = nullptr;
    try {
      text = DecodeStringValue(value, units, items[k].words);
    } catch (const std::bad_alloc&) {
      return;
    }
    block = static_cast<char16_t*>(std::malloc((text.size() + 1) * sizeof(char16_t)));
    if (!block) return;
    std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    const char16_t*& destination = *items[k].destination;
    if (filled[k]) {
      std::free(const_cast<char16_t*>(destination));
    } else {
      filled[k] = true;
    }
    destination = block;
  }
};

void ParseIni(ItemMatcher& matcher, const char16_t* text, int units) {
  int i = 0;
  while (i < units && text[i] != u'[') ++i;
  MarkupSpan section;
  while (i < units) {
    int start = i;
    while (i < units && text[i] != u'\r' && text[i] != u'\n') ++i;
    int end = i;
    while (i < units && (text[i] == u'\r' || text[i] == u'\n')) ++i;
    if (end == start) continue;
    if (text[start] == u'[') {
      int j = start + 1;
      while (j < end && text[j] != u']' && j - (start + 1) < kMaxSectionName) ++j;
      section = MarkupSpan{text + start + 1, j - (start + 1)};
      continue;
    }
    int equals = start;
    while (equals < end && text[equals] != u'=') ++equals;
    if (equals == end) continue;
    matcher.Fill(section, MarkupSpan{text + start, equals - start}, text + equals + 1,
                 end - equals - 1);
  }
}

void ParseXml(ItemMatcher& matcher, const char16_t* text, int units) {
  int pos = 0;
  int nesting = 0;
  std::u16string sectionName;
  bool haveSection = false;
  MarkupSpan element;
  while (NextMarkupElement(text, units, &pos, &element)) {
    MarkupSpan name = MarkupElementName(element);
    if (MarkupEquals(name, u"stringtable")) {
      ++nesting;
    } else if (MarkupEquals(name, u"/stringtable")) {
      --nesting;
    } else if (MarkupEquals(name, u"/section")) {
      haveSection = false;
    } else if (MarkupEquals(name, u"section") || MarkupEquals(name, u"entry")) {
      bool isSection = MarkupEquals(name, u"section");
      MarkupSpan entryName, entryValue, attrName, attrValue;
      bool haveName = false, haveValue = false;
      int apos = 0;
      while (NextMarkupAttribute(element, &apos, &attrName, &attrValue)) {
        if (!haveName && MarkupEquals(attrName, u"name")) {
          entryName = attrValue;
          haveName = true;
        } else if (!haveValue && MarkupEquals(attrName, u"value")) {
          entryValue = attrValue;
          haveValue = true;
        }
      }
      if (isSection) {
        haveSection = haveName;
        if (haveName) sectionName.assign(entryName.text, entryName.text + entryName.length);
      } else if (haveName && haveValue && nesting > 0 && haveSection) {
        std::u16string value = UnescapeMarkupText(entryValue);
        matcher.Fill(MarkupSpan{sectionName.c_str(), static_cast<int>(sectionName.size())},
                     entryName, value.c_str(), static_cast<int>(value.size()));
      }
    }
  }
}

}  // namespace

std::u16string DecodeStringValue(const char16_t* value, int units, const char16_t* words) {
  std::u16string out;
  std::u16string word;
  int i = 0;
  while (i < units) {
    char16_t c = value[i];
    if (c == u'\\' && i + 1 < units) {
      char16_t e = value[i + 1];
      switch (e) {
        case u'r':
          out += u'\r';
          break;
        case u'n':
          out += u'\n';
          break;
        case u't':
          out += u'\t';
          break;
        case u's':
          out += u' ';
          break;
        case u'\\':
          out += u'\\';
          break;
        default:
          // The backslash is dropped; the character after it is read as usual.
          ++i;
          continue;
      }
      i += 2;
      continue;
    }
    if (c == u'%') {
      if (i + 1 < units && value[i + 1] == u'%') {
        if (NextWord(&words, &word)) out += word;
        i += 2;
      } else {
        // A translator's '%' prints as a percent sign and never becomes a directive.
        out += u"%%";
        ++i;
      }
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

int FillStringItems(tagSTRINGITEM* items, int count, const char16_t* text, int units, int format,
                    bool fallback, bool* filled) {
  if (!items || count <= 0 || !text || units <= 0) return 0;
  int before = 0;
  for (int k = 0; k < count; ++k) before += filled[k] ? 1 : 0;
  try {
    ItemMatcher matcher(items, count, fallback, filled);
    if (format == STRINGFORMAT_XML)
      ParseXml(matcher, text, units);
    else
      ParseIni(matcher, text, units);
  } catch (const std::bad_alloc&) {
    // What was filled before memory ran out stays filled.
  }
  int after = 0;
  for (int k = 0; k < count; ++k) after += filled[k] ? 1 : 0;
  return after - before;
}

int FreeStringItems(tagSTRINGITEM* items, int count) {
  int freed = 0;
  for (int k = 0; k < count; ++k) {
    const char16_t*& destination = *items[k].destination;
    if (destination && destination != g_emptyString) {
      std::free(const_cast<char16_t*>(destination));
      ++freed;
    }
    destination = g_emptyString;
  }
  return freed;
}
