// Links of an HTML page read on its bytes: the tag scanner, the table of tags and
// attributes that carry links, the page title. Comments, CDATA sections and the content
// of script and style elements yield no links.
#include <cstdlib>
#include <cstring>

#include "app/SettingsRecord.h"
#include "charset/Charset.h"
#include "engine/EngineText.h"
#include "engine/LinkFinder.h"
#include "engine/TextCopy.h"
#include "engine/UrlParts.h"
#include "toolkit/AnsiCodePage.h"
#include "toolkit/Format.h"

namespace {

struct LinkAttribute {
  const char* tag;
  const char* attribute;
};

const LinkAttribute kLinkAttributes[] = {
    {"APPLET", "SRC"},      {"BGSOUND", "SRC"},     {"EMBED", "SRC"},        {"FRAME", "SRC"},
    {"IFRAME", "SRC"},      {"IMG", "SRC"},         {"SCRIPT", "SRC"},       {"A", "HREF"},
    {"APPLET", "CODEBASE"}, {"IMG", "USEMAP"},      {"HR", "SRC"},           {"UL", "SRC"},
    {"AREA", "HREF"},       {"BASE", "HREF"},       {"FORM", "ACTION"},      {"IMG", "DYNSRC"},
    {"LINK", "HREF"},       {"IMG", "LOWSRC"},      {"META", "CONTENT"},     {"OBJECT", "CODEBASE"},
    {"OBJECT", "DATA"},     {"BODY", "BACKGROUND"}, {"TABLE", "BACKGROUND"}, {"TD", "BACKGROUND"},
    {"TH", "BACKGROUND"},   {"OPTION", "VALUE"},
};

constexpr int kUrlUnits = 2048;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool StartsWith(const char* text, long length, const char* prefix) {
  const long prefixLength = static_cast<long>(strlen(prefix));
  return length >= prefixLength && strncasecmp(text, prefix, prefixLength) == 0;
}

// Skips blanks, one '=', blanks and an opening quote, which it returns (0 when none).
char SkipToValue(const char*& p, const char* end) {
  while (p < end && IsBlank(*p)) ++p;
  if (p < end && *p == '=') ++p;
  while (p < end && IsBlank(*p)) ++p;
  if (p < end && (*p == '"' || *p == '\'')) return *p++;
  return 0;
}

// The value after the first `name` of the tag text begins with one of the words.
bool AttributeValueStarts(const char* tag, const char* name, const char* const* words) {
  const char* end = tag + strlen(tag);
  const char* at = strcasestr(tag, name);
  if (!at) return false;
  const char* p = at + strlen(name);
  SkipToValue(p, end);
  for (; *words; ++words) {
    if (StartsWith(p, end - p, *words)) return true;
  }
  return false;
}

// A bounded, terminated copy of `length` bytes.
void CopyBytes(char* out, size_t size, const char* text, long length) {
  const size_t n = length > 0 ? static_cast<size_t>(length) : 0;
  const size_t copied = n < size - 1 ? n : size - 1;
  memcpy(out, text, copied);
  out[copied] = 0;
}

}  // namespace

// CR, LF, CR LF and LF CR each count as one line break.
void CountLineColumnA(const char* text, long index, long length, int* line, int* column) {
  const char c = text[index];
  const char next = index + 1 < length ? text[index + 1] : 0;
  const char previous = index > 0 ? text[index - 1] : 0;
  const bool lineBreak =
      (c == '\r' && next != '\n') || (c == '\n' && (previous == '\r' || next != '\r'));
  if (lineBreak) {
    ++*line;
    *column = 0;
  } else {
    ++*column;
  }
}

void CLinkFinder::StartParseHtmlData(const WCHAR* pageUrl, WCHAR* charsetOut, int charsetSize,
                                     WCHAR* titleOut, int titleSize, const char* data,
                                     unsigned long length) {
  charsetOut[0] = 0;
  if (settings) CopySettingsText(charsetOut, charsetSize, settings->CharSet);
  if (!charsetOut[0]) {
    uint32_t count = 0;
    CHARDETSTRUCT* found =
        RecognizeCharset(data, static_cast<uint32_t>(length),
                         CHARDET_STRIP_MARKUP | CHARDET_UNICODE | CHARDET_OTHERS, &count);
    if (found && count && found[0].confidence > 10) {
      charsetOut[AnsiToWide(found[0].charset, -1, charsetOut, charsetSize - 1)] = 0;
    }
    RecognizeFree(&found);
  }
  if (!charsetOut[0] && settings) CopySettingsText(charsetOut, charsetSize, settings->DefCharSet);
  ParseHtmlDataA(pageUrl, charsetOut, titleOut, titleSize, data, static_cast<long>(length));
}

