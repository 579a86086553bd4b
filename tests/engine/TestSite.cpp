#include "tests/engine/TestSite.h"

#include <sys/stat.h>

#include <cstdio>
#include <sstream>

namespace {

std::string Two(int n) {
  char text[8];
  snprintf(text, sizeof text, "%02d", n);
  return text;
}

// UTF-16LE with its byte order mark, from ASCII text.
std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

std::string Repeat(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

struct SiteFile {
  std::string path;
  std::string bytes;
};

std::vector<SiteFile> Files() {
  std::vector<SiteFile> files;
  std::string index =
      "<html><head><title>Start</title><link href=\"/style.css\" rel=\"stylesheet\"></head>\n"
      "<body>\n";
  for (int n = 1; n <= TestSite::kChainPages; ++n) {
    const std::string page = "/p/" + Two(n) + ".html";
    index += "<a href=\"p/" + Two(n) + ".html\">page " + Two(n) + "</a>\n";
    std::string body = "<html><title>Page " + Two(n) + "</title><body>\n<img src=\"../img/" +
                       Two(n) + ".gif\">\n<a href=\"../index.html\">home</a>\n";
    if (n < TestSite::kChainPages) body += "<a href=\"" + Two(n + 1) + ".html\">next</a>\n";
    files.push_back({page, body + "</body></html>"});
    files.push_back({"/img/" + Two(n) + ".gif", "GIF89a"});
  }
  index +=
      "<a href=\"missing.html\">gone</a>\n"
      "<a href=\"moved.html#part\">moved</a>\n"
      "<a href=\"/private/secret.html\">private</a>\n"
      "<a href=\"mailto:someone@example.test\">mail</a> <a href=\"tel:+100\">call</a>\n"
      "<a href=\"cookie.html\">cookie</a> <a href=\"flaky.html\">flaky</a>\n"
      "<img src=\"img/nothere.gif\"> <a href=\"fake.html\">fake</a> <a href=\"big.html\">big</a>\n"
      "<a href=\"anchors.html\">anchors</a> <a href=\"anchors.html#top\">top</a>\n"
      "<a href=\"anchors.html#sec\">sec</a> <a href=\"anchors.html#nowhere\">none</a>\n"
      "<a href=\"anchors.html#%D1%80%D0%B0%D0%B7\">cyrillic</a>\n"
      "<a href=\"base/index.html\">base</a> <a href=\"utf16.html\">16</a>\n"
      "<a href=\"utf8.html\">8</a> <a href=\"cp1251.html\">1251</a> <a href=\"cjk.html\">cjk</a>\n"
      "</body></html>";
  files.push_back({"/index.html", index});
  files.push_back({"/robots.txt", "User-agent: *\nDisallow: /private"});
  files.push_back({"/private/secret.html", "secret"});
  files.push_back({"/target.html", "<html><body><div id=\"part\">here</div></body></html>"});
  files.push_back({"/cookie.html", "<a href=\"gated.html\">in</a> <a href=\"flaky.html\">f</a>"});
  files.push_back({"/gated.html", "<title>Inside</title>"});
  files.push_back({"/fake.html", "\x89PNG\r\n"});
  files.push_back({"/big.html", "<html>" + std::string(150 * 1024, ' ') + "</html>"});
  files.push_back({"/anchors.html",
                   "<html><head><meta charset=\"utf-8\"></head><body><a name=\"#top\">top</a>\n"
                   "<h2 id='sec'>Section</h2> <a name=\"\xD1\x80\xD0\xB0\xD0\xB7\">r</a>\n"
                   "<!-- <a name=\"nowhere\"> -->\n<a href=\"p/01.html\">one</a>\n"
                   "<a href=\"img/01.gif\"><img src=\"img/01.gif\" alt=\"One\"></a>\n"
                   "</body></html>"});
  files.push_back({"/base/index.html",
                   "<html><head><base href=\"/real/\"></head><body><a href=\"b.html\">b</a>"
                   "</body></html>"});
  files.push_back({"/real/index.html", "base"});
  files.push_back({"/real/b.html", "<title>B</title>"});
  files.push_back({"/style.css",
                   "body{background:url(img/bg.png)}\n/* a{b:url(img/none.png)} */\n"
                   "h1 { background: url( \"img/h1.png\" ) }"});
  files.push_back({"/img/bg.png", "png"});
  files.push_back({"/img/h1.png", "png"});
  files.push_back({"/utf16.html", Utf16Le("<html><head><title>Sixteen</title></head>\r\n<body>"
                                          "<a href=\"u16target.html\">target</a></body></html>")});
  files.push_back({"/u16target.html", "<title>T</title>"});
  files.push_back({"/utf8.html",
                   "<html><head><meta charset=\"utf-8\"><title>Caf\xC3\xA9</title></head><body>"
                   "<a href=\"/caf\xC3\xA9.html\">caf\xC3\xA9</a> <a href=\"my%20page.html\">my</a>"
                   "</body></html>"});
  files.push_back({"/caf\xC3\xA9.html", "<title>C</title>"});
  files.push_back({"/my page.html", "<title>M</title>"});
  // The href is "/фото.html" in windows-1251.
  files.push_back({"/cp1251.html",
                   "<html><head><meta content='text/html; charset=windows-1251' "
                   "http-equiv='Content-Type'></head><body>"
                   "<a href=\"/\xF4\xEE\xF2\xEE.html\">\xF4\xEE\xF2\xEE</a></body></html>"});
  files.push_back({"/\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.html", "<title>F</title>"});
  files.push_back({"/cjk.html", "<html><head><title>" + TestSite::CjkTitle() +
                                    "</title></head><body><a href=\"" + TestSite::LongResource() +
                                    "\">long</a></body></html>"});
  // A start page of its own for the link limit: more broken links than the limit.
  std::string broken = "<a href=\"&#xD800;x.html\">odd</a>\n";
  for (int n = 1; n <= 15; ++n) broken += "<a href=\"gone" + Two(n) + ".html\">g</a>\n";
  files.push_back({"/broken.html", broken});
  return files;
}

std::string Rules() {
  std::ostringstream rules;
  rules << "{\"/moved.html\": {\"status\": \"302 Found\", \"location\": \"/target.html\"},"
        << "\"/cookie.html\": {\"setCookie\": \"gate=open; Path=/\"},"
        << "\"/gated.html\": {\"needCookie\": \"gate=open\"},"
        << "\"/flaky.html\": {\"close\": true},"
        << "\"/fake.html\": {\"type\": \"image/png\"},"
        << "\"/big.html\": {\"noLength\": true},"
        << "\"" << TestSite::LongResource() << "\": {\"status\": \"200 OK\"}}";
  return rules.str();
}

void MakeFolders(const std::string& root, const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    mkdir((root + path.substr(0, slash)).c_str(), 0700);
  }
}

}  // namespace

