// Test peers: programs started by a test, which print their port on the first line of
// their standard output and are stopped by process id. Plain POSIX; usable from native and
// Winelib tests (on the thread that started the peer).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class PeerProcess {
 public:
  PeerProcess() = default;
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;
  // Kills a peer still running.
  ~PeerProcess();

  // Starts `arguments` (program first) and reads the port line: false when the program
  // could not start or printed no port within 20 s.
  bool Start(const std::vector<std::string>& arguments);
  int Port() const { return port_; }
  // Waits until the peer ends on its own, killing it after `seconds`; true when it ended
  // on its own.
  bool Wait(int seconds);

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  int port_ = 0;
};

// Absolute path of a file in tests/peers.
std::string PeerFile(const char* name);

// The whole file, or "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// A string or the strings of a list under `key` in a flat JSON object written with
// ensure_ascii; escapes are undone.
std::string JsonText(const std::string& json, const char* key);
std::vector<std::string> JsonTexts(const std::string& json, const char* key);
