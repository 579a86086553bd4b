// The redirect rules of a run: which targets a redirect may lead to, and the chains of
// redirects seen so far, which end loops and endless chains. Neutral header; any thread.
#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

struct tagTreeListItemFull;

// The longest chain of redirects followed from one link, as browsers allow.
constexpr int kMaxRedirects = 20;

// True when a Location value names no scheme (it resolves against the page it came from)
// or names http, https or ftp: a server must not steer the checker anywhere else, least
// of all into this machine's files.
bool RedirectSchemeFollowable(const char16_t* location);

// A link's identity as its stored row holds it: the address fields cut as the worksheet
// file cuts them, so a queued target and the same link read back for its check agree.
std::string RedirectKey(const tagTreeListItemFull& item);

enum class RedirectVerdict { Follow, Loop, TooMany };

class RedirectChains {
 public:
  // Enters the redirect of the link `from` to `to` (RedirectKey values, with their URLs for
  // the note) and judges it: Loop when `to` leads back to `from` through redirects entered
  // before, TooMany when `from` was itself reached by kMaxRedirects redirects; a followed
  // target carries the count of `from` plus one. With Loop, *chain gets the URLs from
  // `from` round to it, joined by " -> ".
  RedirectVerdict Enter(const std::string& from, const std::u16string& fromUrl,
                        const std::string& to, const std::u16string& toUrl, std::u16string* chain);
  // Forgets every chain: a new run starts.
  void Clear();

 private:
  struct Hop {
    int depth = 0;     // redirects that led to this link
    std::string next;  // where it redirects to; empty until it was checked
    std::u16string url;
  };
  std::mutex lock_;
  std::unordered_map<std::string, Hop> hops_;
};
