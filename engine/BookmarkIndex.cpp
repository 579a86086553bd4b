// The anchors of the pages parsed during a crawl, looked up by page and name under the site's case
// rule.
#include "engine/BookmarkIndex.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <new>
#include <tuple>

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

}  // namespace

int CBookmarkIndex::PageAnchors::Add(const char16_t* name) {
  std::u16string folded = Folded(WithoutHash(name), true);
  if (folded_.count(folded)) return 1;
  if (list_.size() >= static_cast<size_t>(kMaxAnchorsPerPage)) return 0;
  list_.emplace_back(name ? name : u"");
  try {
    folded_.insert(std::move(folded));
  } catch (const std::bad_alloc&) {
    list_.pop_back();
    throw;
  }
  return 1;
}

bool CBookmarkIndex::PageAnchors::Holds(const char16_t* name) const {
  return folded_.count(Folded(WithoutHash(name), true)) != 0;
}

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
    return found == pages_.end() ? nullptr : &found->second.List();
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
  try {
    const auto found = pages_.find(MakeKey(protocol, username, userpass, server, port, resource));
    return found != pages_.end() && found->second.Holds(name);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CBookmarkIndex::AddPage(int32_t protocol, const char16_t* username, const char16_t* userpass,
                            const char16_t* server, int32_t port, const char16_t* resource) {
  try {
    pages_.emplace(MakeKey(protocol, username, userpass, server, port, resource), PageAnchors());
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CBookmarkIndex::AddBookmark(int32_t protocol, const char16_t* username,
                                const char16_t* userpass, const char16_t* server, int32_t port,
                                const char16_t* resource, const char16_t* name) {
  try {
    const auto [page, added] =
        pages_.try_emplace(MakeKey(protocol, username, userpass, server, port, resource));
    try {
      return page->second.Add(name);
    } catch (const std::bad_alloc&) {
      if (added) pages_.erase(page);
      return 0;
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int CBookmarkIndex::AddAnchors(int32_t protocol, const char16_t* username, const char16_t* userpass,
                               const char16_t* server, int32_t port, const char16_t* resource,
                               PageAnchors&& anchors) {
  try {
    PageAnchors& page = pages_[MakeKey(protocol, username, userpass, server, port, resource)];
    // A page is parsed once per crawl, so its entry is almost always still empty.
    if (page.List().empty()) {
      page = std::move(anchors);
      return 1;
    }
    for (const std::u16string& name : anchors.List()) page.Add(name.c_str());
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}
