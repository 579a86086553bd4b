// A generated web site of about thirty pages, served on 127.0.0.1 by the site peer, with
// the peer's log of every request. Library side.
#pragma once

#include <string>
#include <vector>

#include "tests/peers/Peers.h"

struct SiteRequest {
  std::string method;
  std::string path;    // as sent
  std::string cookie;  // "-" when none
};

class TestSite {
 public:
  TestSite() = default;
  ~TestSite();
  TestSite(const TestSite&) = delete;
  TestSite& operator=(const TestSite&) = delete;
  bool Start();
  int Port() const { return peer_.port; }
  std::vector<SiteRequest> Requests() const;

  // Pages of the plain chain /p/01.html ... each with its image /img/NN.gif.
  static constexpr int kChainPages = 20;
  // The title of /cjk.html: 255 CJK characters, as UTF-8.
  static std::string CjkTitle();
  // A resource of 600 Cyrillic characters served with 200, as UTF-8.
  static std::string LongResource();

 private:
  PeerProcess peer_;
  std::string folder_;
};
