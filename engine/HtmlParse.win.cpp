// The links, title and anchors of a downloaded page or style sheet: the page's charset is
// chosen, its text converted where the scanners need UTF-16, and what they report is
// decoded, described in the language's texts and queued.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/SettingsRecord.h"
#include "charset/Charset.h"
#include "engine/AsciiText.h"
#include "engine/FoundLinks.h"
#include "engine/HtmlScan.h"
#include "engine/LinkFinder.h"
#include "engine/LinkRules.h"
#include "engine/TextCopy.h"
#include "engine/UrlParts.h"
#include "toolkit/AnsiCodePage.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"

// One scan of a page or style sheet.
struct CLinkFinder::PageScan {
  PageScan(CLinkFinder* engine, const tagTreeListItemFull* page)
      : finder(engine), pageUrl(page->Url), pageProtocol(page->protocol) {}
  CLinkFinder* finder;
  const WCHAR* pageUrl;  // the referring page of every link found
  int32_t pageProtocol;
  std::u16string base;       // what relative links resolve against; <base href> sets it
  const char* charset = "";  // of 8-bit text: how its URLs and texts are decoded
  WCHAR* title = nullptr;    // the page's title field
  int titleSize = 0;
  FoundLinks found;  // its links, queued together once it is scanned
};

namespace {

constexpr int kCharsetUnits = 50;
constexpr int kUrlUnits = kHtmlUrlUnits + 1;
// The image form of an anchor's description holds two texts of 255 units.
constexpr int kDescriptionUnits = 600;

bool SameName(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  }
  return *a == *b;
}

// A detector's name (at most 49 bytes) into `size` bytes.
void CopyName(char* out, int size, const char* name) {
  const size_t n = strnlen(name, sizeof CHARDETSTRUCT::charset - 1);
  const size_t kept = n < static_cast<size_t>(size) ? n : static_cast<size_t>(size) - 1;
  std::memcpy(out, name, kept);
  out[kept] = 0;
}

bool StartsWithName(const char* text, const char* name) {
  for (; *name; ++text, ++name) {
    if (AsciiLower(*text) != AsciiLower(*name)) return false;
  }
  return true;
}

bool IsUnicodeName(const char* name) {
  for (const char* form : {"UTF-16BE", "UTF-16LE", "UTF-32BE", "UTF-32LE"}) {
    if (SameName(name, form)) return true;
  }
  return false;
}

// The UTF-16 or UTF-32 form the bytes are in, when the detector is sure of it: it gives
// UTF-16 a 10 on almost any text.
bool UnicodeForm(const char* data, unsigned long length, char (&name)[kCharsetUnits]) {
  // The detector runs every recogniser it has over the whole page: most pages are spared.
  if (!MayBeUnicodeForm(data, static_cast<uint32_t>(length))) return false;
  uint32_t count = 0;
  CHARDETSTRUCT* found =
      RecognizeCharset(data, static_cast<uint32_t>(length), CHARDET_UNICODE, &count);
  const bool unicode =
      found && count && found[0].confidence > 10 && IsUnicodeName(found[0].charset);
  if (unicode) {
    CopyName(name, kCharsetUnits, found[0].charset);
  }
  RecognizeFree(&found);
  return unicode;
}

// `length` bytes of a named charset as UTF-16; false when there is no such converter,
// memory ran out or the bytes do not decode (a replacement character appears).
bool ConvertNamed(const char* charset, const char* text, long length, std::u16string* out) {
  if (!charset[0]) return false;
  uint32_t size = 0;
  if (GetMaxToUnicode(charset, static_cast<uint32_t>(length), &size) != CHARSET_OK) return false;
  try {
    out->assign(size + 2, u'\0');
  } catch (const std::bad_alloc&) {
    return false;
  }
  size += 2;
  if (ConvertToUnicode(charset, text, static_cast<uint32_t>(length), &(*out)[0], &size) !=
      CHARSET_OK) {
    return false;
  }
  out->resize(size);
  return out->find(u'\uFFFD') == std::u16string::npos;
}

// Bytes in a UTF-16 or UTF-32 form as text, without a byte order mark: 1; 0 for bytes of
// an 8-bit charset; -1 when they do not convert.
int UnicodeText(const char* data, unsigned long length, char (&name)[kCharsetUnits],
                std::u16string* text) {
  if (!UnicodeForm(data, length, name)) return 0;
  if (!ConvertNamed(name, data, static_cast<long>(length), text)) return -1;
  if (!text->empty() && (*text)[0] == u'\uFEFF') text->erase(0, 1);
  return 1;
}

std::u16string Decode(const char*, HtmlSpan<char16_t> text) {
  return std::u16string(text.text, static_cast<size_t>(text.length));
}

