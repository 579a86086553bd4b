#include "tests/peers/PeerProcess.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

// Reads until `end` is found or the pipe ends or `seconds` pass; true when `end` came.
bool ReadUntil(int fd, std::string& text, char end, int seconds) {
  const int slices = seconds * 10;
  for (int i = 0; i < slices; ++i) {
    if (end && text.find(end) != std::string::npos) return true;
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, 100) <= 0) continue;
    char buffer[256];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) return !end;
    text.append(buffer, static_cast<size_t>(got));
  }
  return false;
}

// The JSON string starting at `at` (just after its opening quote), unescaped.
std::string Unescape(const std::string& json, size_t at, size_t* next) {
  std::string out;
  while (at < json.size() && json[at] != '"') {
    char c = json[at++];
    if (c == '\\' && at < json.size()) {
      c = json[at++];
      switch (c) {
        case 'n':
          c = '\n';
          break;
        case 'r':
          c = '\r';
          break;
        case 't':
          c = '\t';
          break;
        case 'b':
          c = '\b';
          break;
        case 'f':
          c = '\f';
          break;
        case 'u': {
          const unsigned long code = strtoul(json.substr(at, 4).c_str(), nullptr, 16);
          c = code < 256 ? static_cast<char>(code) : '?';
          at += 4;
          break;
        }
        default:
          break;
      }
    }
    out += c;
  }
  if (next) *next = at + 1;
  return out;
}

size_t ValueStart(const std::string& json, const char* key) {
  const size_t at = json.find("\"" + std::string(key) + "\":");
  if (at == std::string::npos) return at;
  return json.find_first_not_of(" \n", at + strlen(key) + 3);
}

}  // namespace

PeerProcess::~PeerProcess() { Wait(0); }

bool PeerProcess::Start(const std::vector<std::string>& arguments) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  output_ = pipeEnds[0];
  if (spawned != 0) {
    pid_ = -1;
    return false;
  }
  std::string text;
  if (!ReadUntil(output_, text, '\n', 20)) return false;
  port_ = atoi(text.c_str());
  return port_ > 0;
}

bool PeerProcess::Wait(int seconds) {
  if (pid_ < 0) return false;
  std::string rest;
  const bool ended = ReadUntil(output_, rest, '\0', seconds);
  if (!ended) kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  close(output_);
  pid_ = -1;
  output_ = -1;
  return ended;
}

std::string PeerFile(const char* name) { return std::string(TL_PEER_DIR "/") + name; }

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string JsonText(const std::string& json, const char* key) {
  const size_t at = ValueStart(json, key);
  if (at == std::string::npos || json[at] != '"') return std::string();
  return Unescape(json, at + 1, nullptr);
}

std::vector<std::string> JsonTexts(const std::string& json, const char* key) {
  std::vector<std::string> texts;
  size_t at = ValueStart(json, key);
  if (at == std::string::npos || json[at] != '[') return texts;
  for (;;) {
    at = json.find_first_not_of(" \n,", at + 1);
    if (at == std::string::npos || json[at] != '"') return texts;
    texts.push_back(Unescape(json, at + 1, &at));
    --at;
  }
}
