// Test peers on 127.0.0.1: processes started by a test and stopped by their id.
// Native test programs only; one thread.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct PeerProcess {
  pid_t pid = -1;
  int port = 0;
};

// A file of tests/peers (scripts, the localhost certificate and key).
std::string PeerFile(const char* name);

// Starts argv[0] with its arguments and reads its first output line, the port it listens
// on. False when it fails to start or names no port within 30 s.
bool StartPortPeer(const std::vector<std::string>& argv, PeerProcess& peer);

// Starts a peer that needs its port on the command line: "{port}" in argv becomes a free
// port, retried when the start fails. True once the port accepts connections.
bool StartFixedPortPeer(std::vector<std::string> argv, PeerProcess& peer);

// Ends the peer (SIGTERM, then SIGKILL) and reaps it.
void StopPeer(PeerProcess& peer);
// Waits until the peer ends on its own, killing it after `seconds`; true when it ended on
// its own.
bool WaitPeer(PeerProcess& peer, int seconds);

// A port on 127.0.0.1 that nothing listened on a moment ago.
int FreeLocalPort();

// A new empty folder under the system's temporary folder.
std::string MakeTempFolder();

// text as a JSON string, for the peers' rule files; bytes below 0x80 only.
std::string JsonString(const std::string& text);

// The whole file as bytes; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// tinyproxy on a free port, CONNECT to any port; with a user, Basic authentication.
bool StartTinyproxy(const std::string& folder, const char* user, const char* password,
                    PeerProcess& peer);
// microsocks (SOCKS5) on a free port; with a user, user and password authentication.
bool StartMicrosocks(const char* user, const char* password, PeerProcess& peer);
