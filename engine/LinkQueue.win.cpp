// The way of a found link into the database and back: its queueing, and the conversions
// between a record and the UTF-8 columns of a stored or queued row. Any thread.
#include <cstring>
#include <new>

#include "engine/FoundLinks.h"
#include "engine/LinkFinder.h"
#include "engine/TextHelpers.h"
#include "scandb/ScanDb.h"

namespace {

template <size_t N>
void Field(char16_t (&field)[N], const char* text) {
  Utf8ToUtf16Z(text, field, static_cast<int>(N));
}

}  // namespace

Utf8Link::Utf8Link(const tagTreeListItemFull& item) {
  const struct {
    const char16_t* text;
    const char** out;
    int size;
  } fields[] = {
      {item.username, &username, DB_TEXT_SIZE},     {item.userpass, &userpass, DB_TEXT_SIZE},
      {item.server, &server, DB_TEXT_SIZE},         {item.resource, &resource, DB_LONG_SIZE},
      {item.bookmark, &bookmark, DB_TEXT_SIZE},     {item.comment, &comment, DB_TEXT_SIZE},
      {item.rel_url, &rel_url, DB_LONG_SIZE},       {item.rel_title, &rel_title, DB_TEXT_SIZE},
      {item.title, &title, DB_TEXT_SIZE},           {item.statusstr, &statusstr, DB_TEXT_SIZE},
      {item.commentstr, &commentstr, DB_TEXT_SIZE}, {item.content, &content, DB_SHORT_SIZE},
      {item.ressize, &ressize, DB_SHORT_SIZE},      {item.lastmod, &lastmod, DB_SHORT_SIZE},
      {item.charset, &charset, DB_SHORT_SIZE},
  };
  size_t starts[sizeof fields / sizeof *fields];
  char text[DB_LONG_SIZE];
  for (size_t i = 0; i < sizeof fields / sizeof *fields; ++i) {
    Utf16ToUtf8Z(fields[i].text, text, fields[i].size);
    starts[i] = texts.size();
    texts.append(text, strlen(text) + 1);
  }
  // Only now, when the block has stopped growing, do the texts stay where they are.
  for (size_t i = 0; i < sizeof fields / sizeof *fields; ++i)
    *fields[i].out = texts.data() + starts[i];
}

bool CLinkFinder::AllowLink(tagTreeListItemFull* item) {
  const int allowed = CheckLinkAllowed(item);
  if (allowed == 2) return false;
  if (allowed == 1) item->flags = 0;
  return true;
}

void CLinkFinder::CountFound(uint32_t links) {
  if (!links) return;
  found += links;
  ScopeLock hold(lock);
  // At most one redraw per 250 ms, like a checked link: a page queues dozens at once.
  DrawRelativeProgress(0);
}

void CLinkFinder::QueueLink(tagTreeListItemFull* item) {
  if (AllowLink(item) && AddLink(item)) CountFound(1);
}

void CLinkFinder::CollectLink(FoundLinks* batch, tagTreeListItemFull* item) {
  if (!AllowLink(item)) return;
  // A link with a known outcome is recorded at once; so is one that finds no room.
  if (!item->statusval) {
    try {
      const Utf8Link& t = batch->texts.emplace_back(*item);
      batch->rows.push_back(tagDBFOUNDLINK{
          item->protocol, t.username, t.userpass, t.server, static_cast<int32_t>(item->port),
          t.resource, t.bookmark, t.comment, item->restype, item->flags, t.rel_url, t.rel_title,
          item->line, item->col, item->extern_, item->dir});
      return;
    } catch (const std::bad_alloc&) {
    }
  }
  if (AddLink(item)) CountFound(1);
}

void CLinkFinder::QueueLinks(FoundLinks* batch) {
  const size_t count = batch->rows.size();
  if (!count) return;
  std::unique_ptr<int32_t[]> results(new (std::nothrow) int32_t[count]);
  uint32_t queued = 0;
  if (results) {
    DBAddLinksFound(context, batch->rows.data(), static_cast<int32_t>(count), results.get());
    for (size_t i = 0; i < count; ++i) queued += results[i] ? 1 : 0;
  }
  batch->rows.clear();
  batch->texts.clear();
  CountFound(queued);
}

int CLinkFinder::AddLink(tagTreeListItemFull* item) {
  return item->statusval ? AddLinkProcessed(item) : AddLinkFound(item);
}

int CLinkFinder::AddLinkFound(tagTreeListItemFull* item) {
  try {
    const Utf8Link row(*item);
    return DBAddLinkFound(context, item->protocol, row.username, row.userpass, row.server,
                          static_cast<int32_t>(item->port), row.resource, row.bookmark, row.comment,
                          item->restype, item->flags, row.rel_url, row.rel_title, item->line,
                          item->col, item->extern_, item->dir);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CLinkFinder::AddLinkProcessed(tagTreeListItemFull* item) {
  try {
    const Utf8Link row(*item);
    return DBAddLinkProcessed(context, item->protocol, row.username, row.userpass, row.server,
                              static_cast<int32_t>(item->port), row.resource, row.bookmark,
                              row.comment, item->restype, item->flags, row.title, row.statusstr,
                              row.commentstr, row.content, row.ressize, row.lastmod, row.charset,
                              item->statusval, item->attempt, item->restime, row.rel_url,
                              row.rel_title, item->line, item->col, item->extern_, item->dir);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

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
