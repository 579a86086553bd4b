// Turns a link's text into a record: scheme, server, path, resource and the type of address.
#include <cstring>
#include <string_view>

#include "engine/AsciiText.h"
#include "engine/LinkRules.h"
#include "engine/RuleMatch.h"
#include "engine/TextCopy.h"
#include "engine/TextHelpers.h"
#include "engine/UrlParts.h"
#include "toolkit/LanguageText.h"

namespace {

using View = std::u16string_view;

constexpr int kUrlUnits = sizeof(tagTreeListItemFull::Url) / sizeof(char16_t);

bool StartsNoCase(View text, View prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

bool EqualsNoCase(View a, View b) { return a.size() == b.size() && StartsNoCase(a, b); }

const View kServedSchemes[] = {u"http", u"https", u"ftp", u"rtsp", u"file"};
const View kNotServedPrefixes[] = {u"chrome://", u"gopher://", u"news://",     u"mailto:",
                                   u"callto:",   u"news:",     u"javascript:", u"vbscript:"};

bool IsServedAddress(View text) {
  for (View scheme : kServedSchemes) {
    if (StartsNoCase(text, scheme) && text.substr(scheme.size(), 3) == u"://") return true;
  }
  return false;
}

// "localhost:8080/x" typed as a start address names a host and port, not a scheme.
bool IsHostAndPort(View text, size_t colon) {
  size_t end = colon + 1;
  while (end < text.size() && IsAsciiDigit(text[end])) ++end;
  return end > colon + 1 && (end == text.size() || View(u"/?#").find(text[end]) != View::npos);
}

// A link that starts with a scheme no downloader serves; one letter before ":" is a drive.
bool IsNotServedAddress(View text, bool hasBase) {
  for (View prefix : kNotServedPrefixes) {
    if (StartsNoCase(text, prefix)) return true;
  }
  const size_t colon = UrlSchemeLength(text);
  if (colon < 2) return false;
  for (View scheme : kServedSchemes) {
    if (EqualsNoCase(text.substr(0, colon), scheme)) return false;
  }
  return hasBase || !IsHostAndPort(text, colon);
}

bool IsDrivePath(View text) {
  return text.size() >= 3 && IsAsciiLetter(text[0]) && text[1] == u':' &&
         (text[2] == u'/' || text[2] == u'\\');
}

void TrimBlanks(char16_t* text) {
  const View whole(text);
  const size_t first = whole.find_first_not_of(u' ');
  if (first == View::npos) {
    text[0] = 0;
    return;
  }
  const size_t last = whole.find_last_not_of(u' ');
  std::memmove(text, text + first, (last - first + 1) * sizeof(char16_t));
  text[last - first + 1] = 0;
}

template <size_t N>
bool PutText(char16_t (&field)[N], View text) {
  if (text.size() >= N) return false;
  CopyTextN(field, static_cast<int>(N), text.data(), static_cast<int>(text.size()));
  return true;
}

// An address that cannot be built or split: the record keeps the link as written, for
// display, and the malformed-address status.
int Malformed(tagTreeListItemFull* item, View text) {
  CopyTextN(item->Url, kUrlUnits, text.data(), static_cast<int>(text.size()));
  CopyField(item->resource, item->Url);
  item->comment[0] = 0;
  CopyField(item->statusstr, LanguageText(STR_Curl_103));
  return 0;
}

// Not checked; the text is only shown, so an overlong one (a data: address) may be cut.
int NotServed(tagTreeListItemFull* item, View text) {
  CopyTextN(item->Url, kUrlUnits, text.data(), static_cast<int>(text.size()));
  CopyField(item->resource, item->Url);
  item->protocol = PROTOCOL_NONE;
  item->extern_ = 1;
  return 1;
}

int32_t ProtocolOf(View scheme) {
  if (EqualsNoCase(scheme, u"http")) return PROTOCOL_HTTP;
  if (EqualsNoCase(scheme, u"https")) return PROTOCOL_HTTPS;
  if (EqualsNoCase(scheme, u"ftp")) return PROTOCOL_FTP;
  if (EqualsNoCase(scheme, u"rtsp")) return PROTOCOL_RTSP;
  if (EqualsNoCase(scheme, u"file")) return PROTOCOL_FILE;
  return PROTOCOL_NONE;
}

uint32_t PortNumber(const char16_t* text) {
  uint32_t value = 0;
  for (; IsAsciiDigit(*text) && value <= 0xFFFF; ++text) value = value * 10 + (*text - u'0');
  return value & 0xFFFF;
}

// Builds item->Url from the link text; returns 1, or 0 when resolution failed.
int BuildUrl(const tagRULECONTEXT& rules, View text, const char16_t* base,
             tagTreeListItemFull* item, bool& malformed) {
  malformed = false;
  if (IsServedAddress(text) || !(base && base[0])) {
    malformed = !PutText(item->Url, text);
    return malformed ? 0 : 1;
  }
  const int result = GetRelativeURL(base, text.data(), item->Url, kUrlUnits, item->statusstr, 256,
                                    item->comment, 256, rules.site->IgnoreRelative);
  malformed = !item->Url[0];
  return result;
}

}  // namespace

int FillItemWithURL(const tagRULECONTEXT& rules, char16_t* text, const char16_t* base,
                    tagTreeListItemFull* item, int* explicitPort) {
  std::memset(item, 0, sizeof(*item));
  if (explicitPort) *explicitPort = 0;
  if (!text || !text[0]) {
    CopyField(item->statusstr, LanguageText(STR_Status_EmptyURL));
    return 0;
  }
  const size_t length = std::char_traits<char16_t>::length(text);
  if (text[0] == u' ' || text[length - 1] == u' ') {
    if (rules.site->NotIgnoreSpaces) {
      CopyField(item->commentstr, LanguageText(STR_Status_ExtraSpaces));
    } else {
      TrimBlanks(text);
    }
  }
  const View link(text);
  if (link.empty()) {
    CopyField(item->statusstr, LanguageText(STR_Status_EmptyURL));
    return 0;
  }
  const bool hasBase = base && base[0];
  if (!IsServedAddress(link) && IsNotServedAddress(link, hasBase)) return NotServed(item, link);

  int result = 1;
  if (IsDrivePath(link)) {
    const View prefix = u"file://";
    if (prefix.size() + link.size() >= static_cast<size_t>(kUrlUnits)) return Malformed(item, link);
    CopyText(item->Url, kUrlUnits, prefix.data());
    for (size_t i = 0; i < link.size(); ++i) {
      item->Url[prefix.size() + i] = link[i] == u'\\' ? u'/' : link[i];
    }
    item->Url[prefix.size() + link.size()] = 0;
  } else {
    bool malformed = false;
    result = BuildUrl(rules, link, base, item, malformed);
    if (malformed) return Malformed(item, link);
  }

  tagURLPARTS parts;
  if (!ParseFullURL(item->Url, kUrlUnits, parts, explicitPort)) {
    Malformed(item, link);
    CopyField(item->statusstr, parts.error);
    return 0;
  }
  CopyField(item->username, parts.username);
  CopyField(item->userpass, parts.userpass);
  CopyField(item->server, parts.server);
  CopyField(item->resource, parts.resource);
  CopyField(item->bookmark, parts.bookmark);
  item->port = PortNumber(parts.port);
  item->restype = LookupFileType(rules, parts.extension);
  item->protocol = ProtocolOf(parts.scheme);

  const int ignoreCase = rules.site->CheckIgnoreCase;
  item->extern_ = hasBase ? LinkDomainExternal(rules, item->server, item->port) : 0;
  const char16_t* folder = rules.startPath ? rules.startPath : u"";
  const int folderLength = static_cast<int>(std::char_traits<char16_t>::length(folder));
  if (!item->extern_ && !rules.site->CheckParentDir && folderLength > 0 &&
      strncmpcase(item->resource, folder, folderLength, ignoreCase) != 0) {
    item->extern_ = 1;
  }
  if (!item->resource[0]) CopyField(item->resource, u"/");
  item->flags = !item->extern_ && (item->restype == RES_HTML || item->restype == RES_STYLESHEET);
  item->statusval = STATUSVAL_UNCHECKED;
  for (const char16_t* c = item->resource; *c && *c != u'?' && *c != u'#'; ++c) {
    item->dir += *c == u'/';
  }
  return result;
}

int LinkDomainExternal(const tagRULECONTEXT& rules, const char16_t* server, uint32_t port) {
  const int ignoreCase = rules.site->CheckIgnoreCase;
  const char16_t* site = rules.siteServer ? rules.siteServer : u"";
  const char16_t* compared = server ? server : u"";
  char16_t withWww[300];
  if (!rules.site->NotIgnoreWWW) {
    const bool siteWww = strncmpcase(site, u"www.", 4, ignoreCase) == 0;
    const bool linkWww = strncmpcase(compared, u"www.", 4, ignoreCase) == 0;
    if (!siteWww && linkWww) {
      compared += 4;
    } else if (siteWww && !linkWww) {
      // A server too long for the buffer cannot equal a site server of at most 255 units.
      if (std::char_traits<char16_t>::length(compared) + 4 >= sizeof(withWww) / sizeof(char16_t)) {
        return 1;
      }
      CopyText(withWww, 5, u"www.");
      CopyText(withWww + 4, static_cast<int>(sizeof(withWww) / sizeof(char16_t)) - 4, compared);
      compared = withWww;
    }
  }
  return strcmpcase(compared, site, ignoreCase) != 0 || port != rules.sitePort ? 1 : 0;
}

res_type LookupFileType(const tagRULECONTEXT& rules, const char16_t* extension) {
  if (!extension || !extension[0]) return RES_HTML;
  const int ignoreCase = rules.site->CheckIgnoreCase;
  if (strncmpcase(extension, u"css", 3, ignoreCase) == 0) return RES_STYLESHEET;
  for (int kind = 0; kind < 6; ++kind) {
    const View list(rules.extLists[kind] ? rules.extLists[kind] : u"");
    for (size_t start = 0; start < list.size();) {
      size_t end = list.find(u' ', start);
      if (end == View::npos) end = list.size();
      if (end > start && UnicodeCompareN(list.data() + start, extension,
                                         static_cast<int>(end - start), ignoreCase) == 0) {
        return static_cast<res_type>(kind);
      }
      start = end + 1;
    }
  }
  return RES_UNKNOWN;
}
