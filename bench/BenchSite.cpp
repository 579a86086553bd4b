// The scan benchmark's site: generated pages in a folder, served by nginx on 127.0.0.1.
#include "bench/BenchSite.h"

#include <sys/stat.h>

#include <chrono>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "tests/peers/Peers.h"

namespace {

const int kPageLinks = 10;
const int kImages = 50;
const char* const kWords[] = {"link",    "check",  "page",    "server", "report", "site",
                              "request", "anchor", "result",  "worker", "queue",  "image",
                              "style",   "broken", "content", "search", "index",  "robots"};

// A 1x1 PNG image.
const unsigned char kPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
    0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x44, 0x41, 0x54, 0x78,
    0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0xf0, 0x1f, 0x00, 0x05, 0x00, 0x01, 0xff, 0x89, 0x99,
    0x3d, 0x1d, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

std::string PagePath(long page) { return "/p/" + std::to_string(page) + ".html"; }

// Collects the links of the pages: every occurrence, the distinct targets, the missing ones.
struct Links {
  std::set<std::string> targets;
  std::set<std::string> missing;
  long occurrences = 0;
  void Add(const std::string& target) {
    targets.insert(target);
    ++occurrences;
  }
};

std::string Paragraph(std::mt19937& random, int words) {
  std::string text = "<p>";
  for (int i = 0; i < words; ++i) {
    text += kWords[random() % (sizeof kWords / sizeof *kWords)];
    text += i + 1 < words ? " " : ".";
  }
  return text + "</p>\n";
}

// Page i links to its ten children of a tree (which reaches every page; written relative),
// then to random pages (root-relative), one in a hundred of those to a missing page.
std::string Page(long i, long pages, std::mt19937& random, Links& links) {
  std::ostringstream out;
  out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>Page " << i
      << " of the benchmark site</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n"
      << "</head>\n<body>\n<h1 id=\"top\">Page " << i << "</h1>\n";
  links.Add("/style.css");
  const std::string images[] = {"/img/logo.png", "/img/" + std::to_string(i % kImages) + ".png",
                                "/img/" + std::to_string(i / 7 % kImages) + ".png"};
  for (const std::string& image : images) {
    out << "<img src=\"" << image << "\" alt=\"\" width=\"1\" height=\"1\">\n";
    links.Add(image);
  }
  for (int p = 0; p < 4; ++p) out << Paragraph(random, 60);
  out << "<ul>\n";
  for (int k = 0; k < kPageLinks; ++k) {
    const long child = i * kPageLinks + k + 1;
    std::string href, target;
    if (child < pages) {
      href = std::to_string(child) + ".html";
      target = PagePath(child);
    } else if (random() % 100 == 0) {
      href = target = "/gone/" + std::to_string(random() % (pages / 50 + 1)) + ".html";
      links.missing.insert(target);
    } else {
      href = target = PagePath(static_cast<long>(random() % pages));
    }
    out << "<li><a href=\"" << href << "\">Link " << k << " of page " << i << "</a></li>\n";
    links.Add(target);
  }
  out << "</ul>\n<h2 id=\"s2\">Section two</h2>\n" << Paragraph(random, 40);
  const std::string fragment = PagePath(static_cast<long>(random() % pages)) + "#s2";
  out << "<p><a href=\"" << fragment << "\">Section two elsewhere</a></p>\n</body></html>\n";
  links.Add(fragment);
  return out.str();
}

void MakeFolder(const std::string& path) { mkdir(path.c_str(), 0755); }

const char kRobots[] = "User-agent: *\nDisallow: /private/\n";

}  // namespace

SiteExpectation GenerateSite(const std::string& folder, long pages, unsigned seed) {
  const std::string site = folder + "/site";
  MakeFolder(folder);
  MakeFolder(site);
  MakeFolder(site + "/p");
  MakeFolder(site + "/img");
  std::mt19937 random(seed);
  Links links;
  links.Add(PagePath(0));
  for (long i = 0; i < pages; ++i)
    WriteWholeFile(site + PagePath(i), Page(i, pages, random, links));
  const std::string png(reinterpret_cast<const char*>(kPng), sizeof kPng);
  WriteWholeFile(site + "/img/logo.png", png);
  for (int i = 0; i < kImages; ++i)
    WriteWholeFile(site + "/img/" + std::to_string(i) + ".png", png);
  WriteWholeFile(site + "/style.css",
                 "body { font-family: sans-serif; margin: 2em; }\nh1 { color: #224; }\n");
  WriteWholeFile(site + "/robots.txt", kRobots);
  // The scan reads robots.txt, which it stores as a link of its own.
  links.Add("/robots.txt");

  SiteExpectation expect;
  expect.pages = pages;
  expect.uniqueLinks = static_cast<long>(links.targets.size());
  expect.occurrences = links.occurrences;
  expect.broken = static_cast<long>(links.missing.size());
  return expect;
}