void CLinkFinder::ParseHtmlDataA(const WCHAR* pageUrl, const WCHAR* charset, WCHAR* titleOut,
                                 int titleSize, const char* text, long length) {
  titleOut[0] = 0;
  int line = 0;
  int column = 0;
  long p = 0;
  for (;;) {
    while (p < length && text[p] != '<') CountLineColumnA(text, p++, length, &line, &column);
    if (p >= length) return;
    const long remaining = length - p;
    const char* closer = nullptr;
    long opener = 0;
    if (remaining > 4 && !memcmp(text + p, "<!--", 4)) {
      closer = "-->";
      opener = 4;
    } else if (remaining > 9 && !memcmp(text + p, "<![CDATA[", 9)) {
      closer = "]]>";
      opener = 9;
    }
    if (closer) {
      column += opener;
      p += opener;
      while (p + 3 <= length && memcmp(text + p, closer, 3)) {
        CountLineColumnA(text, p++, length, &line, &column);
      }
      if (p + 3 > length) return;
      column += 3;
      p += 3;
      continue;
    }
    const char* gt = static_cast<const char*>(memchr(text + p, '>', remaining));
    const long tagLength = (gt ? gt - text : length) - p - 1;
    char* tag = static_cast<char*>(malloc(static_cast<size_t>(tagLength) + 1));
    long skip = 0;
    const int tagLine = line;
    const int tagColumn = column;
    if (tag) {
      memcpy(tag, text + p + 1, static_cast<size_t>(tagLength));
      tag[tagLength] = 0;
      skip = ParseHtmlTagA(pageUrl, tag, &line, &column, charset, titleOut, titleSize, text + p,
                           remaining);
      free(tag);
    }
    if (skip > 0) {
      p += skip;
      continue;
    }
    line = tagLine;
    column = tagColumn;
    const long gtIndex = p + 1 + tagLength;
    for (; p < gtIndex; ++p) CountLineColumnA(text, p, length, &line, &column);
  }
}

long CLinkFinder::ParseHtmlTagA(const WCHAR* pageUrl, const char* tag, int* line, int* column,
                                const WCHAR* charset, WCHAR* titleOut, int titleSize,
                                const char* fromTag, long remaining) {
  const char* end = tag + strlen(tag);
  const char* name = tag;
  while (name < end && IsBlank(*name)) ++name;
  const char* nameEnd = name;
  while (nameEnd < end && !IsBlank(*nameEnd)) ++nameEnd;
  char tagName[64];
  CopyBytes(tagName, sizeof tagName, name, nameEnd - name);
  const int tagLine = *line;
  const int tagColumn = *column;

  long skip = 0;
  const char* closing = nullptr;
  if (StartsWith(name, end - name, "style")) {
    closing = "/style";
  } else if (StartsWith(name, end - name, "script")) {
    closing = "/script";
  } else if (StartsWith(name, end - name, "title")) {
    closing = "/title";
  }
  if (closing) {
    long q = 0;
    while (q < remaining && fromTag[q] != '>')
      CountLineColumnA(fromTag, q++, remaining, line, column);
    if (q < remaining) CountLineColumnA(fromTag, q++, remaining, line, column);
    const long contentStart = q;
    long contentEnd = remaining;
    while (q < remaining) {
      while (q < remaining && fromTag[q] != '<')
        CountLineColumnA(fromTag, q++, remaining, line, column);
      if (q >= remaining) break;
      const char* closer = nullptr;
      if (remaining - q > 4 && !memcmp(fromTag + q, "<!--", 4)) closer = "-->";
      if (remaining - q > 9 && !memcmp(fromTag + q, "<![CDATA[", 9)) closer = "]]>";
      if (closer) {
        while (q + 3 <= remaining && memcmp(fromTag + q, closer, 3)) {
          CountLineColumnA(fromTag, q++, remaining, line, column);
        }
        continue;
      }
      long r = q + 1;
      while (r < remaining && IsBlank(fromTag[r])) ++r;
      if (StartsWith(fromTag + r, remaining - r, closing)) {
        contentEnd = q;
        break;
      }
      while (q < remaining && fromTag[q] != '>')
        CountLineColumnA(fromTag, q++, remaining, line, column);
    }
    if (closing[1] == 't') {
      SetTitle(fromTag + contentStart, contentEnd - contentStart, charset, titleOut, titleSize);
      *line = tagLine;
      *column = tagColumn;
    } else {
      skip = contentEnd;
    }
  }

  // Attributes, each with the position of the tag's "<"; a value is a link of at most
  // 2047 bytes.
  char value[kUrlUnits];
  const char* p = nameEnd;
  bool any = false;
  while (p < end) {
    while (p < end && IsBlank(*p)) ++p;
    if (p >= end) break;
    const char* attr = p;
    while (p < end && !IsBlank(*p) && *p != '=') ++p;
    char attribute[64];
    CopyBytes(attribute, sizeof attribute, attr, p - attr);
    while (p < end && IsBlank(*p)) ++p;
    value[0] = 0;
    long valueOffset = 0;
    if (p < end && *p == '=') {
      ++p;
      while (p < end && IsBlank(*p)) ++p;
      const char* start = p;
      char quote = 0;
      while (p < end && (quote || !IsBlank(*p))) {
        if (!quote && (*p == '"' || *p == '\'')) {
          quote = *p;
        } else if (quote && *p == quote) {
          ++p;
          break;
        }
        ++p;
      }
      const char* valueEnd = p;
      if (start < valueEnd && (*start == '"' || *start == '\'')) {
        const char q = *start++;
        if (valueEnd > start && valueEnd[-1] == q) --valueEnd;
      }
      CopyBytes(value, kUrlUnits, start, valueEnd - start);
      valueOffset = start - tag;
    }
    if (!attribute[0]) continue;
    any = true;
    ProcessHtmlTagA(pageUrl, tagName, attribute, value, tag, valueOffset, tagLine + 1,
                    tagColumn + 1);
  }
  if (!any) ProcessHtmlTagA(pageUrl, tagName, "", "", tag, 0, tagLine + 1, tagColumn + 1);
  return skip;
}

