#include "engine/ReportText.h"

#include <cstdio>

#include "toolkit/LanguageText.h"

namespace {

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (; *text; ++text) out += static_cast<char16_t>(static_cast<unsigned char>(*text));
  return out;
}

std::u16string Number(long long value) { return Ascii(std::to_string(value).c_str()); }

bool IsBlank(char16_t c) { return c == u'\r' || c == u'\n' || c == u' ' || c == u'\t'; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

const char16_t* Text(const char16_t* text) { return text ? text : u""; }

}  // namespace

void RemoveMarkup(char16_t* text) {
  char16_t* out = text;
  for (const char16_t* in = text; *in; ++in)
    if (*in != u'\b' && *in != u'\f') *out++ = *in;
  *out = 0;
}

std::u16string StripMarkup(const char16_t* text) {
  std::u16string out = Text(text);
  RemoveMarkup(&out[0]);
  out.resize(std::char_traits<char16_t>::length(out.c_str()));
  return out;
}

std::u16string HTMLEscape(const char16_t* text) {
  std::u16string out;
  for (const char16_t* p = Text(text); *p; ++p) {
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
    const char16_t* p = Text(url);
    const char* s = scheme;
    while (*s && Lower(*p) == static_cast<char16_t>(*s)) ++p, ++s;
    if (!*s) return true;
  }
  return false;
}

std::u16string CsvField(const char16_t* text) {
  std::u16string value = Text(text);
  if (value.find_first_of(u",\"\r\n") == std::u16string::npos) return value;
  std::u16string out = u"\"";
  for (char16_t c : value) {
    if (c == u'"') out += u'"';
    out += c;
  }
  return out + u"\"";
}

std::u16string TabField(const char16_t* text) {
  std::u16string out = Text(text);
  for (char16_t& c : out)
    if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
  return out;
}

std::u16string FormatZoneBias(int32_t bias) {
  char buffer[16];
  long long magnitude = bias <= 0 ? -static_cast<long long>(bias) : bias;
  std::snprintf(buffer, sizeof buffer, " %c%02lld%02lld", bias <= 0 ? '+' : '-', magnitude / 60,
                magnitude % 60);
  return Ascii(buffer);
}

std::u16string BrokenDescription(const BrokenTexts& texts, const char16_t* url,
                                 const char16_t* relUrl, int32_t line, int32_t col,
                                 const char16_t* relTitle, const char16_t* statusstr) {
  std::u16string out;
  if (relUrl && *relUrl) {
    out += Text(texts.onPage) + std::u16string(u" \b") + relUrl + u"\b\n";
    out += Text(texts.atLine) + std::u16string(u" ") + Number(line) + u" " + Text(texts.atColumn) +
           u" " + Number(col) + u", " + Text(relTitle) + u",\n";
    out += Text(texts.linkToSm);
  } else {
    out += Text(texts.linkToCap);
  }
  out += std::u16string(u" \b\"") + Text(url) + u"\"\b\n";
  out += Text(texts.theError) + std::u16string(u": \f") + Text(statusstr) + u"\f.";
  return out;
}

BrokenTexts BrokenTextsOfLanguage() {
  return {LanguageText(STR_Location_OnPage),    LanguageText(STR_Location_AtLine),
          LanguageText(STR_Location_AtColumn),  LanguageText(STR_Location_LinkToSm),
          LanguageText(STR_Location_LinkToCap), LanguageText(STR_Location_TheError)};
}

uint32_t LinkItemData(int32_t restype, int32_t statusval) {
  uint32_t mask = 0;
  switch (statusval) {
    case 5:
      mask = 1;
      break;
    case 2:
      mask = 2;
      break;
    case 4:
      mask = 4;
      break;
    case 7:
      mask = 8;
      break;
    default:
      break;
  }
  return (static_cast<uint32_t>(restype) & 0xFFFFu) | (mask << 16);
}

const char16_t* ProtocolName(int32_t protocol) {
  switch (protocol) {
    case 1:
      return u"http";
    case 2:
      return u"https";
    case 3:
      return u"ftp";
    case 4:
      return u"file";
    case 5:
      return u"rtsp";
    default:
      return nullptr;
  }
}

std::u16string FormatAccessTime(int32_t restime, const char16_t* unit) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d.%03u", restime / 1000,
                static_cast<unsigned>(restime % 1000));
  return Ascii(buffer) + u" " + Text(unit);
}

int32_t BarLength(int32_t length, uint32_t total, uint32_t part) {
  if (length <= 0) return 0;
  if (part == total) return length;
  if (total == 0) return part == 0 ? 0 : length;
  int64_t bar = static_cast<int64_t>(static_cast<double>(length) / total * part) + 1;
  return bar > length ? length : static_cast<int32_t>(bar);
}

uint64_t TimeLeft(uint32_t found, uint32_t processed, uint64_t elapsed) {
  if (processed == 0 || processed >= found) return 0;
  // Split so that the product never leaves 64 bits while the result fits.
  uint64_t whole = elapsed / processed * found;
  uint64_t rest = elapsed % processed * found / processed;
  return whole + rest - elapsed;
}
