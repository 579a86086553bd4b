// One SMTP session: greeting, EHLO, STARTTLS, authentication and the mail transaction, each reply
// bounded.
#include <netdb.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "net/SmtpMail.h"
#include "net/SmtpTransport.h"

namespace {

const int kDefaultTimeoutSeconds = 120;
const size_t kReplyLineMax = 511;
const int kGreetingLinesMax = 100;
const int kReplyLinesMax = 1000;
const size_t kErrorMax = 999;
const size_t kSendBufferMax = 16384;

// Results of reading a reply besides 0 (read, code and text known).
enum : int {
  REPLY_FAILED = -1,    // closed, or a line too short to carry a code
  REPLY_TIMEOUT = -2,   // the server kept silent (or dripped) past the deadline
  REPLY_TOO_LONG = -3,  // more continuation lines than any server needs
};

const char* Text(const char* text) { return text ? text : ""; }

bool ContainsNoCase(const std::string& text, const char* word) {
  const size_t length = strlen(word);
  for (size_t at = 0; at + length <= text.size(); ++at) {
    if (strncasecmp(text.c_str() + at, word, length) == 0) return true;
  }
  return false;
}

// True when a line break, or with `quoted` a '"', would put caller text beyond its field.
bool BreaksOut(const char* text, bool quoted) {
  for (const char* c = Text(text); *c; ++c) {
    if (*c == '\r' || *c == '\n' || (quoted && *c == '"')) return true;
  }
  return false;
}

struct Session {
  tagSMTPMAIL& mail;
  SmtpConnection connection;
  int timeoutSeconds;
  SmtpDeadline deadline;
  std::string hostName;
  std::vector<std::string> capabilities;  // texts of the EHLO continuation lines
  bool esmtp = false;
  bool authPlain = false;
  bool authCramMd5 = false;
  bool authLogin = false;
  int code = -1;                   // of the last reply's first line
  std::string replyText;           // of the last reply's first line
  std::vector<std::string> lines;  // texts of every line of the last reply
  std::string pending;             // message text not yet sent

  explicit Session(tagSMTPMAIL& request) : mail(request) {
    timeoutSeconds = mail.TimeoutSeconds > 0 ? mail.TimeoutSeconds : kDefaultTimeoutSeconds;
  }

  bool LogsProtocol() const { return mail.LogProtocol && !mail.Quiet; }

  void Log(const std::string& text) const {
    if (mail.LogCallback)
      mail.LogCallback(text.data(), static_cast<int>(text.size()), mail.LogUser);
  }
  void Note(const std::string& text) const {
    if (LogsProtocol()) Log(text);
  }
  int Error(const std::string& message) const {
    std::string text = "Error: " + message + "\r\n";
    if (text.size() > kErrorMax) text.resize(kErrorMax);
    Log(text);
    return -1;
  }
  std::string Quote() const { return "'" + std::to_string(code) + " " + replyText + "'"; }

  void StartClock() {
    deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  }

  void SendRaw(const std::string& text) {
    StartClock();
    SmtpSend(connection, text.data(), text.size(), deadline);
  }
  // A command line as sent, logged as sent unless `logged` stands in for it.
  void Command(const std::string& line, const char* logged = nullptr) {
    if (!logged) {
      Note("[C] " + line);
    } else if (*logged) {
      Note(logged);
    }
    SendRaw(line);
  }

