// Records built from the UTF-8 columns of a stored or queued row.
#include <cstring>

#include "engine/LinkFinder.h"
#include "engine/TextHelpers.h"

namespace {

template <size_t N>
void Field(char16_t (&field)[N], const char* text) {
  Utf8ToUtf16Z(text, field, static_cast<int>(N));
}

}  // namespace

void CLinkFinder::LinkToTreeItem(tagTreeListItemFull* item, int32_t protocol, const char* username,
                                 const char* userpass, const char* server, int32_t port,
                                 const char* resource, const char* bookmark, const char* comment,
                                 int32_t restype, int32_t flags, const char* title,
                                 const char* statusstr, const char* commentstr, const char* content,
                                 const char* ressize, const char* lastmod, const char* charset,
                                 int32_t statusval, int32_t attempt, int32_t restime,
                                 const char* rel_url, const char* rel_title, int32_t line,
                                 int32_t col, int32_t extern_, int32_t dir) {
  memset(item, 0, sizeof *item);
  item->protocol = protocol;
  Field(item->username, username);
  Field(item->userpass, userpass);
  Field(item->server, server);
  item->port = static_cast<uint32_t>(port);
  Field(item->resource, resource);
  Field(item->bookmark, bookmark);
  Field(item->comment, comment);
  item->restype = restype;
  item->flags = flags;
  Field(item->title, title);
  Field(item->statusstr, statusstr);
  Field(item->commentstr, commentstr);
  Field(item->content, content);
  Field(item->ressize, ressize);
  Field(item->lastmod, lastmod);
  Field(item->charset, charset);
  item->statusval = statusval;
  item->attempt = attempt;
  item->restime = restime;
  Field(item->rel_url, rel_url);
  Field(item->rel_title, rel_title);
  item->line = line;
  item->col = col;
  item->extern_ = extern_;
  item->dir = dir;
  ComposeItemUrl(*item);
}
