// The scripted SMTP peer of the mail client's tests. Neutral: no Windows header.
#pragma once

#include <string>
#include <vector>

#include "net/SmtpMail.h"
#include "tests/peers/Peers.h"

struct SmtpPeer {
  PeerProcess process;
  std::string recordPath;

  SmtpPeer() = default;
  SmtpPeer(const SmtpPeer&) = delete;
  SmtpPeer& operator=(const SmtpPeer&) = delete;
  ~SmtpPeer() { StopPeer(process); }

  // Starts tests/peers/smtp_peer.py with the JSON members `members` (may be empty) and the
  // test certificate; false when it did not come up.
  bool Start(const std::string& members);
  int Port() const { return process.port; }
  // Waits for the peer to end and returns its record (JSON).
  std::string Finish();
};

// Collects the log of one session.
struct SmtpLogText {
  std::string text;
  static void Collect(const char* text, int length, void* user);
  int Errors() const;  // "Error: " lines
};

// One request with texts of its own; Fill points the request at them, Send fills and runs it.
struct SmtpRequest {
  tagSMTPMAIL mail{};
  SmtpLogText log;
  std::string from = "sender@example.org";
  std::string to = "rcpt@example.org";
  std::string user = "user";
  std::string password = "secret";
  std::string subject = "Test";
  std::string body = "hello\r\n";
  std::vector<std::string> names;  // of the attachments
  std::vector<std::string> data;
  std::vector<char*> recipients;
  std::vector<tagSMTPATTACH> attachments;

  SmtpRequest();
  void Fill(int port);
  int Send(int port);
};

// Runs `request` against a peer configured by `members`; returns the peer's record, or ""
// when the peer did not start.
std::string Converse(SmtpRequest& request, const std::string& members, int* result);

// A listening socket on 127.0.0.1 at a port the system picks.
int LoopbackListener(int* port);

bool Has(const std::string& text, const std::string& part);

// A string or the strings of a list under `key` in a flat JSON object written with
// ensure_ascii (the peer's record); escapes are undone.
std::string JsonText(const std::string& json, const char* key);
std::vector<std::string> JsonTexts(const std::string& json, const char* key);
std::string FromHex(const std::string& hex);
