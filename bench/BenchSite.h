// The site of the scan benchmark: generated pages written to a folder, and nginx serving
// that folder on 127.0.0.1 with an access log. Library side; one thread.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

// What a full scan of a generated site must store.
struct SiteExpectation {
  long pages = 0;        // HTML pages, the start page included
  long uniqueLinks = 0;  // distinct link targets (a fragment makes its own), the start included
  long occurrences = 0;  // links on all pages, plus the start link
  long broken = 0;       // distinct targets that do not exist
};

// Writes `pages` pages (seeded by `seed`), their images, one style sheet and a robots.txt
// under folder/site; the start page is /p/0.html.
SiteExpectation GenerateSite(const std::string& folder, long pages, unsigned seed);
// Writes one start page /p/0.html with `links` links to distinct texts under /w/, which the
// server answers without files, and a robots.txt under folder/site.
SiteExpectation GenerateWidePage(const std::string& folder, long links);

// nginx serving folder/site on a free port, its configuration, pid and logs in folder.
struct SiteServer {
  pid_t pid = -1;
  int port = 0;
  std::string folder;
};
bool StartSiteServer(const std::string& folder, SiteServer& server);
void StopSiteServer(SiteServer& server);

// The access log read back: requests by method, by path, and the paths asked more than once.
struct AccessCounts {
  long requests = 0;
  std::map<std::string, long> byMethod;
  std::map<std::string, long> repeatedPaths;  // path -> requests, only those above one
  long requestsOfRepeated = 0;
};
// Waits until nginx has written every line (the log is written before the reply ends).
AccessCounts ReadAccessLog(const SiteServer& server);
// Empties the log between runs.
void ClearAccessLog(const SiteServer& server);