  // One whole reply, continuation lines included; the first line gives code and text.
  int ReadReply(int maxLines) {
    code = -1;
    replyText.clear();
    lines.clear();
    StartClock();
    std::string line;
    for (;;) {
      if (static_cast<int>(lines.size()) == maxLines) return REPLY_TOO_LONG;
      const int read = SmtpReadLine(connection, line, kReplyLineMax, deadline);
      if (read == SMTP_IO_TIMEOUT) return REPLY_TIMEOUT;
      if (read < 3) return Failed();
      Note("[S] " + line + "\r\n");
      // "250" alone, without its blank, is no reply line.
      if (read < 5) return Failed();
      const std::string text = line.substr(4);
      if (lines.empty()) {
        code = atoi(line.substr(0, 3).c_str());
        replyText = text;
      }
      lines.push_back(text);
      if (line[3] != '-') return 0;
    }
  }
  int Failed() {
    code = -1;
    replyText.clear();
    return REPLY_FAILED;
  }
  // Ends the session for a reply that did not come in time or would not end.
  bool Hopeless(int read) const { return read == REPLY_TIMEOUT || read == REPLY_TOO_LONG; }
  int HopelessError(int read) const {
    return Error(read == REPLY_TIMEOUT ? "Timed out waiting for the SMTP server"
                                       : "Too many reply lines");
  }
  // Sends a command and reads its reply: 0 when the reply came with `expected` (or
  // `alternative`), -1 after logging the hopeless case, 1 for any other reply.
  int Exchange(const std::string& line, int expected, int alternative = -2,
               const char* logged = nullptr) {
    Command(line, logged);
    const int read = ReadReply(kReplyLinesMax);
    if (Hopeless(read)) return HopelessError(read);
    return read == 0 && (code == expected || code == alternative) ? 0 : 1;
  }

  bool Offers(const char* word) const {
    for (const std::string& capability : capabilities) {
      if (ContainsNoCase(capability, word)) return true;
    }
    return false;
  }

