// The check of one queued link on a worker thread: restrictions, then the download by protocol.
#include "engine/CheckLinkHook.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "app/SettingsRecord.h"
#include "engine/DownloadTail.h"
#include "engine/DownloaderFields.h"
#include "engine/LinkFinder.h"
#include "engine/LinkRules.h"
#include "engine/StatusCodeList.h"
#include "engine/TextCopy.h"
#include "engine/TextHelpers.h"
#include "net/Downloader.h"
#include "scandb/ScanDb.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"

std::atomic<CheckLinkHook> g_checkLinkHook{nullptr};

namespace {

// A bounded, terminated copy of a byte text.
void CopyBytesZ(char* out, size_t size, const char* text) {
  const size_t length = strnlen(text, size - 1);
  memcpy(out, text, length);
  out[length] = 0;
}

}  // namespace

int32_t CLinkFinder::query_url_func(int32_t protocol, const char* username, const char* userpass,
                                    const char* server, int32_t port, const char* resource,
                                    const char* bookmark, const char* comment, int32_t restype,
                                    int32_t flags, char* title, char* statusstr, char* commentstr,
                                    char* content, char* ressize, char* lastmod, char* charset,
                                    int32_t* statusval, int32_t* attempt, int32_t* restime,
                                    const char* rel_url, const char* rel_title, int32_t line,
                                    int32_t col, int32_t extern_, int32_t dir) {
  const uint32_t limit = siteSettings.LinksLimitValue;
  const std::atomic<uint32_t>* counters[] = {&found, &processed, &checked, &broken};
  const int32_t limitType = siteSettings.LinksLimitType;
  if (limitType >= 1 && limitType <= 4 && *counters[limitType - 1] >= limit) {
    pauseRequested = 0;
    stopPending = 1;
    DBStopWorkers(context);
    return 0;
  }

  tagTreeListItemFull* item = static_cast<tagTreeListItemFull*>(calloc(1, sizeof *item));
  if (!item) return 0;
  LinkToTreeItem(item, protocol, username, userpass, server, port, resource, bookmark, comment,
                 restype, flags, "", "", "", "", "", "", "", 0, 0, 0, rel_url, rel_title, line, col,
                 extern_, dir);
  const int row = InsertCheckingRow(item);

  CheckState state;
  state.row = row;
  state.pageIndexed = PageIndexed(item);
  status_type result = ST_SUCCESS;
  do {
    if (const CheckLinkHook hook = g_checkLinkHook) hook(item);
    result = CheckOnce(item, &state);
  } while (state.repeat || state.getRetry);

  if (state.skipped) {
    item->statusval = STATUSVAL_SKIPPED;
  } else if (!state.checkable) {
    item->statusval = STATUSVAL_NOTCHECKABLE;
  } else {
    item->statusval = StatusValFromStatusType(result);
  }

  // The pool's buffers are 257 and 51 bytes: cut by bytes, never inside a character.
  {
    ScopeLock hold(lock);
    FinishRow(item, row);
    PrintConsoleLines(item);
    Utf16ToUtf8Z(item->title, title, DB_TEXT_SIZE);
    Utf16ToUtf8Z(item->statusstr, statusstr, DB_TEXT_SIZE);
    Utf16ToUtf8Z(item->commentstr, commentstr, DB_TEXT_SIZE);
    Utf16ToUtf8Z(item->content, content, DB_SHORT_SIZE);
    Utf16ToUtf8Z(item->ressize, ressize, DB_SHORT_SIZE);
    Utf16ToUtf8Z(item->lastmod, lastmod, DB_SHORT_SIZE);
    Utf16ToUtf8Z(item->charset, charset, DB_SHORT_SIZE);
    *statusval = item->statusval;
    *attempt = item->attempt;
    *restime = item->restime;
    // Every link would otherwise cost the GUI thread a full redraw; the timer, the end of the
    // run and every paint draw the graphic in full anyway.
    DrawRelativeProgress(0);
  }
  free(item);
  return 1;
}

// One pass of the check loop: the restrictions, then the download by protocol.
status_type CLinkFinder::CheckOnce(tagTreeListItemFull* item, CheckState* state) {
  state->skipped = 0;
  state->checkable = 1;
  char userAgent[1024] = "";
  if (settings && settings->GetUserAgent) settings->GetUserAgent(userAgent, sizeof userAgent);

  int restriction = -1;
  if (IsRobotsTxtDisallowed(item->resource, userAgent)) {
    restriction = STR_Status_DisallowedRobots;
  } else if (IsWildcardRestricted(item)) {
    restriction = STR_Status_DisallowedWildcard;
  } else if (IsDomainRestricted(item)) {
    restriction = STR_Status_DisallowedDomain;
  } else if (IsBookmarkRestricted(item)) {
    restriction = STR_Status_DisallowedBookmark;
  }
  if (restriction >= 0) {
    CopyField(item->statusstr, LanguageText(STR_Status_SKIPPED));
    AppendItemComment(item, LanguageText(restriction));
    state->skipped = 1;
    state->repeat = 0;
    state->getRetry = 0;
    return ST_LIMIT;
  }
  if (item->protocol == PROTOCOL_FILE) return DownloadFile(item, state);
  if (item->protocol == PROTOCOL_HTTP) return DownloadHttp<CHTTPDnld>(item, state, userAgent);
  if (item->protocol == PROTOCOL_HTTPS) return DownloadHttp<CSSLDnld>(item, state, userAgent);
  if (item->protocol == PROTOCOL_FTP) return DownloadFtp(item, state);
  if (item->protocol == PROTOCOL_RTSP) return DownloadRtsp(item, state);
  CopyField(item->statusstr, LanguageText(STR_Curl_101));
  state->checkable = 0;
  state->repeat = 0;
  state->getRetry = 0;
  return ST_FAILURE;
}

