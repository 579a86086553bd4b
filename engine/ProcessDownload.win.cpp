// What the check of one link does with a download: retries, reply headers, redirects, the
// robots text, page parsing and the cache file.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "app/SettingsRecord.h"
#include "charset/Charset.h"
#include "engine/LinkFinder.h"
#include "engine/LinkRules.h"
#include "engine/Redirects.h"
#include "engine/RuleMatch.h"
#include "engine/TextCopy.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"

namespace {

// Room for a Location value and the bookmark appended to it.
constexpr int kLocationUnits = 1024 + 256;

}  // namespace

status_type CLinkFinder::ProcessDownload(status_type result, tagTreeListItemFull* item, int row,
                                         int pageIndexed, char* data, unsigned long length,
                                         unsigned long headerOffset, unsigned long headerEnd,
                                         int* repeat, int* getRetry) {
  const int32_t tries = static_cast<int32_t>(siteSettings.RecheckBadLinksTimes);
  if (result == ST_TRANSIENT) {
    ++item->attempt;
    *repeat = item->attempt < tries;
    if (*repeat) {
      item->statusval = STATUSVAL_UNCHECKED;
      ShowCheckingTry(row, item->attempt + 1);
    }
    return result;
  }
  const bool existenceCheck = item->flags == 0 || pageIndexed;
  if (result != ST_SUCCESS && existenceCheck) {
    if (*getRetry) {
      *getRetry = 0;
    } else if (siteSettings.GETAfterHEADFail) {
      ++item->attempt;
      if (item->attempt < tries) {
        item->statusval = STATUSVAL_UNCHECKED;
        *getRetry = 1;
        ShowCheckingTry(row, item->attempt + 1);
        return result;
      }
    }
  }
  *repeat = 0;
  *getRetry = 0;
  if (!data) return result;

  // Offsets reported by a transfer that broke off may lie beyond what was kept.
  if (headerEnd > length) headerEnd = length;
  if (headerOffset > headerEnd) headerOffset = headerEnd;
  char* body = data + headerEnd;
  const unsigned long bodyLength = length - headerEnd;
  bool redirected = false;
  bool refused = false;

  const bool http = item->protocol == PROTOCOL_HTTP || item->protocol == PROTOCOL_HTTPS;
  // An RTSP reply header is read as an HTTP one; it redirects nowhere.
  if (http || item->protocol == PROTOCOL_RTSP) {
    WCHAR* location = static_cast<WCHAR*>(calloc(kLocationUnits, sizeof(WCHAR)));
    if (location) {
      ParseHTTPHeader(data + headerOffset, headerEnd - headerOffset, location, item->content,
                      item->ressize, item->lastmod, item->server);
      if (!http) location[0] = 0;
      if (http && !item->ressize[0]) {
        const bool cut =
            result == ST_LIMIT && siteSettings.SizeLimitType == 2;  // maximum size limit
        FormatStringW(item->ressize, sizeof item->ressize / sizeof item->ressize[0], u"%u%s",
                      static_cast<unsigned>(bodyLength), cut ? u"+" : u"");
      }
      if (location[0]) {
        redirected = true;
        refused = !FollowRedirect(item, location);
      }
      free(location);
    }
  }
  if (refused) result = ST_FAILURE;
  const status_type effective = redirected && !refused ? ST_SUCCESS : result;

  if (item->restype == RES_ROBOTSTXT && effective == ST_SUCCESS && !siteSettings.IgnoreRobotsTxt) {
    TakeRobotsText(body, bodyLength);
  } else if (effective == ST_SUCCESS || effective == ST_NOTTEXT) {
    const bool parse = item->flags == 1 && !pageIndexed;
    if (item->restype == RES_HTML) {
      const bool anchors = item->flags == 1 || item->bookmark[0];
      // Two links to one page, with and without a bookmark, parse it once.
      const bool parsed = parse && ClaimPageParse(item);
      if (parsed || anchors) StartParseHtmlData(item, parsed, anchors, body, bodyLength);
    } else if (item->restype == RES_STYLESHEET && parse) {
      ParseStyleSheet(item, body, bodyLength);
    }
    if (item->bookmark[0] && !redirected) CheckBookmark(item);
  }
  if (settings && settings->UseCache) SaveCachedFile(item, data, length);
  return result;
}

bool CLinkFinder::FollowRedirect(tagTreeListItemFull* item, WCHAR* location) {
  if (item->bookmark[0] && !std::char_traits<char16_t>::find(
                               location, std::char_traits<char16_t>::length(location), u'#')) {
    const int used = static_cast<int>(std::char_traits<char16_t>::length(location));
    CopyText(location + used, kLocationUnits - used, item->bookmark);
  }
  if (!RedirectSchemeFollowable(location)) {
    FormatStringW(item->statusstr, sizeof item->statusstr / sizeof item->statusstr[0],
                  LanguageText(STR_Status_RedirectRefused), location);
    return false;
  }
  tagTreeListItemFull* target = static_cast<tagTreeListItemFull*>(calloc(1, sizeof *target));
  if (!target) return true;
  RedirectVerdict verdict = RedirectVerdict::Follow;
  std::u16string chain;
  if (!FillItemWithURL(location, item->Url, target, nullptr)) {
    target->statusval = STATUSVAL_BROKEN;
  } else {
    try {
      verdict =
          redirects.Enter(RedirectKey(*item), item->Url, RedirectKey(*target), target->Url, &chain);
    } catch (const std::bad_alloc&) {
      // Without room to remember the chain the target is not queued: it might never end.
      free(target);
      return true;
    }
  }
  // The note stays below 256 units: the location or the chain is cut to fit.
  WCHAR note[256];
  if (verdict == RedirectVerdict::Loop) {
    CopyField(item->statusstr, LanguageText(STR_Status_RedirectLoop));
    CopyText(note, 256, chain.c_str());
  } else {
    FormatStringW(note, 256, u"%s %s", LanguageText(STR_Status_RedirectsTo), location);
  }
  AppendItemComment(item, note);
  if (verdict == RedirectVerdict::TooMany) {
    CopyField(item->statusstr, LanguageText(STR_Status_TooManyRedirects));
  } else if (verdict == RedirectVerdict::Follow) {
    CopyField(target->rel_url, item->rel_url);
    CopyField(target->title, item->title);
    CopyField(target->rel_title, item->rel_title);
    target->line = item->line;
    target->col = item->col;
    QueueLink(target);
  }
  free(target);
  return verdict == RedirectVerdict::Follow;
}

