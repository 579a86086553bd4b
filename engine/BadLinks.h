// The broken links a re-check queues again, each once. Neutral header; the list belongs
// to the thread that fills it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct BadLink {
  int32_t protocol;
  std::string username, userpass, server;
  int32_t port;
  std::string resource, bookmark, comment;  // UTF-8
  int32_t restype;
  int32_t flags;
  int32_t broken;  // 1 the broken link itself, 0 a page that links to one
};

struct BadLinkList {
  int32_t ignoreCase = 0;  // the site's case rule for resources
  std::vector<BadLink> entries;
  std::unordered_map<std::string, size_t> index;
};

// Adds the link unless the list holds one with the same protocol, port, user name and
// password, the same server, bookmark and comment ignoring case and the same resource
// under the case rule; a page met again as a broken link becomes broken.
void CollectBadLink(BadLinkList& list, const BadLink& link);
