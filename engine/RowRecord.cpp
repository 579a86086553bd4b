#include "engine/RowRecord.h"

#include <cstring>

#include "engine/TextHelpers.h"

namespace {

template <std::size_t N>
void Put(char16_t (&field)[N], const char* text) {
  if (!text) return;
  const int units =
      Utf8ToUtf16(text, static_cast<uint32_t>(std::strlen(text)), field, static_cast<int>(N) - 1);
  field[units] = 0;
}

}  // namespace

void RowToTreeItem(tagTreeListItemFull* item, FINDER_ROW_PARAMS) {
  std::memset(item, 0, sizeof *item);
  item->protocol = protocol;
  Put(item->username, username);
  Put(item->userpass, userpass);
  Put(item->server, server);
  item->port = static_cast<uint32_t>(port);
  Put(item->resource, resource);
  Put(item->bookmark, bookmark);
  Put(item->comment, comment);
  item->restype = restype;
  item->flags = flags;
  Put(item->title, title);
  Put(item->statusstr, statusstr);
  Put(item->commentstr, commentstr);
  Put(item->content, content);
  Put(item->ressize, ressize);
  Put(item->lastmod, lastmod);
  Put(item->charset, charset);
  item->statusval = statusval;
  item->attempt = attempt;
  item->restime = restime;
  Put(item->rel_url, rel_url);
  Put(item->rel_title, rel_title);
  item->line = line;
  item->col = col;
  item->extern_ = extern_;
  item->dir = dir;
  ComposeItemUrl(*item);
}
