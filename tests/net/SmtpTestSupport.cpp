#include "tests/net/SmtpTestSupport.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "net/SmtpMail.h"

bool SmtpPeer::Start(const std::string& members) {
  static std::atomic<int> counter{0};
  recordPath =
      "/tmp/tl-smtp-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".json";
  remove(recordPath.c_str());
  const std::string config = "{" + members + (members.empty() ? "" : ", ") + "\"cert\": \"" +
                             PeerFile("localhost.crt") + "\", \"key\": \"" +
                             PeerFile("localhost.key") + "\"}";
  return process.Start({"/usr/bin/python3", PeerFile("smtp_peer.py"), config, recordPath});
}

std::string SmtpPeer::Finish() {
  process.Wait(30);
  std::string record = ReadWholeFile(recordPath);
  remove(recordPath.c_str());
  return record;
}

void SmtpLogText::Collect(const char* text, int length, void* user) {
  static_cast<SmtpLogText*>(user)->text.append(text, static_cast<size_t>(length));
}

int SmtpLogText::Errors() const {
  int count = 0;
  for (size_t at = text.find("Error: "); at != std::string::npos;
       at = text.find("Error: ", at + 1)) {
    ++count;
  }
  return count;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

namespace {

std::string TestHostName() { return "client.test"; }

// Every test program of the mail client: no name query leaves the machine, and a peer that
// goes away does not end the program with SIGPIPE (OpenSSL writes with write(); Wine
// ignores the signal for the program).
struct SmtpTestSetUp {
  SmtpTestSetUp() {
    SmtpLocalHostName = TestHostName;
    signal(SIGPIPE, SIG_IGN);
  }
} smtpTestSetUp;

}  // namespace
