// The records shared by the engine, the database and the shell: status values, composed addresses,
// default site settings.
#include "engine/Records.h"

#include <cstring>

#include "engine/TextCopy.h"
#include "toolkit/Format.h"

int32_t StatusValFromStatusType(status_type status) {
  switch (status) {
    case ST_SUCCESS:
      return STATUSVAL_OK;
    case ST_FAILURE:
      return STATUSVAL_BROKEN;
    case ST_LIMIT:
      return STATUSVAL_SKIPPED;
    case ST_NOTTEXT:
      return STATUSVAL_NOTCHECKABLE;
    case ST_TRANSIENT:
      return STATUSVAL_BROKEN_RETRIED;
  }
  return STATUSVAL_BROKEN;
}

namespace {

constexpr int kUrlUnits = sizeof(tagTreeListItemFull::Url) / sizeof(char16_t);

// Appends to item.Url; once the field is full further pieces are dropped.
struct UrlWriter {
  char16_t* url;
  int length = 0;

  template <typename... Args>
  void Add(const char16_t* format, Args... args) {
    length += FormatStringW(url + length, kUrlUnits - length, format, args...);
  }
};

void AddUserAndServer(UrlWriter& out, const tagTreeListItemFull& item) {
  if (item.username[0] || item.userpass[0]) out.Add(u"%s:%s@", item.username, item.userpass);
  out.Add(u"%s", item.server);
}

void AddPort(UrlWriter& out, uint32_t port, uint32_t defaultPort) {
  if (port != defaultPort) out.Add(u":%u", port);
}

// The parser takes a bookmark out of path#name?query; it goes back where it was written.
void AddResourceWithBookmark(UrlWriter& out, const tagTreeListItemFull& item) {
  if (!item.bookmark[0]) {
    out.Add(u"%s", item.resource);
    return;
  }
  int query = 0;
  while (item.resource[query] && item.resource[query] != u'?') ++query;
  out.Add(u"%.*s%s%s", query, item.resource, item.bookmark, item.resource + query);
}

}  // namespace

void ComposeItemUrl(tagTreeListItemFull& item) {
  UrlWriter out{item.Url};
  item.Url[0] = 0;
  switch (item.protocol) {
    case PROTOCOL_HTTP:
    case PROTOCOL_HTTPS: {
      const bool http = item.protocol == PROTOCOL_HTTP;
      out.Add(http ? u"http://" : u"https://");
      AddUserAndServer(out, item);
      AddPort(out, item.port, http ? 80 : 443);
      AddResourceWithBookmark(out, item);
      break;
    }
    case PROTOCOL_FTP:
    case PROTOCOL_RTSP: {
      const bool ftp = item.protocol == PROTOCOL_FTP;
      out.Add(ftp ? u"ftp://" : u"rtsp://");
      AddUserAndServer(out, item);
      AddPort(out, item.port, ftp ? 21 : 554);
      out.Add(u"%s", item.resource);
      break;
    }
    case PROTOCOL_FILE:
      out.Add(u"file://%s", item.server);
      AddResourceWithBookmark(out, item);
      break;
    default:
      CopyField(item.Url, item.resource);
  }
}

void InitSiteSettings(tagSITESETTINGS& site) {
  std::memset(&site, 0, sizeof site);
  site.CheckHyperlinks = 1;
  site.CheckImages = 1;
  site.CheckOthers = 1;
  site.RecheckBadLinksTimes = 5;
  site.CheckLevel = 10;
  site.SizeLimitKB = 100;
  site.LinksLimitValue = 500000;
  CopyField(site.sOnlyWildcard, u"*");
}