void CLinkFinder::ProcessHtmlTagA(const WCHAR* pageUrl, const char* tagName, const char* attribute,
                                  const char* value, const char* tag, long /*valueOffset*/,
                                  int line, int column) {
  bool matched = false;
  for (const LinkAttribute& row : kLinkAttributes) {
    if (!strcasecmp(row.tag, tagName) && !strcasecmp(row.attribute, attribute)) matched = true;
  }
  if (!matched) return;
  if (!strcasecmp(tagName, "FORM") && siteSettings.IgnoreFormTag) return;
  if (!strcasecmp(tagName, "META")) return;  // only a refresh carries a link
  if (!strcasecmp(tagName, "LINK")) {
    static const char* const kRel[] = {"stylesheet", "shortcut icon", nullptr};
    if (!AttributeValueStarts(tag, "rel", kRel)) return;
  }
  if (!strcasecmp(tagName, "OPTION") &&
      !StartsWith(value, static_cast<long>(strlen(value)), "http://") &&
      !StartsWith(value, static_cast<long>(strlen(value)), "https://")) {
    return;
  }

  tagTreeListItemFull* item = static_cast<tagTreeListItemFull*>(calloc(1, sizeof *item));
  WCHAR* url = static_cast<WCHAR*>(calloc(kUrlUnits, sizeof(WCHAR)));
  if (item && url) {
    const size_t bytes = strlen(value);
    const int cut = bytes < kUrlUnits - 1 ? static_cast<int>(bytes) : kUrlUnits - 1;
    url[AnsiToWide(value, cut, url, kUrlUnits - 1)] = 0;
    RemoveSpacesFromString(url);
    if (!FillItemWithURL(url, pageUrl, item, nullptr)) item->statusval = STATUSVAL_BROKEN;
    FormatStringW(item->rel_title, sizeof item->rel_title / sizeof item->rel_title[0],
                  u"%s \b\"%S\" %s \"%S\"\b", EngineText("Location", "InTag"), tagName,
                  EngineText("Location", "Argument"), attribute);
    CopyField(item->rel_url, pageUrl);
    item->line = line;
    item->col = column;
    const int allowed = CheckLinkAllowed(item);
    if (allowed != 2) {
      if (allowed == 1) item->flags = 0;
      if (AddLink(item)) ++found;
    }
  }
  free(url);
  free(item);
}

// The title is kept to 255 characters, whatever their width in the page's bytes.
void CLinkFinder::SetTitle(const char* text, long length, const WCHAR* charset, WCHAR* titleOut,
                           int titleSize) {
  constexpr long kTitleBytes = 255 * 4;
  if (length > kTitleBytes) length = kTitleBytes;
  if (length < 0) length = 0;
  char name[51];
  int n = 0;
  for (const WCHAR* c = charset; *c && n < 50; ++c) name[n++] = static_cast<char>(*c);
  name[n] = 0;
  WCHAR converted[kTitleBytes + 1];
  uint32_t size = kTitleBytes + 1;
  if (!name[0] ||
      ConvertToUnicode(name, text, static_cast<uint32_t>(length), converted, &size) != CHARSET_OK) {
    converted[AnsiToWide(text, static_cast<int>(length), converted, kTitleBytes)] = 0;
  }
  for (WCHAR* c = converted; *c; ++c) {
    if (*c == u'\r' || *c == u'\n' || *c == u'\t') *c = u' ';
  }
  URLUnentitle(converted);
  CopyText(titleOut, titleSize, converted);
}
