#include "tests/net/SmtpTestSupport.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool SmtpPeer::Start(const std::string& members) {
  static std::atomic<int> counter{0};
  recordPath =
      "/tmp/tl-smtp-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".json";
  remove(recordPath.c_str());
  const std::string config = "{" + members + (members.empty() ? "" : ", ") + "\"cert\": \"" +
                             PeerFile("localhost.crt") + "\", \"key\": \"" +
                             PeerFile("localhost.key") + "\"}";
  return StartPortPeer({"/usr/bin/python3", PeerFile("smtp_peer.py"), config, recordPath}, process);
}

std::string SmtpPeer::Finish() {
  WaitPeer(process, 30);
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

SmtpRequest::SmtpRequest() {
  mail.LogProtocol = 1;
  mail.TimeoutSeconds = 10;
}

void SmtpRequest::Fill(int port) {
  mail.From = &from[0];
  recipients = {&to[0]};
  mail.Recipients = recipients.data();
  mail.RecipientCount = 1;
  mail.User = &user[0];
  mail.Password = &password[0];
  mail.Subject = &subject[0];
  mail.Body = &body[0];
  mail.BodyLength = static_cast<int32_t>(body.size());
  attachments.clear();
  for (size_t i = 0; i < data.size(); ++i) {
    attachments.push_back({&names[i][0], &data[i][0], static_cast<int32_t>(data[i].size())});
  }
  mail.Attachments = attachments.data();
  mail.AttachmentCount = static_cast<int32_t>(attachments.size());
  mail.Port = port;
  mail.LogCallback = SmtpLogText::Collect;
  mail.LogUser = &log;
}

int SmtpRequest::Send(int port) {
  Fill(port);
  return RunSmtpSession(&mail);
}

std::string Converse(SmtpRequest& request, const std::string& members, int* result) {
  SmtpPeer peer;
  *result = 1;
  if (!peer.Start(members)) return std::string();
  *result = request.Send(peer.Port());
  return peer.Finish();
}

int LoopbackListener(int* port) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listener, 4) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    close(listener);
    return -1;
  }
  *port = ntohs(address.sin_port);
  return listener;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

namespace {

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