SiteExpectation GenerateWidePage(const std::string& folder, long links) {
  const std::string site = folder + "/site";
  MakeFolder(folder);
  MakeFolder(site);
  MakeFolder(site + "/p");
  std::string page = "<!DOCTYPE html>\n<html><head><title>One wide page</title></head><body>\n";
  for (long i = 0; i < links; ++i)
    page += "<a href=\"/w/" + std::to_string(i) + ".txt\">Text " + std::to_string(i) + "</a>\n";
  page += "</body></html>\n";
  WriteWholeFile(site + PagePath(0), page);
  WriteWholeFile(site + "/robots.txt", kRobots);
  SiteExpectation expect;
  expect.pages = 1;
  expect.uniqueLinks = links + 2;  // the start page and robots.txt
  expect.occurrences = links + 2;
  return expect;
}

bool StartSiteServer(const std::string& folder, SiteServer& server) {
  server.folder = folder;
  MakeFolder(folder + "/nginx");
  const std::string prefix = folder + "/nginx/";
  // worker_processes 2: two CPUs serve the ten workers of a scan with time to spare.
  const std::string pattern =
      "worker_processes 2;\ndaemon off;\nuser root;\npid " + prefix + "nginx.pid;\n" +
      "error_log " + prefix + "error.log warn;\nevents { worker_connections 1024; }\n" +
      "http {\n  types { text/html html; text/css css; image/png png; text/plain txt; }\n" +
      "  default_type application/octet-stream;\n" +
      "  log_format bench '$request_method $request_uri $status';\n" + "  access_log " + prefix +
      "access.log bench;\n  client_body_temp_path " + prefix + "body;\n" +
      "  keepalive_requests 1000000;\n  keepalive_timeout 60s;\n" +
      "  server {\n    listen 127.0.0.1:@PORT@;\n    root " + folder + "/site;\n" +
      "    location /w/ { default_type text/plain; return 200 \"text\\n\"; }\n  }\n}\n";
  WriteWholeFile(prefix + "nginx.conf.in", pattern);
  // nginx takes its port from the configuration file only.
  PeerProcess peer;
  if (!StartFixedPortPeer(
          {"/bin/sh", "-c",
           "sed s/@PORT@/{port}/ " + prefix + "nginx.conf.in > " + prefix +
               "nginx.conf && exec /usr/sbin/nginx -p " + prefix + " -c " + prefix + "nginx.conf"},
          peer))
    return false;
  server.pid = peer.pid;
  server.port = peer.port;
  return true;
}

void StopSiteServer(SiteServer& server) {
  PeerProcess peer;
  peer.pid = server.pid;
  StopPeer(peer);
  server.pid = -1;
}

AccessCounts ReadAccessLog(const SiteServer& server) {
  const std::string path = server.folder + "/nginx/access.log";
  std::string log = ReadWholeFile(path);
  for (int wait = 0; wait < 20; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string again = ReadWholeFile(path);
    if (again.size() == log.size()) break;
    log = again;
  }
  AccessCounts counts;
  std::map<std::string, long> byPath;
  std::istringstream lines(log);
  std::string method, uri, status;
  while (lines >> method >> uri >> status) {
    ++counts.requests;
    ++counts.byMethod[method];
    ++byPath[uri];
  }
  for (const auto& path : byPath) {
    if (path.second < 2) continue;
    counts.repeatedPaths[path.first] = path.second;
    counts.requestsOfRepeated += path.second;
  }
  return counts;
}

void ClearAccessLog(const SiteServer& server) {
  WriteWholeFile(server.folder + "/nginx/access.log", "");
}
