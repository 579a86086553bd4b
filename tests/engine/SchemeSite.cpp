#include "tests/engine/SchemeSite.h"

#include <sys/stat.h>

#include <filesystem>

SchemeSite::~SchemeSite() {
  StopPeer(http_);
  StopPeer(ftp_);
  StopPeer(rtsp_);
  StopPeer(socks_);
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

bool SchemeSite::Start() {
  folder_ = MakeTempFolder();
  const std::string root = folder_ + "/ftp";
  if (mkdir(root.c_str(), 0700) != 0 || mkdir((root + "/docs").c_str(), 0700) != 0) return false;
  WriteWholeFile(root + "/file.txt", "text");
  WriteWholeFile(root + "/docs/inner.txt", "inner");
  const std::string python = "/usr/bin/python3";
  const std::string rtspPeer = PeerFile("rtsp_peer.py");
  if (!StartPortPeer({python, PeerFile("FtpPeer.py"), root}, ftp_) ||
      !StartPortPeer({python, rtspPeer, folder_ + "/rtsp"}, rtsp_) ||
      !StartPortPeer({python, rtspPeer, folder_ + "/socks", "plain"}, socks_)) {
    return false;
  }
  const std::string ftp = "ftp://127.0.0.1:" + std::to_string(ftp_.port);
  const std::string rtsp = "rtsp://127.0.0.1:" + std::to_string(rtsp_.port);
  // Only the proxy knows the name stream.test: it serves every stream itself.
  const std::string links[] = {ftp + "/file.txt",
                               ftp + "/docs",
                               ftp + "/missing.txt",
                               ftp + "/nodir/x.txt",
                               rtsp + "/405/open",
                               rtsp + "/404/gone",
                               "rtsp://stream.test/405/proxied"};
  std::string page;
  for (const std::string& link : links) page += "<a href='" + link + "'>x</a>\\n";
  WriteWholeFile(folder_ + "/routes.json",
                 "{\"/\": {\"send\": \"HTTP/1.1 200 OK\\r\\nContent-Type: text/html\\r\\n"
                 "Connection: close\\r\\n\\r\\n" +
                     page + "\"}}");
  return StartPortPeer(
      {python, PeerFile("HttpPeer.py"), folder_ + "/routes.json", folder_ + "/last-request"},
      http_);
}

std::string SchemeSite::SocksRequests() const { return ReadWholeFile(folder_ + "/socks.socks"); }
