// The redirect rule of a Location value, the stored identity of a link and the chains of a run.
#include "engine/Redirects.h"

#include "engine/AsciiText.h"
#include "engine/Records.h"
#include "engine/TextHelpers.h"
#include "engine/UrlParts.h"
#include "scandb/ScanDb.h"

namespace {

// Address fields and the sizes of their columns.
template <size_t N>
void AppendField(std::string& key, const char16_t (&field)[N], int size) {
  std::string bytes(static_cast<size_t>(size), '\0');
  bytes.resize(static_cast<size_t>(Utf16ToUtf8Z(field, &bytes[0], size)));
  key += bytes;
  key += '\x01';
}

}  // namespace

bool RedirectSchemeFollowable(const char16_t* location) {
  const std::u16string_view text(location);
  const size_t length = UrlSchemeLength(text);
  if (length == 0) return true;
  std::string scheme;
  for (char16_t c : text.substr(0, length)) scheme += static_cast<char>(AsciiLower(c));
  return scheme == "http" || scheme == "https" || scheme == "ftp";
}

std::string RedirectKey(const tagTreeListItemFull& item) {
  std::string key = std::to_string(item.protocol) + '\x01' + std::to_string(item.port) + '\x01';
  AppendField(key, item.username, DB_TEXT_SIZE);
  AppendField(key, item.userpass, DB_TEXT_SIZE);
  AppendField(key, item.server, DB_TEXT_SIZE);
  AppendField(key, item.resource, DB_LONG_SIZE);
  AppendField(key, item.bookmark, DB_TEXT_SIZE);
  return key;
}

RedirectVerdict RedirectChains::Enter(const std::string& from, const std::u16string& fromUrl,
                                      const std::string& to, const std::u16string& toUrl,
                                      std::u16string* chain) {
  std::lock_guard<std::mutex> hold(lock_);
  Hop& source = hops_.try_emplace(from).first->second;
  if (source.url.empty()) source.url = fromUrl;
  source.next = to;
  const int depth = source.depth;

  // A loop longer than the longest chain ends as too many redirects before it closes.
  std::string at = to;
  for (int step = 0; at != from && step <= kMaxRedirects; ++step) {
    const auto hop = hops_.find(at);
    if (hop == hops_.end() || hop->second.next.empty()) break;
    at = hop->second.next;
  }
  if (at == from) {
    if (chain) {
      // The walk above met every link of the loop: each has its hop. A note holds 255 units.
      *chain = fromUrl;
      for (std::string link = to; chain->size() < 256; link = hops_.at(link).next) {
        *chain += u" -> ";
        *chain += link == from ? fromUrl : hops_.at(link).url;
        if (link == from) break;
      }
    }
    return RedirectVerdict::Loop;
  }
  if (depth >= kMaxRedirects) return RedirectVerdict::TooMany;
  const auto target = hops_.try_emplace(to);
  if (target.second) {
    target.first->second.depth = depth + 1;
    target.first->second.url = toUrl;
  }
  return RedirectVerdict::Follow;
}

void RedirectChains::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  hops_.clear();
}
