// The character set a page names in its META tags.
#include <string>

#include "charset/Charset.h"
#include "engine/HtmlScan.h"
#include "engine/HtmlScanText.h"

namespace {

// The charset name at text: it ends at ";", a quote, a blank, a NUL or the end. A name no
// converter opens counts as none, so that detection decides instead of the ANSI code page.
int TakeCharsetName(const char* text, long length, char* out, int size) {
  long n = 0;
  while (n < length && text[n] && text[n] != ';' && !IsQuoteUnit(text[n]) &&
         !IsBlankUnit(text[n])) {
    ++n;
  }
  if (n == 0 || size < 1) return 0;
  if (!ConvertAvailable(std::string(text, static_cast<size_t>(n)).c_str())) return 0;
  if (n > size - 1) n = size - 1;
  for (long i = 0; i < n; ++i) out[i] = text[i];
  out[n] = 0;
  return 1;
}

}  // namespace

int MetaTagCharset(const char* tag, long length, char* out, int size) {
  HtmlAttribute<char> attribute;
  if (FindAttribute(tag, length, "charset", &attribute)) {
    return TakeCharsetName(attribute.value.text, attribute.value.length, out, size);
  }
  if (!FindAttribute(tag, length, "http-equiv", &attribute) ||
      !StartsWithWord(attribute.value.text, attribute.value.length, "content-type") ||
      !FindAttribute(tag, length, "content", &attribute)) {
    return 0;
  }
  const char* content = attribute.value.text;
  const long end = attribute.value.length;
  long p = FindWord(content, end, "charset");
  if (p < 0) return 0;
  p += 7;
  while (p < end && IsBlankUnit(content[p])) ++p;
  if (p < end && content[p] == '=') ++p;
  while (p < end && IsBlankUnit(content[p])) ++p;
  return TakeCharsetName(content + p, end - p, out, size);
}

int PageMetaCharset(const char* data, long length, char* out, int size) {
  if (!data) return 0;
  long p = 0;
  while (p < length) {
    if (data[p] != '<') {
      ++p;
      continue;
    }
    const long name = p + 1;
    long nameEnd = name;
    while (nameEnd < length && !IsBlankUnit(data[nameEnd]) && data[nameEnd] != '>') ++nameEnd;
    const HtmlSpan<char> tagName = {data + name, nameEnd - name};
    const char* closer = nullptr;
    if (SpanIs(tagName, "!--")) closer = "-->";
    if (SpanIs(tagName, "![CDATA[")) closer = "]]>";
    if (closer) {
      const long close = FindExact(data, nameEnd, length, closer);
      if (close < 0) return 0;
      p = close + 3;
      continue;
    }
    long gt = name;
    while (gt < length && data[gt] != '>') ++gt;
    if (SpanIs(tagName, "META") && MetaTagCharset(data + name, gt - name, out, size)) return 1;
    p = gt + 1;
  }
  return 0;
}
