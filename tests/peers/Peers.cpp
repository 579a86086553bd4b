#include "tests/peers/Peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

bool Spawn(const std::vector<std::string>& argv, int outFd, pid_t& pid) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (outFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0;
}

sockaddr_in Loopback(int port) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(port);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  close(fd);
  return ok;
}

bool Running(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == 0;
}

// Starts argv and waits until the port accepts connections; stops it when it does not.
bool StartOnPort(const std::vector<std::string>& argv, int port, PeerProcess& peer) {
  if (!Spawn(argv, -1, peer.pid)) return false;
  for (int wait = 0; wait < 200 && Running(peer.pid); ++wait) {
    if (Accepts(port)) {
      peer.port = port;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (Running(peer.pid)) {
    StopPeer(peer);
  } else {
    peer.pid = -1;
  }
  return false;
}

}  // namespace

std::string PeerFile(const char* name) { return std::string(TL_PEERS_DIR "/") + name; }

bool StartPortPeer(const std::vector<std::string>& argv, PeerProcess& peer) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const bool started = Spawn(argv, fds[1], peer.pid);
  close(fds[1]);
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (started && line.find('\n') == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    pollfd wait = {fds[0], POLLIN, 0};
    if (poll(&wait, 1, 1000) <= 0) continue;
    char buffer[64];
    const ssize_t n = read(fds[0], buffer, sizeof(buffer));
    if (n <= 0) break;
    line.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  peer.port = std::atoi(line.c_str());
  if (peer.port > 0) return true;
  StopPeer(peer);
  return false;
}

bool StartFixedPortPeer(std::vector<std::string> argv, PeerProcess& peer) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int port = FreeLocalPort();
    std::vector<std::string> args = argv;
    for (std::string& arg : args) {
      const size_t at = arg.find("{port}");
      if (at != std::string::npos) arg.replace(at, 6, std::to_string(port));
    }
    if (StartOnPort(args, port, peer)) return true;
  }
  return false;
}

void StopPeer(PeerProcess& peer) {
  if (peer.pid <= 0) return;
  kill(peer.pid, SIGTERM);
  for (int wait = 0; wait < 100 && Running(peer.pid); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (Running(peer.pid)) {
    kill(peer.pid, SIGKILL);
    waitpid(peer.pid, nullptr, 0);
  }
  peer.pid = -1;
}

bool WaitPeer(PeerProcess& peer, int seconds) {
  if (peer.pid <= 0) return false;
  for (int wait = 0; wait < seconds * 20 && Running(peer.pid); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const bool ended = !Running(peer.pid);
  if (!ended) {
    kill(peer.pid, SIGKILL);
    waitpid(peer.pid, nullptr, 0);
  }
  peer.pid = -1;
  return ended;
}

int FreeLocalPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof(address);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

std::string MakeTempFolder() {
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tlpeer-XXXXXX";
  return mkdtemp(&pattern[0]) ? pattern : std::string();
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool StartTinyproxy(const std::string& folder, const char* user, const char* password,
                    PeerProcess& peer) {
  const std::string config = folder + "/tinyproxy-" + (user ? "auth" : "open") + ".conf";
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int port = FreeLocalPort();
    std::string text =
        "Port " + std::to_string(port) + "\nListen 127.0.0.1\nTimeout 60\nMaxClients 50\n";
    if (user) text += std::string("BasicAuth ") + user + " " + password + "\n";
    WriteWholeFile(config, text);
    if (StartOnPort({"/usr/bin/tinyproxy", "-d", "-c", config}, port, peer)) return true;
  }
  return false;
}

bool StartMicrosocks(const char* user, const char* password, PeerProcess& peer) {
  std::vector<std::string> argv = {"/usr/bin/microsocks", "-i", "127.0.0.1", "-p", "{port}"};
  if (user) argv.insert(argv.end(), {"-u", user, "-P", password});
  return StartFixedPortPeer(argv, peer);
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out + "\"";
}
