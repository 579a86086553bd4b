// Resolving a relative link against its page's address.
#include <cstring>
#include <string>
#include <string_view>

#include "engine/TextCopy.h"
#include "engine/UrlParts.h"
#include "toolkit/LanguageText.h"

namespace {

using View = std::u16string_view;

// Builds the whole address first: a piece that "../" removes later may be longer than the
// room, so only the final text is measured against the caller's buffer.
struct UrlBuilder {
  char16_t* url;
  size_t size;
  std::u16string text;

  void Append(View piece) { text.append(piece); }
  void Cut(size_t at) {
    if (at < text.size()) text.resize(at);
  }
  View Text() const { return text; }
};

// Where the path of an address starts: its first "/" after "scheme://"; npos when none.
size_t PathStart(View address) {
  const size_t scheme = address.find(u"://");
  return address.find(u'/', scheme == View::npos ? 0 : scheme + 3);
}

bool Finish(UrlBuilder& out, char16_t* error, int errorSize) {
  if (out.text.size() < out.size) {
    std::memcpy(out.url, out.text.data(), out.text.size() * sizeof(char16_t));
    out.url[out.text.size()] = 0;
    return true;
  }
  out.url[0] = 0;
  CopyText(error, errorSize, LanguageText(STR_Curl_103));
  return false;
}

// A link that is only a query or a fragment names the page itself.
int ResolveOnPage(View base, View link, UrlBuilder& out, char16_t* error, int errorSize) {
  View page = base.substr(0, base.find_first_of(link[0] == u'#' ? u"#" : u"?#"));
  if (PathStart(page) == View::npos) {
    const size_t query = page.find(u'?');
    out.Append(page.substr(0, query));
    out.Append(u"/");
    if (query != View::npos) out.Append(page.substr(query));
  } else {
    out.Append(page);
  }
  out.Append(link);
  return Finish(out, error, errorSize) ? 1 : 0;
}

// The base's folder without its final "/", its scheme for "//host" links, or its server
// for "/path" links.
void StartFromBase(View base, View link, UrlBuilder& out) {
  if (link.substr(0, 2) == u"//") {
    const size_t scheme = base.find(u"://");
    out.Append(scheme == View::npos ? View(u"http:") : base.substr(0, scheme + 1));
    return;
  }
  View head = base.substr(0, base.find_first_of(u"?#"));
  if (!link.empty() && link[0] == u'/') {
    head = head.substr(0, PathStart(head));
  } else {
    const size_t last = head.rfind(u'/');
    const bool doubled = last != View::npos && ((last > 0 && head[last - 1] == u'/') ||
                                                (last + 1 < head.size() && head[last + 1] == u'/'));
    if (last != View::npos && !doubled) head = head.substr(0, last);
  }
  out.Append(head);
}

}  // namespace

int GetRelativeURL(const char16_t* base, const char16_t* link, char16_t* url, int urlSize,
                   char16_t* error, int errorSize, char16_t* note, int noteSize,
                   int ignoreRelative) {
  if (!url || urlSize < 1) return 0;
  url[0] = 0;
  const View baseText(base ? base : u"");
  const View linkText(link ? link : u"");
  UrlBuilder out{url, static_cast<size_t>(urlSize)};
  if (!linkText.empty() && (linkText[0] == u'#' || linkText[0] == u'?')) {
    return ResolveOnPage(baseText, linkText, out, error, errorSize);
  }
  StartFromBase(baseText, linkText, out);

  const size_t n = linkText.size();
  size_t i = 0;
  bool rest = false;
  while (!rest) {
    if (i < n && linkText[i] == u'/') ++i;
    if (i >= n) break;
    const char16_t c = linkText[i];
    if (c == u'?' || c == u'#') {
      out.Append(linkText.substr(i > 0 && linkText[i - 1] == u'/' ? i - 1 : i));
      rest = true;
    } else if (linkText.substr(i, 2) == u"./") {
      i += 2;
    } else if (linkText.substr(i, 3) == u"../") {
      const View current = out.Text();
      const size_t cut = current.find_last_of(u"/@");
      if (cut == View::npos || current[cut] == u'@' || (cut > 0 && current[cut - 1] == u'/')) {
        // The link climbs above the server; the text is kept so that it can be shown.
        out.Append(u"/");
        out.Append(linkText.substr(i));
        if (!Finish(out, error, errorSize)) return 0;
        const char16_t* message = LanguageText(STR_Status_RelativeOverflow);
        if (ignoreRelative) {
          CopyText(note, noteSize, message);
          return 1;
        }
        CopyText(error, errorSize, message);
        return 0;
      }
      out.Cut(cut);
      i += 3;
    } else {
      size_t end = linkText.find_first_of(u"/?#", i);
      if (end == View::npos) end = n;
      out.Append(u"/");
      out.Append(linkText.substr(i, end - i));
      if (end < n && linkText[end] != u'/') {
        out.Append(linkText.substr(end));
        rest = true;
      }
      i = end;
    }
  }
  // "sub/", "./" and "../" name folders; the final "/" is part of the address.
  if (!rest && n > 0 && linkText[n - 1] == u'/' && (out.text.empty() || out.text.back() != u'/')) {
    out.Append(u"/");
  }
  return Finish(out, error, errorSize) ? 1 : 0;
}
