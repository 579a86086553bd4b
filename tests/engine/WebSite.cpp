#include "tests/engine/WebSite.h"

#include <string>

namespace {

std::string Reply(const std::string& status, const std::string& headers, const std::string& body) {
  return "HTTP/1.1 " + status + "\r\n" + headers +
         "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

WebSite::~WebSite() { StopPeer(peer_); }

bool WebSite::Start() {
  folder_ = MakeTempFolder();
  const std::string html = "Content-Type: text/html\r\n";
  const struct {
    const char* path;
    std::string reply;
  } routes[] = {
      {"/robots.txt",
       Reply("200 OK", "Content-Type: text/plain\r\n", "User-agent: *\nDisallow: /private")},
      {"/", Reply("200 OK", html,
                  "<a href=\"a.html\">a</a><a href=\"/private/x.html\">p</a>"
                  "<a href=\"missing.html\">m</a><a href=\"moved.html#top\">r</a>")},
      {"/a.html", Reply("200 OK", html, "<title>A</title>")},
      {"/missing.html", Reply("404 Not Found", html, "gone")},
      {"/moved.html", Reply("302 Found", html + "Location: /a.html\r\n", "")},
  };
  std::string json = "{";
  for (const auto& route : routes) {
    if (json.size() > 1) json += ",";
    json += JsonString(route.path) + ": {\"send\": " + JsonString(route.reply) + "}";
  }
  json += "}";
  WriteWholeFile(folder_ + "/routes.json", json);
  return StartPortPeer({"/usr/bin/python3", PeerFile("HttpPeer.py"), folder_ + "/routes.json",
                        folder_ + "/last-request"},
                       peer_);
}
