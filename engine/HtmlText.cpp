// HTML escaping, word breaks and linkable schemes of the HTML link report.
#include "engine/HtmlText.h"

#include "engine/AsciiText.h"
#include "engine/TextPieces.h"

namespace {

bool IsBlank(char16_t c) { return c == u'\r' || c == u'\n' || c == u' ' || c == u'\t'; }

}  // namespace

std::u16string HTMLEscape(const char16_t* text) {
  std::u16string out;
  for (const char16_t* p = NonNullText(text); *p; ++p) {
    switch (*p) {
      case u'"':
        out += u"&quot;";
        break;
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      default:
        out += *p;
    }
  }
  return out;
}

std::u16string InsertWordBreaks(const std::u16string& escaped) {
  std::u16string out;
  int n = 0;
  for (size_t i = 0; i < escaped.size();) {
    // An entity is one character on screen: it moves the counter once and stays whole.
    size_t length = 1;
    if (escaped[i] == u'&') {
      size_t end = escaped.find(u';', i);
      if (end != std::u16string::npos && end - i <= 8) length = end - i + 1;
    }
    if (IsBlank(escaped[i])) n = 0;
    if (n == 50) {
      out += u"<wbr>";
      n = 1;  // the inserted '>' counts, as in the first run
    }
    ++n;
    out.append(escaped, i, length);
    i += length;
  }
  return out;
}

bool IsLinkableUrl(const char16_t* url) {
  static const char* const kSchemes[] = {"http://", "https://", "ftp://", "rtsp://", "file://"};
  for (const char* scheme : kSchemes) {
    const char16_t* p = NonNullText(url);
    const char* s = scheme;
    while (*s && AsciiLower(*p) == static_cast<char16_t>(*s)) ++p, ++s;
    if (!*s) return true;
  }
  return false;
}
