// Collects the broken links a re-check queues again, each once.
#include "engine/BadLinks.h"

#include "engine/TextHelpers.h"

namespace {

void Append(std::string& key, const std::string& part) {
  key += std::to_string(part.size());
  key += ':';
  key += part;
}

}  // namespace

void CollectBadLink(BadLinkList& list, const BadLink& link) {
  std::string key = std::to_string(link.protocol) + ':' + std::to_string(link.port) + ':';
  Append(key, link.username);
  Append(key, link.userpass);
  Append(key, FoldCaseUTF8(link.server.c_str()));
  Append(key, FoldCaseUTF8(link.bookmark.c_str()));
  Append(key, FoldCaseUTF8(link.comment.c_str()));
  Append(key, list.ignoreCase ? FoldCaseUTF8(link.resource.c_str()) : link.resource);
  auto found = list.index.find(key);
  if (found != list.index.end()) {
    if (link.broken) list.entries[found->second].broken = 1;
    return;
  }
  list.index.emplace(key, list.entries.size());
  list.entries.push_back(link);
}
