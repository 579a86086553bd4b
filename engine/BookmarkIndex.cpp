// The anchors of the pages parsed during a crawl, looked up by page and name under the site's case
// rule.
#include "engine/BookmarkIndex.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <new>
#include <tuple>

#include "engine/TextHelpers.h"

namespace {

// Folded texts compare as ICU's caseless compare does.
std::u16string Folded(const char16_t* text, bool fold) {
  if (!text) return std::u16string();
  if (!fold) return std::u16string(text);
  icu::UnicodeString folded(text);
  folded.foldCase(U_FOLD_CASE_DEFAULT);
  return std::u16string(folded.getBuffer(), static_cast<size_t>(folded.length()));
}

const char16_t* WithoutHash(const char16_t* name) {
  if (!name) return u"";
  return name[0] == u'#' ? name + 1 : name;
}

bool ListHolds(const CBookmarkIndex::AnchorList& list, const char16_t* name) {
  const char16_t* wanted = WithoutHash(name);
  for (const std::u16string& stored : list) {
    if (UnicodeCompare(WithoutHash(stored.c_str()), wanted, 1) == 0) return true;
  }
  return false;
}

}  // namespace

CBookmarkIndex::CBookmarkIndex(int ignoreCase) : ignoreCase_(ignoreCase) {}

void CBookmarkIndex::Reset(int ignoreCase) {
  pages_.clear();
  ignoreCase_ = ignoreCase;
}

int CBookmarkIndex::CompareKey(const char16_t* resource1, const char16_t* resource2) const {
  return Folded(resource1, ignoreCase_).compare(Folded(resource2, ignoreCase_));
}

// The resource first; the other parts only tell apart pages with equal resources.
bool CBookmarkIndex::PageKey::operator<(const PageKey& other) const {
  return std::tie(resource, protocol, port, server, username, userpass) <
         std::tie(other.resource, other.protocol, other.port, other.server, other.username,
                  other.userpass);
}

CBookmarkIndex::PageKey CBookmarkIndex::MakeKey(int32_t protocol, const char16_t* username,
                                                const char16_t* userpass, const char16_t* server,
                                                int32_t port, const char16_t* resource) const {
  return PageKey{
      Folded(resource, ignoreCase_), protocol, port, Folded(server, true), Folded(username, true),
      Folded(userpass, true)};
}

const CBookmarkIndex::AnchorList* CBookmarkIndex::FindPage(int32_t protocol,
                                                           const char16_t* username,
                                                           const char16_t* userpass,
                                                           const char16_t* server, int32_t port,
                                                           const char16_t* resource) const {
  try {
    const auto found = pages_.find(MakeKey(protocol, username, userpass, server, port, resource));
    return found == pages_.end() ? nullptr : &found->second;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int CBookmarkIndex::HasPage(int32_t protocol, const char16_t* username, const char16_t* userpass,
                            const char16_t* server, int32_t port, const char16_t* resource) const {
  return FindPage(protocol, username, userpass, server, port, resource) != nullptr;
}

int CBookmarkIndex::HasBookmark(int32_t protocol, const char16_t* username,
                                const char16_t* userpass, const char16_t* server, int32_t port,
                                const char16_t* resource, const char16_t* name) const {
  const AnchorList* list = FindPage(protocol, username, userpass, server, port, resource);
  return list && ListHolds(*list, name);
}

int CBookmarkIndex::AddPage(int32_t protocol, const char16_t* username, const char16_t* userpass,
                            const char16_t* server, int32_t port, const char16_t* resource) {
  try {
    pages_.emplace(MakeKey(protocol, username, userpass, server, port, resource), AnchorList());
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CBookmarkIndex::AddBookmark(int32_t protocol, const char16_t* username,
                                const char16_t* userpass, const char16_t* server, int32_t port,
                                const char16_t* resource, const char16_t* name) {
  try {
    const PageKey key = MakeKey(protocol, username, userpass, server, port, resource);
    const auto found = pages_.find(key);
    if (found != pages_.end()) {
      if (!ListHolds(found->second, name)) found->second.emplace_back(name ? name : u"");
      return 1;
    }
    AnchorList list(1, name ? name : u"");
    pages_.emplace(key, std::move(list));
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}
