// The scripted HTTP peer serving a small site for the engine's crawl tests. Library side.
#pragma once

#include "tests/peers/Peers.h"

class WebSite {
 public:
  WebSite() = default;
  ~WebSite();
  WebSite(const WebSite&) = delete;
  WebSite& operator=(const WebSite&) = delete;
  bool Start();
  int Port() const { return peer_.port; }

 private:
  PeerProcess peer_;
  std::string folder_;
};
