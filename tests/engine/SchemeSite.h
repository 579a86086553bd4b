// The peers of the ftp and rtsp crawl test on 127.0.0.1: an HTTP page linking to an FTP
// server's files and to RTSP streams, one served directly and one behind a scripted
// SOCKS5 proxy. Library side; stopped by their ids when the object goes.
#pragma once

#include <string>

#include "tests/peers/Peers.h"

class SchemeSite {
 public:
  SchemeSite() = default;
  ~SchemeSite();
  SchemeSite(const SchemeSite&) = delete;
  SchemeSite& operator=(const SchemeSite&) = delete;
  // Starts the FTP and RTSP peers, then the HTTP page whose links name their ports.
  bool Start();
  int HttpPort() const { return http_.port; }
  int SocksPort() const { return socks_.port; }
  // What the SOCKS5 proxy was asked: greetings and connect requests, as bytes.
  std::string SocksRequests() const;

 private:
  PeerProcess http_;
  PeerProcess ftp_;
  PeerProcess rtsp_;
  PeerProcess socks_;
  std::string folder_;
};