std::string TestSite::CjkTitle() { return Repeat("\xE6\xBC\xA2", 255); }

std::string TestSite::LongResource() { return "/" + Repeat("\xD0\xB4", 600) + ".html"; }

TestSite::~TestSite() { StopPeer(peer_); }

bool TestSite::Start() {
  folder_ = MakeTempFolder();
  const std::string root = folder_ + "/site";
  mkdir(root.c_str(), 0700);
  for (const SiteFile& file : Files()) {
    MakeFolders(root, file.path);
    WriteWholeFile(root + file.path, file.bytes);
  }
  WriteWholeFile(folder_ + "/rules.json", Rules());
  return StartPortPeer({"/usr/bin/python3", PeerFile("SitePeer.py"), root, folder_ + "/rules.json",
                        folder_ + "/requests.log"},
                       peer_);
}

std::vector<SiteRequest> TestSite::Requests() const {
  std::vector<SiteRequest> requests;
  std::istringstream log(ReadWholeFile(folder_ + "/requests.log"));
  SiteRequest request;
  while (log >> request.method >> request.path) {
    std::getline(log, request.cookie);
    if (!request.cookie.empty() && request.cookie[0] == ' ') request.cookie.erase(0, 1);
    requests.push_back(request);
  }
  return requests;
}
