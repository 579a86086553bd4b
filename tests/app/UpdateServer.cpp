#include "tests/app/UpdateServer.h"

#include <cstdlib>

#include "tests/peers/Peers.h"

namespace {

PeerProcess gServer;
PeerProcess gProxy;
std::string gFolder;

}  // namespace

int StartUpdateServer(const std::vector<UpdateRoute>& routes) {
  if (gFolder.empty()) gFolder = MakeTempFolder();
  std::string json = "{";
  for (const UpdateRoute& route : routes) {
    if (json.size() > 1) json += ",";
    json +=
        JsonString("/cgi-bin/lastver.pl?type=tessalinelite&v=2.2.0.608&u=" + route.identity) + ": ";
    json += route.reply.empty()
                ? "{\"send\": " + JsonString("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n") +
                      ", \"endless\": 65536}"
                : "{\"send\": " + JsonString(route.reply) + "}";
  }
  json += "}";
  WriteWholeFile(gFolder + "/routes.json", json);
  if (!StartPortPeer({"/usr/bin/python3", PeerFile("HttpPeer.py"), gFolder + "/routes.json",
                      gFolder + "/last-request"},
                     gServer)) {
    return 0;
  }
  return gServer.port;
}

std::string LastUpdateRequest() { return ReadWholeFile(gFolder + "/last-request"); }

int StartUpdateProxy() {
  if (gProxy.pid < 0 && !StartTinyproxy(gFolder, nullptr, nullptr, gProxy)) return 0;
  return gProxy.port;
}

int RefusedPort() { return FreeLocalPort(); }

void StopUpdatePeers() {
  StopPeer(gProxy);
  StopPeer(gServer);
  if (!gFolder.empty() && std::system(("rm -rf '" + gFolder + "'").c_str()) == 0) gFolder.clear();
}
