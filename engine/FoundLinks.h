// A found link's texts as UTF-8 in the sizes of the database layer's buffers, and the links
// of one page gathered to be queued in one step. Neutral header; any thread.
#pragma once

#include <deque>
#include <vector>

#include "engine/Records.h"
#include "scandb/ScanDb.h"

// Every text reaches a column whole or cut at a character boundary.
class Utf8Link {
 public:
  explicit Utf8Link(const tagTreeListItemFull& item);
  char username[DB_TEXT_SIZE];
  char userpass[DB_TEXT_SIZE];
  char server[DB_TEXT_SIZE];
  char resource[DB_LONG_SIZE];
  char bookmark[DB_TEXT_SIZE];
  char comment[DB_TEXT_SIZE];
  char rel_url[DB_LONG_SIZE];
  char rel_title[DB_TEXT_SIZE];
  char title[DB_TEXT_SIZE];
  char statusstr[DB_TEXT_SIZE];
  char commentstr[DB_TEXT_SIZE];
  char content[DB_SHORT_SIZE];
  char ressize[DB_SHORT_SIZE];
  char lastmod[DB_SHORT_SIZE];
  char charset[DB_SHORT_SIZE];
};

// The rows point into the texts, which stay where they are while more are added.
struct FoundLinks {
  std::deque<Utf8Link> texts;
  std::vector<tagDBFOUNDLINK> rows;
};
