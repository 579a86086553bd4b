// The redirect peer with its sentinel file and request log, for the redirect crawl test.
#include "tests/engine/RedirectSite.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

RedirectSite::~RedirectSite() {
  StopPeer(peer_);
  if (watch_ >= 0) close(watch_);
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

bool RedirectSite::Start() {
  folder_ = MakeTempFolder();
  sentinel_ = folder_ + "/secret.txt";
  WriteWholeFile(sentinel_, "the user's own file");
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ < 0 || inotify_add_watch(watch_, sentinel_.c_str(), IN_OPEN | IN_ACCESS) < 0) {
    return false;
  }
  return StartPortPeer(
      {"/usr/bin/python3", PeerFile("RedirectPeer.py"), sentinel_, folder_ + "/requests.log"},
      peer_);
}

bool RedirectSite::SentinelTouched() const {
  alignas(inotify_event) char events[4096];
  return read(watch_, events, sizeof events) > 0;
}

std::vector<std::string> RedirectSite::Requests() const {
  std::vector<std::string> lines;
  std::istringstream log(ReadWholeFile(folder_ + "/requests.log"));
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}