int CLinkFinder::PageIndexed(const tagTreeListItemFull* item) {
  if (item->restype != RES_HTML ||
      (item->protocol != PROTOCOL_HTTP && item->protocol != PROTOCOL_HTTPS)) {
    return 0;
  }
  ScopeLock hold(lock);
  return bookmarks &&
         bookmarks->HasPage(item->protocol, item->username, item->userpass, item->server,
                            static_cast<int32_t>(item->port), item->resource);
}

int CLinkFinder::ClaimPageParse(const tagTreeListItemFull* page) {
  ScopeLock hold(lock);
  if (!bookmarks) return 1;
  const int32_t port = static_cast<int32_t>(page->port);
  if (bookmarks->HasPage(page->protocol, page->username, page->userpass, page->server, port,
                         page->resource)) {
    return 0;
  }
  bookmarks->AddPage(page->protocol, page->username, page->userpass, page->server, port,
                     page->resource);
  return 1;
}

// A run resumed after the worksheet was reopened knows its parsed pages only from the file:
// without them a link to such a page with a bookmark would parse the page again and list
// every link on it a second time. A page that was parsed was checked for links (flags 1)
// and downloaded as text or as content of another type.
void CLinkFinder::NoteStoredPage(int32_t protocol, const char* username, const char* userpass,
                                 const char* server, int32_t port, const char* resource,
                                 int32_t restype, int32_t flags, int32_t statusval) {
  if (!storedPages || restype != RES_HTML || flags != 1 ||
      (protocol != PROTOCOL_HTTP && protocol != PROTOCOL_HTTPS) ||
      (statusval != STATUSVAL_OK && statusval != STATUSVAL_NOTCHECKABLE)) {
    return;
  }
  std::unique_ptr<tagTreeListItemFull> page(new (std::nothrow) tagTreeListItemFull);
  if (!page) return;
  LinkToTreeItem(page.get(), protocol, username, userpass, server, port, resource, "", "", restype,
                 flags, "", "", "", "", "", "", "", statusval, 0, 0, "", "", 0, 0, 0, 0);
  try {
    storedPages->push_back({page->protocol, page->username, page->userpass, page->server,
                            static_cast<int32_t>(page->port), page->resource});
  } catch (const std::bad_alloc&) {
    // The page may then be parsed once more: its links are found again, nothing is lost.
  }
}

void CLinkFinder::EnterStoredPages() {
  if (!storedPages) return;
  ScopeLock hold(lock);
  for (const StoredPage& page : *storedPages) {
    bookmarks->AddPage(page.protocol, page.username.c_str(), page.userpass.c_str(),
                       page.server.c_str(), page.port, page.resource.c_str());
  }
}

void CLinkFinder::CheckBookmark(tagTreeListItemFull* item) {
  int declared = 0;
  {
    ScopeLock hold(lock);
    declared = bookmarks && bookmarks->HasBookmark(item->protocol, item->username, item->userpass,
                                                   item->server, static_cast<int32_t>(item->port),
                                                   item->resource, item->bookmark);
  }
  WCHAR text[256];
  FormatStringW(text, 256,
                LanguageText(declared ? STR_Status_BookmarkFound : STR_Status_BookmarkNotFound),
                item->bookmark);
  if (declared) {
    AppendItemComment(item, text);
    CopyField(item->statusstr, LanguageText(STR_Status_OK));
  } else {
    CopyField(item->statusstr, text);
  }
}

void CLinkFinder::TakeRobotsText(const char* body, unsigned long length) {
  {
    ScopeLock hold(lock);
    if (!robotsText.empty()) return;
  }
  // Only the part that is read is kept (a robots.txt is ASCII: a byte is a unit), and one
  // unit more, which tells the reader whether the limit cut a line.
  if (length > kRobotsTxtMaxUnits + 1) length = kRobotsTxtMaxUnits + 1;
  // The converter writes at most size - 2 units: two more than the bytes keep the last.
  uint32_t size = static_cast<uint32_t>(length) + 2;
  WCHAR* text = static_cast<WCHAR*>(calloc(size, sizeof(WCHAR)));
  if (!text) return;
  const bool converted =
      ConvertToUnicode("US-ASCII", body, static_cast<uint32_t>(length), text, &size) == CHARSET_OK;
  bool taken = false;
  if (converted) {
    ScopeLock hold(lock);
    if (robotsText.empty()) {
      try {
        robotsText.assign(text, size);
        robotsRules.reset();
        taken = true;
      } catch (const std::bad_alloc&) {
      }
    }
  }
  free(text);
  if (taken) SaveOptions();
}
