// The scripted SMTP peer of the mail client's tests. Neutral: no Windows header.
#pragma once

#include <string>
#include <vector>

#include "tests/peers/PeerProcess.h"

struct SmtpPeer {
  PeerProcess process;
  std::string recordPath;

  // Starts tests/peers/smtp_peer.py with the JSON members `members` (may be empty) and the
  // test certificate; false when it did not come up.
  bool Start(const std::string& members);
  int Port() const { return process.Port(); }
  // Waits for the peer to end and returns its record (JSON).
  std::string Finish();
};

// Collects the log of one session.
struct SmtpLogText {
  std::string text;
  static void Collect(const char* text, int length, void* user);
  int Errors() const;  // "Error: " lines
};

std::string FromHex(const std::string& hex);