// Text of a page of bytes in its charset, in the ANSI code page when that fails.
std::u16string Decode(const char* charset, HtmlSpan<char> text) {
  std::u16string out;
  if (ConvertNamed(charset, text.text, text.length, &out)) return out;
  const int bytes = static_cast<int>(text.length);
  out.assign(static_cast<size_t>(AnsiToWide(text.text, bytes, nullptr, 0)), u'\0');
  out.resize(
      static_cast<size_t>(AnsiToWide(text.text, bytes, &out[0], static_cast<int>(out.size()))));
  return out;
}

// Tag and attribute names are ASCII; anything else is taken by the ANSI code page.
std::u16string Name(HtmlSpan<char16_t> name) { return Decode("", name); }
std::u16string Name(HtmlSpan<char> name) { return Decode("", name); }

// A text shown in a description or as a title: one line, entities decoded, and no control
// character that would break the marks around the emphasised part.
void MakeShowable(WCHAR* text) {
  for (WCHAR* c = text; *c; ++c) {
    if (*c == u'\r' || *c == u'\n' || *c == u'\t') *c = u' ';
  }
  URLUnentitle(text);
  for (WCHAR* c = text; *c; ++c) {
    if (*c < u' ') *c = u' ';
  }
}

template <typename Unit>
void Describe(const HtmlLink<Unit>& link, const char* charset, WCHAR* out, int size) {
  if (link.form == HTMLLINK_CSS) {
    FormatStringW(out, size, u"%s \b\"url:\"\b", LanguageText(STR_Location_InCss));
    return;
  }
  if (link.form == HTMLLINK_TAG) {
    FormatStringW(out, size, u"%s \b\"%s\" %s \"%s\"\b", LanguageText(STR_Location_InTag),
                  Name(link.tag).c_str(), LanguageText(STR_Location_Argument),
                  Name(link.attribute).c_str());
    return;
  }
  WCHAR described[kDescriptionUnits];
  if (link.form == HTMLLINK_ANCHOR_IMAGE) {
    FormatStringW(described, kDescriptionUnits, u"%s \"%s\" (%s \"%s\")",
                  LanguageText(STR_Location_Image), Decode(charset, link.src).c_str(),
                  LanguageText(STR_Location_Alt), Decode(charset, link.alt).c_str());
  } else {
    CopyText(described, kDescriptionUnits, Decode(charset, link.text).c_str());
  }
  MakeShowable(described);
  FormatStringW(out, size, u"%s \b\"%s\"\b", LanguageText(STR_Location_WhenClickOn), described);
}

}  // namespace

// Queues the links the scanners report.
template <typename Unit>
HtmlSink<Unit> CLinkFinder::LinkSink(PageScan* scan) {
  scan->base = scan->pageUrl;
  HtmlSink<Unit> sink;
  sink.context = scan;
  sink.link = [](void* context, const HtmlLink<Unit>& link) {
    PageScan* s = static_cast<PageScan*>(context);
    s->finder->QueuePageLink(*s, link);
  };
  return sink;
}

void CLinkFinder::StartParseHtmlData(tagTreeListItemFull* page, int parse, int collectAnchors,
                                     const char* data, unsigned long length) {
  PageScan scan(this, page);
  char unicode[kCharsetUnits];
  std::u16string text;
  const int form = UnicodeText(data, length, unicode, &text);
  if (form > 0) {
    ParseHtmlData(page, scan, parse, collectAnchors, unicode, text.data(),
                  static_cast<long>(text.size()));
  } else if (form == 0) {
    char charset[kCharsetUnits];
    PageCharset(data, length, charset, kCharsetUnits);
    scan.charset = charset;
    ParseHtmlData(page, scan, parse, collectAnchors, charset, data, static_cast<long>(length));
  }
  QueueLinks(&scan.found);
}

// First hit wins: the page's META, the charset the settings force, a confident guess, the
// settings' default. A page of bytes naming UTF-16 or UTF-32 is read as UTF-8, as
// browsers do: it is not in either form, or the detector would have said so.
void CLinkFinder::PageCharset(const char* data, unsigned long length, char* charset, int size) {
  charset[0] = 0;
  if (PageMetaCharset(data, static_cast<long>(length), charset, size)) {
    if (StartsWithName(charset, "utf-16") || StartsWithName(charset, "utf-32")) {
      std::memcpy(charset, "UTF-8", 6);
    }
    return;
  }
  WCHAR name[kCharsetUnits] = u"";
  if (settings) CopySettingsText(name, settings->CharSet);
  if (!name[0]) {
    uint32_t count = 0;
    CHARDETSTRUCT* found =
        RecognizeCharset(data, static_cast<uint32_t>(length),
                         CHARDET_STRIP_MARKUP | CHARDET_UNICODE | CHARDET_OTHERS, &count);
    if (found && count && found[0].confidence > 10) {
      CopyName(charset, size, found[0].charset);
    }
    RecognizeFree(&found);
    if (charset[0]) return;
  }
  if (!name[0] && settings) CopySettingsText(name, settings->DefCharSet);
  charset[WideToAnsi(name, -1, charset, size - 1)] = 0;
}