  int Validate() const;
  int Greet();
  int Hello();
  int StartTls();
  int Authenticate();
  int AuthCramMd5();
  int AuthLogin();
  int AuthPlain();
  int CheckCredentials(const char* method) const;
  int Envelope();
  int SendMessage();
  int Run();
};

int Session::Validate() const {
  struct Field {
    const char* text;
    const char* name;
    bool quoted;
  };
  const Field fields[] = {
      {mail.From, "From address", false},
      {mail.FromName, "From name", false},
      {mail.Subject, "Subject", false},
      {mail.Cc, "Cc", false},
      {mail.Bcc, "Bcc", false},
      {mail.ReplyTo, "Reply-To", false},
      {mail.NotifyAddress, "Disposition-Notification-To", false},
      {mail.Mailer, "X-Mailer", false},
      {mail.ContentType, "Content-Type", false},
      {mail.Charset, "charset", true},
      {getenv("NOTIFY_RCPT"), "NOTIFY_RCPT", false},
  };
  for (const Field& field : fields) {
    if (BreaksOut(field.text, field.quoted))
      return Error(std::string("Invalid character in ") + field.name);
  }
  for (int32_t i = 0; i < mail.RecipientCount && mail.Recipients; ++i) {
    if (BreaksOut(mail.Recipients[i], false)) return Error("Invalid character in recipient");
  }
  if (mail.BodyLength < 0 || (mail.BodyLength > 0 && !mail.Body)) {
    return Error("Invalid body length");
  }
  if (mail.AttachmentCount > 0 && !mail.Attachments) return Error("Invalid attachment length");
  for (int32_t i = 0; i < mail.AttachmentCount; ++i) {
    const tagSMTPATTACH& attachment = mail.Attachments[i];
    if (BreaksOut(attachment.Name, true)) return Error("Invalid character in attachment name");
    if (attachment.Size < 0 || (attachment.Size > 0 && !attachment.Data)) {
      return Error("Invalid attachment length");
    }
  }
  return 0;
}

int Session::Greet() {
  esmtp = mail.AssumeESMTP != 0;
  const int read = ReadReply(kGreetingLinesMax);
  if (Hopeless(read)) return HopelessError(read);
  if (read != 0 || code != 220) return Error("Expected smtp code 220, got " + std::to_string(code));
  for (const std::string& text : lines) {
    if (ContainsNoCase(text, "ESMTP")) esmtp = true;
  }
  return 0;
}

int Session::Hello() {
  const char* verb = esmtp ? "EHLO" : "HELO";
  Command(std::string(verb) + " " + hostName + "\r\n");
  const int read = ReadReply(kReplyLinesMax);
  if (Hopeless(read)) return HopelessError(read);
  if (read != 0 || code != 250) {
    Error(std::string(verb) + " failed");
    return 0;
  }
  capabilities.insert(capabilities.end(), lines.begin() + 1, lines.end());
  return 0;
}

int Session::StartTls() {
  const int result = Exchange("STARTTLS\r\n", 220);
  if (result < 0) return result;
  if (result > 0) {
    Error("Unknown STARTTLS response code " + std::to_string(code));
    return 0;
  }
  // After a 220 the server waits for a handshake: whatever follows a failed one would go,
  // credentials and all, to whoever broke it.
  std::string failure;
  StartClock();
  const int started = SmtpStartTls(connection, deadline, failure);
  if (started == SMTP_IO_TIMEOUT) return HopelessError(REPLY_TIMEOUT);
  if (started != 0) {
    Error(failure);
    SmtpLogTlsErrors(mail.LogCallback, mail.LogUser);
    return -1;
  }
  if (LogsProtocol()) SmtpLogTlsInfo(connection, mail.LogCallback, mail.LogUser);
  // What the server offered before TLS may have been put there by someone in between.
  capabilities.clear();
  return Hello();
}

int Session::CheckCredentials(const char* method) const {
  if (!*Text(mail.User))
    return Error(std::string("No user name specified for 'AUTH ") + method + "'");
  if (!*Text(mail.Password)) {
    return Error(std::string("No password specified for user ") + mail.User + " for 'AUTH " +
                 method + "'");
  }
  return 0;
}

int Session::AuthCramMd5() {
  if (CheckCredentials("CRAM-MD5") < 0) return -1;
  Note("Using AUTH CRAM-MD5\n");
  int result = Exchange("AUTH CRAM-MD5\r\n", 334);
  if (result < 0) return result;
  if (result == 0) {
    std::string answer;
    if (!CramMd5Answer(replyText, mail.User, mail.Password, answer)) {
      Log("Could not base64 decode CRAM-MD5 challenge: " + replyText + "\r\n");
      result = 1;
    } else {
      result = Exchange(answer + "\r\n", 235);
      if (result < 0) return result;
    }
  }
  if (result > 0) return Error("AUTH CRAM-MD5 failed: " + Quote());
  Note("CRAM-MD5 Authentication succeeded\n");
  return 0;
}

int Session::AuthLogin() {
  if (CheckCredentials("LOGIN") < 0) return -1;
  Note("Using AUTH LOGIN\n");
  // The two credential lines stay out of the log.
  int result = Exchange("AUTH LOGIN\r\n", 334);
  if (result == 0) {
    result = Exchange(Base64Encode(mail.User, strlen(mail.User), false) + "\r\n", 334, -2, "");
  }
  if (result == 0) {
    result =
        Exchange(Base64Encode(mail.Password, strlen(mail.Password), false) + "\r\n", 235, -2, "");
  }
  if (result < 0) return result;
  if (result > 0) return Error("AUTH LOGIN failed: " + Quote());
  return 0;
}

int Session::AuthPlain() {
  if (CheckCredentials("PLAIN") < 0) return -1;
  std::string credentials;
  credentials += '\0';
  credentials += mail.User;
  credentials += '\0';
  credentials += mail.Password;
  const int result =
      Exchange("AUTH PLAIN " + Base64Encode(credentials.data(), credentials.size(), false) + "\r\n",
               235, -2, "[C] AUTH PLAIN ****\r\n");
  if (result < 0) return result;
  if (result > 0) return Error("AUTH PLAIN failed: " + Quote());
  Note("PLAIN Authentication succeeded\r\n");
  return 0;
}

int Session::Authenticate() {
  if (!Offers("AUTH")) return 0;
  // A method the server refuses ends the session: the next one would be refused as well.
  if (authCramMd5 && Offers("CRAM-MD5")) return AuthCramMd5();
  if (authLogin && Offers("LOGIN")) return AuthLogin();
  if (authPlain && Offers("PLAIN")) return AuthPlain();
  if (mail.Quiet) return 0;
  if (Offers("CRAM-MD5")) Log("Server supports AUTH CRAM-MD5.\r\n");
  if (Offers("LOGIN")) {
    Log("Server supports AUTH LOGIN.\r\n");
    Log("AUTH LOGIN should be used if server supports STARTTLS.\r\n");
  }
  if (Offers("PLAIN")) {
    Log("Server supports AUTH PLAIN.\r\n");
    Log("AUTH PLAIN should be used if server supports STARTTLS.\r\n");
  }
  return 0;
}

int Session::Envelope() {
  int result = Exchange("MAIL FROM: <" + std::string(mail.From) + ">\r\n", 250);
  if (result < 0) return result;
  if (result > 0) return Error("MAIL FROM failed: " + Quote());
  const char* notify = getenv("NOTIFY_RCPT");
  for (int32_t i = 0; i < mail.RecipientCount && mail.Recipients; ++i) {
    const std::string recipient = Text(mail.Recipients[i]);
    std::string line = "RCPT TO: <" + recipient + ">\r\n";
    if (notify) {
      Note(std::string("NOTIFY_RCPT=") + notify + "\r\n");
      line = "RCPT TO: " + recipient + " " + notify + "\r\n";
    }
    // 251: not local, will forward; the mail is on its way all the same.
    result = Exchange(line, 250, 251);
    if (result < 0) return result;
    if (result > 0) {
      Error("RCPT TO: <" + recipient + "> failed '" + std::to_string(code) + ":" + replyText + "'");
      Command("RSET\r\n");
      ReadReply(kReplyLinesMax);
      return -1;
    }
  }
  return 0;
}

// Sends the message in pieces of a useful size and logs it line by line.
int WriteMessage(const char* text, size_t length, void* user) {
  Session& session = *static_cast<Session*>(user);
  if (session.mail.LogMessage && !session.mail.Quiet) session.Log(std::string(text, length));
  session.pending.append(text, length);
  if (session.pending.size() < kSendBufferMax) return 0;
  session.SendRaw(session.pending);
  session.pending.clear();
  return session.connection.Broken ? -1 : 0;
}

int Session::SendMessage() {
  int result = Exchange("DATA\r\n", 354);
  if (result < 0) return result;
  if (result > 0) return Error("DATA failed: " + Quote());
  // Without the end marker the server drops what came: a mail with a part missing is never
  // sent.
  if (ComposeMessage(mail, WriteMessage, this) < 0) {
    return Error("Connection lost while sending the message");
  }
  pending += "\r\n.\r\n";
  Note("\r\n[C] .\r\n");
  SendRaw(pending);
  pending.clear();
  const int read = ReadReply(kReplyLinesMax);
  if (Hopeless(read)) return HopelessError(read);
  // Anything but 250 after the end marker means the mail was refused.
  if (read != 0 || code != 250) return Error("Message not accepted: " + Quote());
  return 0;
}

int Session::Run() {
  if (!*Text(mail.From)) return Error("No From address specified");
  if (Validate() < 0) return -1;
  SmtpCreateTls(connection, mail.LogCallback, mail.LogUser);

  const char* server = *Text(mail.Server) ? mail.Server : "127.0.0.1";
  const uint16_t port = static_cast<uint16_t>(mail.Port & 0xFFFF);
  authPlain = mail.AuthAny || mail.AuthPlain;
  authCramMd5 = mail.AuthAny || mail.AuthCramMd5;
  authLogin = mail.AuthAny || mail.AuthLogin;
  hostName = SmtpLocalHostName();

  StartClock();
  const int connected = SmtpConnect(connection, server, port, deadline);
  if (connected == SMTP_IO_TIMEOUT) return HopelessError(REPLY_TIMEOUT);
  if (connected != 0) {
    return Error("Could not connect to SMTP server \"" + std::string(server) + "\" at port " +
                 std::to_string(port));
  }
  if (Greet() < 0 || Hello() < 0) return -1;
  if (mail.StartTLS && Offers("TLS") && StartTls() < 0) return -1;
  if (Authenticate() < 0 || Envelope() < 0 || SendMessage() < 0) return -1;
  Note("[C] QUIT\r\n");
  SendRaw("QUIT\r\n");
  ReadReply(kReplyLinesMax);
  return 0;
}

std::string CanonicalHostName() {
  char name[256];
  if (gethostname(name, sizeof name) != 0) return "unknown";
  name[sizeof name - 1] = '\0';
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return "unknown";
  std::string canonical = found->ai_canonname ? found->ai_canonname : "unknown";
  freeaddrinfo(found);
  return canonical;
}

}  // namespace

std::string (*SmtpLocalHostName)() = CanonicalHostName;

int RunSmtpSession(tagSMTPMAIL* mail) {
  Session session(*mail);
  int result;
  try {
    result = session.Run();
  } catch (const std::bad_alloc&) {
    result = session.Error("Out of memory");
  }
  SmtpClose(session.connection);
  return result;
}
