// The peer of the redirect crawl test on 127.0.0.1: a page of redirects that lead off the
// network, loop, never end or are cut short, beside a local file that must stay unread.
// Library side; the peer is stopped by its id when the object goes.
#pragma once

#include <string>
#include <vector>

#include "tests/peers/Peers.h"

class RedirectSite {
 public:
  RedirectSite() = default;
  ~RedirectSite();
  RedirectSite(const RedirectSite&) = delete;
  RedirectSite& operator=(const RedirectSite&) = delete;
  // Writes the sentinel file, watches it and starts the peer.
  bool Start();
  int Port() const { return peer_.port; }
  // The sentinel's Linux path, as the peer's file: URLs name it.
  const std::string& Sentinel() const { return sentinel_; }
  // True when anything opened or read the sentinel since Start.
  bool SentinelTouched() const;
  // "METHOD path" of every request, in order.
  std::vector<std::string> Requests() const;

 private:
  PeerProcess peer_;
  std::string folder_;
  std::string sentinel_;
  int watch_ = -1;
};
