// Splitting an address into scheme, user, server, port, path, resource and bookmark, refusing
// malformed ones.
#include <cstring>
#include <string_view>

#include "engine/AsciiText.h"
#include "engine/TextCopy.h"
#include "engine/UrlParts.h"
#include "toolkit/LanguageText.h"

namespace {

using View = std::u16string_view;

bool EqualsNoCase(View a, View b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// Copies a part into its field; a part that does not fit makes the address malformed.
template <size_t N>
bool PutPart(char16_t (&field)[N], View text) {
  if (text.size() >= N) return false;
  CopyTextN(field, static_cast<int>(N), text.data(), static_cast<int>(text.size()));
  return true;
}

int Refuse(tagURLPARTS& parts, int slot) {
  parts = tagURLPARTS{};
  CopyField(parts.error, LanguageText(slot));
  return 0;
}

int Malformed(tagURLPARTS& parts) { return Refuse(parts, STR_Curl_103); }

// A port number outside 1..65535 would address another service than the one written.
bool PutPort(tagURLPARTS& parts, View text) {
  if (text.empty() || text.size() > 5) return false;
  uint32_t value = 0;
  for (char16_t c : text) {
    if (!IsAsciiDigit(c)) return false;
    value = value * 10 + (c - u'0');
  }
  return value >= 1 && value <= 65535 && PutPart(parts.port, text);
}

const char16_t* DefaultPort(View scheme) {
  if (EqualsNoCase(scheme, u"https")) return u"443";
  if (EqualsNoCase(scheme, u"ftp")) return u"21";
  if (EqualsNoCase(scheme, u"rtsp")) return u"554";
  return u"80";
}

// Takes the fragment out of path#name or path#name?query; a "#" after the query stays.
void SplitBookmark(tagURLPARTS& parts) {
  char16_t* resource = parts.resource;
  const View text(resource);
  const size_t hash = text.find(u'#');
  if (hash == View::npos) return;
  const size_t query = text.find(u'?');
  if (query != View::npos && query < hash) return;
  const size_t end = query == View::npos ? text.size() : query;
  CopyTextN(parts.bookmark, 256, resource + hash, static_cast<int>(end - hash));
  std::memmove(resource + hash, resource + end, (text.size() - end + 1) * sizeof(char16_t));
}

bool PutResource(tagURLPARTS& parts, View text) {
  if (!PutPart(parts.resource, text)) return false;
  URLDecodeResource(parts.resource);
  GetResourceType(parts.resource, parts.extension, 256);
  return true;
}

int ParseFileUrl(char16_t* url, size_t length, size_t authority, tagURLPARTS& parts) {
  for (size_t i = 0; i < length; ++i) {
    if (url[i] == u'\\') url[i] = u'/';
  }
  const View text(url, length);
  const size_t slash = text.find(u'/', authority);
  const View server = text.substr(authority, slash == View::npos ? View::npos : slash - authority);
  const View resource = slash == View::npos ? View() : text.substr(slash);
  if (!PutPart(parts.server, server) || !PutResource(parts, resource)) return Malformed(parts);
  SplitBookmark(parts);
  return 1;
}

}  // namespace

size_t UrlSchemeLength(View text) {
  if (text.empty() || !IsAsciiLetter(text[0])) return 0;
  size_t colon = 1;
  while (colon < text.size() &&
         (IsAsciiLetter(text[colon]) || IsAsciiDigit(text[colon]) || text[colon] == u'+' ||
          text[colon] == u'-' || text[colon] == u'.')) {
    ++colon;
  }
  return colon < text.size() && text[colon] == u':' ? colon : 0;
}

int ParseFullURL(char16_t* url, int urlSize, tagURLPARTS& parts, int* explicitPort) {
  parts = tagURLPARTS{};
  if (explicitPort) *explicitPort = 0;
  if (!url || !url[0]) return Refuse(parts, STR_Status_EmptyURL);

  size_t length = std::char_traits<char16_t>::length(url);
  size_t letters = 0;
  while (IsAsciiLetter(url[letters])) ++letters;
  size_t authority = letters + 3;
  if (letters == 0 || View(url, length).substr(letters, 3) != u"://") {
    const View prefix = u"http://";
    if (urlSize < 0 || length + prefix.size() >= static_cast<size_t>(urlSize)) {
      return Malformed(parts);
    }
    std::memmove(url + prefix.size(), url, (length + 1) * sizeof(char16_t));
    std::memcpy(url, prefix.data(), prefix.size() * sizeof(char16_t));
    length += prefix.size();
    letters = 4;
    authority = prefix.size();
  }
  const View text(url, length);
  const View scheme = text.substr(0, letters);
  if (!PutPart(parts.scheme, scheme)) return Malformed(parts);
  if (EqualsNoCase(scheme, u"file")) return ParseFileUrl(url, length, authority, parts);

  size_t end = text.find_first_of(u"@/?#", authority);
  if (end == View::npos) end = length;
  size_t host = authority;
  if (end < length && text[end] == u'@') {
    const View user = text.substr(authority, end - authority);
    const size_t colon = user.find(u':');
    if (!PutPart(parts.username, user.substr(0, colon))) return Malformed(parts);
    if (colon != View::npos && !PutPart(parts.userpass, user.substr(colon + 1))) {
      return Malformed(parts);
    }
    host = end + 1;
    end = text.find_first_of(u"/?#", host);
    if (end == View::npos) end = length;
  }
  const View hostPort = text.substr(host, end - host);
  const size_t colon = hostPort.find(u':');
  if (!PutPart(parts.server, hostPort.substr(0, colon))) return Malformed(parts);
  const View portText = colon == View::npos ? View() : hostPort.substr(colon + 1);
  if (!portText.empty()) {
    if (!PutPort(parts, portText)) return Malformed(parts);
    if (explicitPort) *explicitPort = 1;
  } else {
    CopyField(parts.port, DefaultPort(scheme));
  }

  if (!PutResource(parts, end < length ? text.substr(end) : View(u"/"))) return Malformed(parts);
  if ((EqualsNoCase(scheme, u"http") || EqualsNoCase(scheme, u"https")) &&
      EqualsNoCase(parts.extension, u"html")) {
    SplitBookmark(parts);
  }
  return 1;
}

void GetResourceType(const char16_t* resource, char16_t* ext, int extSize) {
  if (!resource) return;
  const View text(resource);
  const View path = text.substr(0, text.find_first_of(u"?#"));
  const size_t dot = path.rfind(u'.');
  if (dot == View::npos) return;
  CopyTextN(ext, extSize, resource + dot + 1, static_cast<int>(path.size() - dot - 1));
}

int GetStartPath(const char16_t* resource, char16_t* folder, int folderSize, uint32_t* depth) {
  const View text(resource ? resource : u"");
  const View path = text.substr(0, text.find_first_of(u"?#"));
  const size_t last = path.rfind(u'/');
  const size_t folderLength = last == View::npos ? 0 : last + 1;
  uint32_t slashes = 0;
  for (char16_t c : path) slashes += c == u'/';
  if (folderSize < 1 || folderLength >= static_cast<size_t>(folderSize)) {
    if (folderSize >= 1) folder[0] = 0;
    if (depth) *depth = 0;
    return 0;
  }
  CopyTextN(folder, folderSize, text.data(), static_cast<int>(folderLength));
  if (depth) *depth = slashes;
  return 1;
}
