// A found link's texts as UTF-8 in the sizes of the database layer's buffers, and the links
// of one page gathered to be queued in one step. Neutral header; any thread.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "engine/Records.h"
#include "scandb/ScanDb.h"

// Every text reaches a column whole or cut at a character boundary. The texts are kept in one
// block of their own length, not in column-sized buffers: a page may hold hundreds of
// thousands of links, all gathered before they are queued.
class Utf8Link {
 public:
  // Throws std::bad_alloc when the texts find no room.
  explicit Utf8Link(const tagTreeListItemFull& item);
  Utf8Link(const Utf8Link&) = delete;
  Utf8Link& operator=(const Utf8Link&) = delete;

  const char* username;
  const char* userpass;
  const char* server;
  const char* resource;
  const char* bookmark;
  const char* comment;
  const char* rel_url;
  const char* rel_title;
  const char* title;
  const char* statusstr;
  const char* commentstr;
  const char* content;
  const char* ressize;
  const char* lastmod;
  const char* charset;

 private:
  std::string texts;  // each text with its NUL; the pointers above point into it
};

// The rows point into the texts, which stay where they are while more are added.
struct FoundLinks {
  std::deque<Utf8Link> texts;
  std::vector<tagDBFOUNDLINK> rows;
};