status_type CLinkFinder::DownloadFile(tagTreeListItemFull* item, CheckState* state) {
  std::unique_ptr<CFILEDnld> dnld(new (std::nothrow) CFILEDnld);
  if (!dnld) return NoDownloader(item, state);
  const int fileNameSize = sizeof dnld->FileName / sizeof dnld->FileName[0];
  // A name that does not fit is no address of a file here; cut, it would name another.
  if (FormatStringW(dnld->FileName, fileNameSize, u"%s%s", item->server, item->resource) >=
      fileNameSize - 1) {
    CopyField(item->statusstr, LanguageText(STR_Curl_103));
    state->repeat = 0;
    state->getRetry = 0;
    return ST_FAILURE;
  }
  dnld->TimeLimit = SlowLinkLimitMs(siteSettings, settings);
  dnld->SizeLimitType = siteSettings.SizeLimitType;
  dnld->SizeLimit = siteSettings.SizeLimitKB * 1024;
  dnld->ExistenceOnly = (item->flags == 0 || state->pageIndexed) && !item->bookmark[0];
  void* data = nullptr;
  unsigned long length = 0;
  const status_type result = dnld->FILEDownload(&data, &length);
  return FinishDownload(*dnld, {result, data, length, 0, 0, dnld->SentSize, dnld->ReceivedSize},
                        item, state);
}

namespace {

status_type Download(CHTTPDnld* dnld, void** data, unsigned long* length) {
  return dnld->HTTPDownload(data, length);
}

status_type Download(CSSLDnld* dnld, void** data, unsigned long* length) {
  return dnld->SSLDownload(data, length);
}

}  // namespace

template <typename Downloader>
status_type CLinkFinder::DownloadHttp(tagTreeListItemFull* item, CheckState* state,
                                      const char* userAgent) {
  std::unique_ptr<Downloader> dnld(new (std::nothrow) Downloader);
  if (!dnld) return NoDownloader(item, state);
  if (!FillServerFields(dnld.get(), *item) && siteSettings.AuthMethod &&
      !LinkDomainExternal(item->server, item->port)) {
    dnld->AuthType = siteSettings.AuthMethod;
    ToAnsi(siteSettings.sAuthUserName, dnld->UserName);
    ToAnsi(siteSettings.sAuthPassword, dnld->Password);
  }
  if (settings) {
    if (item->protocol == PROTOCOL_HTTPS) {
      FillProxyBlock(dnld.get(), *settings, settings->HTTPSProxyType, settings->HTTPSProxyAddress,
                     settings->HTTPSProxyPort);
    } else {
      FillProxyBlock(dnld.get(), *settings, settings->HTTPProxyType, settings->HTTPProxyAddress,
                     settings->HTTPProxyPort);
    }
    dnld->Http11 = settings->HTTPVer;
    dnld->Timeout = static_cast<int32_t>(settings->URLTimeout);
    dnld->StatusCallback = status_code_in_list_func;
    dnld->StatusUser = settings->HTTPCodes;
  }
  Utf16ToUtf8Z(item->resource, dnld->Path, sizeof dnld->Path);
  CopyBytesZ(dnld->UserAgent, sizeof dnld->UserAgent, userAgent);
  dnld->Cookie =
      siteSettings.IgnoreCookies ? nullptr : HeaderGetCookie(item->server, item->resource);
  dnld->TimeLimit = SlowLinkLimitMs(siteSettings, settings);
  dnld->SizeLimitType = state->getRetry ? 0 : siteSettings.SizeLimitType;
  dnld->SizeLimit = siteSettings.SizeLimitKB * 1024;
  const bool fullRequest =
      state->getRetry || (item->flags == 1 && !state->pageIndexed) || item->bookmark[0];
  dnld->HeadOnly = fullRequest ? 0 : 1;

  void* data = nullptr;
  unsigned long length = 0;
  const status_type result = Download(dnld.get(), &data, &length);
  free(dnld->Cookie);
  dnld->Cookie = nullptr;
  return FinishDownload(*dnld,
                        {result, data, length, dnld->HeaderOffset, dnld->HeaderSize, dnld->SentSize,
                         dnld->ReceivedSize},
                        item, state);
}

// A downloader that cannot be made is a passing shortage of memory: tried again like a
// network failure, then reported.
status_type CLinkFinder::NoDownloader(tagTreeListItemFull* item, CheckState* state) {
  CopyField(item->statusstr, LanguageText(STR_Curl_124));
  ProcessDownload(ST_TRANSIENT, item, state->row, state->pageIndexed, nullptr, 0, 0, 0,
                  &state->repeat, &state->getRetry);
  return ST_TRANSIENT;
}