template <typename Unit>
void CLinkFinder::ParseHtmlData(tagTreeListItemFull* page, PageScan& scan, int parse,
                                int collectAnchors, const char* charset, const Unit* text,
                                long length) {
  if (parse) ScanPage(page, scan, charset, text, length);
  if (collectAnchors) CollectBookmarks(page, scan, text, length);
}

template <typename Unit>
void CLinkFinder::ScanPage(tagTreeListItemFull* page, PageScan& scan, const char* charset,
                           const Unit* text, long length) {
  page->charset[AnsiToWide(charset, -1, page->charset, kCharsetUnits - 1)] = 0;
  scan.title = page->title;
  scan.titleSize = sizeof page->title / sizeof page->title[0];
  scan.title[0] = 0;
  HtmlSink<Unit> sink = LinkSink<Unit>(&scan);
  sink.title = [](void* context, HtmlSpan<Unit> title) {
    const PageScan* s = static_cast<const PageScan*>(context);
    try {
      std::u16string text = Decode(s->charset, title);
      MakeShowable(&text[0]);
      CopyText(s->title, s->titleSize, text.c_str());
    } catch (const std::bad_alloc&) {
    }
  };
  HtmlScanOptions options;
  options.ignoreFormTag = siteSettings.IgnoreFormTag;
  ScanHtml(text, length, options, sink);
}

template <typename Unit>
void CLinkFinder::CheckLinksInCSS(PageScan& scan, const Unit* text, long length) {
  HtmlSink<Unit> sink = LinkSink<Unit>(&scan);
  ScanCss(text, length, 0, 0, sink);
}

void CLinkFinder::ParseStyleSheet(const tagTreeListItemFull* sheet, const char* data,
                                  unsigned long length) {
  PageScan scan(this, sheet);
  char unicode[kCharsetUnits];
  std::u16string text;
  const int form = UnicodeText(data, length, unicode, &text);
  if (form > 0) {
    CheckLinksInCSS(scan, text.data(), static_cast<long>(text.size()));
  } else if (form == 0) {
    scan.charset = "UTF-8";
    CheckLinksInCSS(scan, data, static_cast<long>(length));
  }
  QueueLinks(&scan.found);
}

template <typename Unit>
void CLinkFinder::QueuePageLink(PageScan& scan, const HtmlLink<Unit>& link) {
  tagTreeListItemFull* item = static_cast<tagTreeListItemFull*>(calloc(1, sizeof *item));
  WCHAR* url = static_cast<WCHAR*>(calloc(kUrlUnits, sizeof(WCHAR)));
  try {
    if (item && url) {
      CopyText(url, kUrlUnits, Decode(scan.charset, link.url).c_str());
      RemoveSpacesFromString(url);
      const int filled = FillItemWithURL(url, scan.base.c_str(), item, nullptr);
      if (!filled) {
        item->statusval = STATUSVAL_BROKEN;
      } else if (item->protocol == PROTOCOL_FILE && scan.pageProtocol != PROTOCOL_FILE) {
        // A page from the network must not make the checker read this machine's files.
        CopyField(item->statusstr, LanguageText(STR_Status_NotChecked));
        AppendItemComment(item, LanguageText(STR_Status_LocalFileLink));
        item->statusval = STATUSVAL_NOTCHECKABLE;
      }
      Describe(link, scan.charset, item->rel_title, sizeof item->rel_title / sizeof(WCHAR));
      CopyField(item->rel_url, scan.pageUrl);
      item->line = link.line;
      item->col = link.column;
      // The page's later relative links resolve against its base.
      if (filled && item->protocol != PROTOCOL_NONE && link.base) {
        scan.base = item->Url;
      }
      CollectLink(&scan.found, item);
    }
  } catch (const std::bad_alloc&) {
  }
  free(url);
  free(item);
}

// Collected, decoded and indexed outside the engine lock, entered under it in one step; the
// page is entered even without anchors, so that it is known as parsed.
template <typename Unit>
void CLinkFinder::CollectBookmarks(const tagTreeListItemFull* page, const PageScan& scan,
                                   const Unit* text, long length) {
  struct Names {
    const char* charset;
    CBookmarkIndex::PageAnchors anchors;
  } names = {scan.charset, {}};
  try {
    void (*take)(void*, HtmlSpan<Unit>) = [](void* context, HtmlSpan<Unit> name) {
      Names* n = static_cast<Names*>(context);
      n->anchors.Add(Decode(n->charset, name).c_str());
    };
    ScanAnchorNames(text, length, &names, take);
  } catch (const std::bad_alloc&) {
    return;
  }
  ScopeLock hold(lock);
  if (!bookmarks) return;
  bookmarks->AddAnchors(page->protocol, page->username, page->userpass, page->server,
                        static_cast<int32_t>(page->port), page->resource, std::move(names.anchors));
}
