// The anchors of the pages parsed during a crawl: for each page, the anchor names it
// declares, in document order and each once. A page is known by its protocol, user name,
// password, server and port, and its resource (path and query) under the site's case rule;
// never by a fragment. Neutral header.
// Not locked: every use of the index happens under the engine lock; a PageAnchors belongs
// to the one thread that builds it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

// The names kept per page; a page declaring more keeps its first ones.
constexpr int kMaxAnchorsPerPage = 20000;

class CBookmarkIndex {
 public:
  using AnchorList = std::vector<std::u16string>;

  // One page's names, in document order and each once; entering and looking up a name take
  // constant time. Built on its own (outside the engine lock), then handed to AddAnchors.
  class PageAnchors {
   public:
    // 1 when the page holds the name afterwards; 0 when it holds kMaxAnchorsPerPage names
    // already. May throw std::bad_alloc, leaving the names as they were.
    int Add(const char16_t* name);
    bool Holds(const char16_t* name) const;
    const AnchorList& List() const { return list_; }

   private:
    AnchorList list_;
    // Each name without its leading "#", case-folded: equal exactly when ICU's caseless
    // compare finds the names equal.
    std::unordered_set<std::u16string> folded_;
  };

  // ignoreCase: resources that differ only in letter case are the same page.
  explicit CBookmarkIndex(int ignoreCase);
  CBookmarkIndex(const CBookmarkIndex&) = delete;
  CBookmarkIndex& operator=(const CBookmarkIndex&) = delete;

  // Forgets every page, then takes the case rule.
  void Reset(int ignoreCase);
  int IgnoreCase() const { return ignoreCase_; }

  // < 0, 0 or > 0 by the case rule.
  int CompareKey(const char16_t* resource1, const char16_t* resource2) const;

  // The page's anchors (owned by the index, valid until it changes), or null.
  const AnchorList* FindPage(int32_t protocol, const char16_t* username, const char16_t* userpass,
                             const char16_t* server, int32_t port, const char16_t* resource) const;
  int HasPage(int32_t protocol, const char16_t* username, const char16_t* userpass,
              const char16_t* server, int32_t port, const char16_t* resource) const;
  // 1 when the page declares the anchor. Names compare without regard to case, and one
  // leading "#" on either side is ignored.
  int HasBookmark(int32_t protocol, const char16_t* username, const char16_t* userpass,
                  const char16_t* server, int32_t port, const char16_t* resource,
                  const char16_t* name) const;
  // Enters the page, with no anchor when it has none yet: 1, or 0 when memory ran out.
  int AddPage(int32_t protocol, const char16_t* username, const char16_t* userpass,
              const char16_t* server, int32_t port, const char16_t* resource);
  // Enters the page and the anchor: 1 when the page holds the name afterwards, 0 when
  // memory ran out (the index is then as it was) or the page is full.
  int AddBookmark(int32_t protocol, const char16_t* username, const char16_t* userpass,
                  const char16_t* server, int32_t port, const char16_t* resource,
                  const char16_t* name);
  // Enters the page with the names, after any it holds already: 1, or 0 when memory ran
  // out. Takes the names' storage.
  int AddAnchors(int32_t protocol, const char16_t* username, const char16_t* userpass,
                 const char16_t* server, int32_t port, const char16_t* resource,
                 PageAnchors&& anchors);

 private:
  // The parts compared without regard to case are kept case-folded.
  struct PageKey {
    std::u16string resource;  // folded only under the case rule
    int32_t protocol;
    int32_t port;
    std::u16string server;
    std::u16string username;
    std::u16string userpass;
    bool operator<(const PageKey& other) const;
  };
  using PageMap = std::map<PageKey, PageAnchors>;

  PageKey MakeKey(int32_t protocol, const char16_t* username, const char16_t* userpass,
                  const char16_t* server, int32_t port, const char16_t* resource) const;

  int ignoreCase_;
  PageMap pages_;
};
