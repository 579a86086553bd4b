// SMTP sessions against the scripted peer on 127.0.0.1.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "net/SmtpMail.h"
#include "tests/net/SmtpTestSupport.h"

namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Bytes after a failed handshake may share a line with the handshake's.
bool Sent(const std::vector<std::string>& commands, const std::string& part) {
  for (const std::string& command : commands) {
    if (Has(command, part)) return true;
  }
  return false;
}

// One request with owned texts; Send points the request at them.
struct Request {
  tagSMTPMAIL mail{};
  SmtpLogText log;
  std::string from = "sender@example.org";
  std::string to = "rcpt@example.org";
  std::string user = "user";
  std::string password = "secret";
  std::string subject = "Test";
  std::string body = "hello\r\n";
  std::vector<std::string> names;
  std::vector<std::string> data;
  std::vector<char*> recipients;
  std::vector<tagSMTPATTACH> attachments;

  Request() {
    mail.LogProtocol = 1;
    mail.TimeoutSeconds = 10;
  }
  int Send(int port) {
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
    return RunSmtpSession(&mail);
  }
};

// Runs `request` against a peer configured by `members`; returns the peer's record.
std::string Converse(Request& request, const std::string& members, int* result) {
  SmtpPeer peer;
  EXPECT_TRUE(peer.Start(members));
  *result = request.Send(peer.Port());
  return peer.Finish();
}

TEST(SmtpSession, GreetingDecidesBetweenEhloAndHelo) {
  const struct {
    const char* greeting;
    bool assumeEsmtp;
    const char* hello;
  } cases[] = {
      {R"("220 mail ESMTP ready")", false, "EHLO client.test"},
      {R"("220 mail ready")", false, "HELO client.test"},
      {R"("220 mail ready")", true, "EHLO client.test"},
      {R"("220-mail ready", "220 speaks esmtp too")", false, "EHLO client.test"},
  };
  for (const auto& c : cases) {
    Request request;
    request.mail.AssumeESMTP = c.assumeEsmtp;
    int result = 0;
    const std::string record =
        Converse(request, std::string(R"("greeting": [)") + c.greeting + "]", &result);
    EXPECT_EQ(result, 0) << request.log.text;
    const std::vector<std::string> commands = JsonTexts(record, "commands");
    ASSERT_FALSE(commands.empty()) << c.greeting;
    EXPECT_EQ(commands[0], c.hello);
  }
}

TEST(SmtpSession, EachAuthMethodIsVerifiedByThePeer) {
  const struct {
    int32_t tagSMTPMAIL::*method;
    const char* auth;
    const char* logged;
  } cases[] = {
      {&tagSMTPMAIL::AuthCramMd5, "CRAM-MD5 ok", "CRAM-MD5 Authentication succeeded\n"},
      {&tagSMTPMAIL::AuthLogin, "LOGIN ok", "[C] AUTH LOGIN\r\n"},
      {&tagSMTPMAIL::AuthPlain, "PLAIN ok", "[C] AUTH PLAIN ****\r\n"},
  };
  for (const auto& c : cases) {
    Request request;
    request.mail.*c.method = 1;
    int result = 0;
    const std::string record = Converse(request, "", &result);
    EXPECT_EQ(result, 0) << request.log.text;
    EXPECT_EQ(JsonText(record, "auth"), c.auth);
    EXPECT_TRUE(Has(request.log.text, c.logged)) << request.log.text;
    EXPECT_FALSE(Has(request.log.text, "c2VjcmV0")) << "the password went to the log";
  }
  // Long credentials go as one unbroken line.
  Request request;
  request.mail.AuthPlain = 1;
  request.user = std::string(100, 'u');
  request.password = std::string(100, 'p');
  int result = 0;
  const std::string record = Converse(
      request, R"("user": ")" + request.user + R"(", "password": ")" + request.password + "\"",
      &result);
  EXPECT_EQ(result, 0) << request.log.text;
  EXPECT_EQ(JsonText(record, "auth"), "PLAIN ok");
}

TEST(SmtpSession, RefusedLoginEndsTheSessionWithoutTryingPlain) {
  Request request;
  request.mail.AuthAny = 1;
  int result = 0;
  const std::string record = Converse(
      request, R"("ehlo": ["250-peer", "250-AUTH LOGIN PLAIN", "250 STARTTLS"], "password": "x")",
      &result);
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(Has(request.log.text,
                  "Error: AUTH LOGIN failed: '535 5.7.8 Authentication credentials invalid'\r\n"))
      << request.log.text;
  EXPECT_FALSE(Sent(JsonTexts(record, "commands"), "AUTH PLAIN"));
  EXPECT_FALSE(Sent(JsonTexts(record, "commands"), "MAIL"));
}

TEST(SmtpSession, StartTlsBringsUpTlsAndGreetsAgain) {
  Request request;
  request.mail.StartTLS = 1;
  request.mail.AuthAny = 1;
  int result = 0;
  const std::string record =
      Converse(request, R"("ehlo_tls": ["250-peer", "250 AUTH PLAIN"])", &result);
  EXPECT_EQ(result, 0) << request.log.text;
  EXPECT_EQ(JsonText(record, "tls"), "yes");
  EXPECT_EQ(JsonText(record, "auth"), "PLAIN ok");
  const std::vector<std::string> commands = JsonTexts(record, "commands");
  ASSERT_GE(commands.size(), 3u);
  EXPECT_EQ(commands[1], "STARTTLS");
  EXPECT_EQ(commands[2], "EHLO client.test");
  EXPECT_TRUE(Has(request.log.text, "Cipher: ")) << request.log.text;
  EXPECT_TRUE(Has(request.log.text, "Subject: /CN=localhost\r\n"));
  EXPECT_TRUE(Has(request.log.text, "Issuer: /CN=localhost\r\n"));
}

TEST(SmtpSession, TlsDecidesWhatIsSentAfterStartTls) {
  const struct {
    const char* members;
    int result;
    const char* logged;
    bool authSent;
  } cases[] = {
      // A broken handshake after 220: nothing more goes out, least of all credentials.
      {R"("starttls": "garbage")", -1, "Error: SSL connection failed\r\n", false},
      {R"("starttls": "close")", -1, "Error: SSL connection failed\r\n", false},
      // What was offered before TLS is not believed after it.
      {R"("ehlo": ["250-peer", "250-AUTH PLAIN", "250 STARTTLS"], "ehlo_tls": ["250 peer"])", 0,
       "[C] MAIL FROM", false},
      // A refused STARTTLS goes on in plain text.
      {R"("replies": {"STARTTLS": ["454 4.7.0 TLS not available"]})", 0,
       "Error: Unknown STARTTLS response code 454\r\n", true},
  };
  for (const auto& c : cases) {
    Request request;
    request.mail.StartTLS = 1;
    request.mail.AuthAny = 1;
    int result = 0;
    const std::string record = Converse(request, c.members, &result);
    EXPECT_EQ(result, c.result) << c.members << request.log.text;
    EXPECT_TRUE(Has(request.log.text, c.logged)) << c.members << request.log.text;
    EXPECT_EQ(Sent(JsonTexts(record, "commands"), "AUTH"), c.authSent) << c.members;
  }
}

TEST(SmtpSession, RepliesToTheEnvelopeAndTheMessage) {
  const struct {
    const char* members;
    int result;
    const char* logged;
  } cases[] = {
      {R"("replies": {"RCPT": ["550 5.1.1 No such user"]})", -1,
       "Error: RCPT TO: <rcpt@example.org> failed '550:5.1.1 No such user'\r\n[C] RSET\r\n"},
      {R"("replies": {"RCPT": ["251 2.1.5 Will forward"]})", 0, "[S] 250 2.0.0 Ok: queued"},
      {R"("replies": {"RCPT": ["250 "]})", -1, "Error: RCPT TO: <rcpt@example.org> failed '-1:'"},
      {R"("replies": {"RCPT": ["250-one", "250-two", "250 three"]})", 0, "[S] 354 End data"},
      {R"("replies": {"MAIL": ["553 5.1.8 Bad sender"]})", -1,
       "Error: MAIL FROM failed: '553 5.1.8 Bad sender'\r\n"},
      {R"("replies": {"DATA": ["451 4.3.0 Try later"]})", -1,
       "Error: DATA failed: '451 4.3.0 Try later'\r\n"},
      {R"("replies": {"END": ["554 5.7.1 Rejected"]})", -1,
       "Error: Message not accepted: '554 5.7.1 Rejected'\r\n"},
  };
  for (const auto& c : cases) {
    Request request;
    int result = 0;
    Converse(request, c.members, &result);
    EXPECT_EQ(result, c.result) << c.members << request.log.text;
    EXPECT_TRUE(Has(request.log.text, c.logged)) << c.members << request.log.text;
    EXPECT_LE(request.log.Errors(), 1) << request.log.text;
  }
}

TEST(SmtpSession, NotifyRcptGoesOnTheRecipientLine) {
  setenv("NOTIFY_RCPT", "NOTIFY=SUCCESS", 1);
  Request request;
  int result = 0;
  const std::string record = Converse(request, "", &result);
  unsetenv("NOTIFY_RCPT");
  EXPECT_EQ(result, 0) << request.log.text;
  EXPECT_TRUE(Sent(JsonTexts(record, "commands"), "RCPT TO: rcpt@example.org NOTIFY=SUCCESS"));
  EXPECT_TRUE(Has(request.log.text, "NOTIFY_RCPT=NOTIFY=SUCCESS\r\n"));
}

TEST(SmtpSession, RefusedRequestsOpenNoConnection) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);

  const struct {
    void (*change)(Request&);
    const char* error;
  } cases[] = {
      {[](Request& r) { r.from.clear(); }, "No From address specified"},
      {[](Request& r) { r.subject = "x\r\nRCPT TO:<x@evil>"; }, "Invalid character in Subject"},
      {[](Request& r) { r.from = "a@b\n"; }, "Invalid character in From address"},
      {[](Request& r) { r.to = "a@b>\rDATA"; }, "Invalid character in recipient"},
      {[](Request& r) { r.mail.Charset = const_cast<char*>("utf-8\"; x=\""); },
       "Invalid character in charset"},
      {[](Request& r) { r.mail.Mailer = const_cast<char*>("m\n"); },
       "Invalid character in X-Mailer"},
      {[](Request& r) {
         r.names = {"a\"b"};
         r.data = {"x"};
       },
       "Invalid character in attachment name"},
      {[](Request&) { setenv("NOTIFY_RCPT", "NOTIFY=NEVER\r\nRSET", 1); },
       "Invalid character in NOTIFY_RCPT"},
  };
  for (const auto& c : cases) {
    Request request;
    c.change(request);
    EXPECT_EQ(request.Send(ntohs(address.sin_port)), -1);
    unsetenv("NOTIFY_RCPT");
    EXPECT_EQ(request.log.text, std::string("Error: ") + c.error + "\r\n");
  }
  // Lengths that do not fit the data.
  tagSMTPATTACH missing{nullptr, nullptr, 5};
  for (int i = 0; i < 2; ++i) {
    Request request;
    request.mail.From = request.from.data();
    if (i == 0) {
      request.mail.BodyLength = -1;
    } else {
      request.mail.Attachments = &missing;
      request.mail.AttachmentCount = 1;
    }
    request.mail.Port = ntohs(address.sin_port);
    request.mail.LogCallback = SmtpLogText::Collect;
    request.mail.LogUser = &request.log;
    EXPECT_EQ(RunSmtpSession(&request.mail), -1);
    EXPECT_EQ(request.log.text,
              i == 0 ? "Error: Invalid body length\r\n" : "Error: Invalid attachment length\r\n");
  }
  EXPECT_LT(accept(listener, nullptr, nullptr), 0) << "a refused request connected";
  close(listener);
}

TEST(SmtpSession, BadServersEndWithOneErrorInTime) {
  const struct {
    const char* members;
    const char* error;
  } cases[] = {
      {R"("act": {"at": "greeting", "do": "silent"})", "Timed out waiting for the SMTP server"},
      {R"("act": {"at": "greeting", "do": "drip"})", "Timed out waiting for the SMTP server"},
      {R"("act": {"at": "greeting", "do": "long"})", "Timed out waiting for the SMTP server"},
      {R"("act": {"at": "greeting", "do": "endless"})", "Too many reply lines"},
      {R"("act": {"at": "greeting", "do": "raw", "raw": "abc hello\r\n"})",
       "Expected smtp code 220, got 0"},
      {R"("act": {"at": "greeting", "do": "raw", "raw": "2\r\n"})",
       "Expected smtp code 220, got -1"},
      {R"("act": {"at": "greeting", "do": "raw", "raw": "999 x\r\n"})",
       "Expected smtp code 220, got 999"},
      {R"("act": {"at": "greeting", "do": "raw", "raw": "\u0000\u00ff\u0000\r\n"})",
       "Expected smtp code 220, got -1"},
      {R"("act": {"at": "greeting", "do": "close"})", "Expected smtp code 220, got -1"},
      {R"("act": {"at": "EHLO", "do": "silent"})", "Timed out waiting for the SMTP server"},
      {R"("act": {"at": "EHLO", "do": "endless"})", "Too many reply lines"},
      {R"("act": {"at": "MAIL", "do": "drip"})", "Timed out waiting for the SMTP server"},
      {R"("act": {"at": "STARTTLS", "do": "raw", "raw": "220 go\r\n"})",
       "Timed out waiting for the SMTP server"},
      {R"("challenge_raw": "*not=base64=", "ehlo": ["250-peer", "250 AUTH CRAM-MD5"])",
       "AUTH CRAM-MD5 failed: '334 *not=base64='"},
      {R"("act": {"at": "MESSAGE", "do": "close"})", "Message not accepted: '-1 '"},
      {R"("act": {"at": "END", "do": "silent"})", "Timed out waiting for the SMTP server"},
  };
  for (const auto& c : cases) {
    Request request;
    request.mail.TimeoutSeconds = 1;
    request.mail.StartTLS = 1;
    request.mail.AuthAny = 1;
    const auto start = std::chrono::steady_clock::now();
    int result = 0;
    Converse(request, c.members, &result);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result, -1) << c.members;
    EXPECT_TRUE(Has(request.log.text, std::string("Error: ") + c.error + "\r\n"))
        << c.members << "\n"
        << request.log.text.substr(0, 2000);
    EXPECT_EQ(request.log.Errors(), 1) << c.members << request.log.text.substr(0, 2000);
    EXPECT_LT(took, std::chrono::seconds(6)) << c.members;
  }
  // A peer that goes away while a large message is on its way.
  Request request;
  request.mail.TimeoutSeconds = 2;
  request.body.assign(8 << 20, 'x');
  int result = 0;
  Converse(request, R"("act": {"at": "MESSAGE", "do": "close"})", &result);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(request.log.Errors(), 1) << request.log.text.substr(0, 2000);
}

// Text a body may hold, in pieces that stress the encoders.
std::string RandomBody(std::mt19937& random, bool binary) {
  static const char* const kPieces[] = {".",  ".\r\n", "From ",   "From", " ",
                                        "\t", " \r\n", "\r\n",    "\n",   "\r",
                                        "=",  "x",     "abc def", "\xE9", "\xFF"};
  std::string body;
  const int count = static_cast<int>(random() % 60);
  for (int i = 0; i < count; ++i) {
    switch (random() % 8) {
      case 0:
        body.append(40 + random() % 200, static_cast<char>('a' + random() % 26));
        break;
      case 1:
        if (binary) body += static_cast<char>(random() % 256);
        break;
      default:
        body += kPieces[random() % (sizeof kPieces / sizeof kPieces[0])];
        if (random() % 16 == 0) body += '\0';
    }
  }
  if (binary) body += '\x01';
  return body;
}

// What a decoder makes of the line ends of a quoted-printable body: one LF each.
std::string DecodedLines(const std::string& body) {
  std::string out;
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '\r') {
      out += '\n';
      if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
    } else {
      out += body[i];
    }
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

TEST(SmtpSession, RandomBodiesAndAttachmentsArriveIntact) {
  std::mt19937 random(2612);
  for (int round = 0; round < 12; ++round) {
    Request request;
    const bool binary = round % 3 == 2;
    request.body = RandomBody(random, binary);
    const int attachments = static_cast<int>(random() % 3);
    for (int i = 0; i < attachments; ++i) {
      request.names.push_back("file" + std::to_string(i) + ".bin");
      std::string data;
      const size_t size = random() % 3 == 0 ? 0 : random() % 5000;
      for (size_t b = 0; b < size; ++b) data += static_cast<char>(random() % 256);
      request.data.push_back(data);
    }
    int result = 0;
    const std::string record = Converse(request, "", &result);
    ASSERT_EQ(result, 0) << request.log.text.substr(0, 2000);
    const std::vector<std::string> parts = JsonTexts(record, "part_hex");
    ASSERT_EQ(parts.size(), static_cast<size_t>(1 + attachments)) << round;
    std::string body = FromHex(parts[0]);
    if (binary) {
      EXPECT_EQ(body, request.body) << round;
    } else {
      EXPECT_EQ(DecodedLines(body), DecodedLines(request.body)) << round;
    }
    for (int i = 0; i < attachments; ++i) {
      EXPECT_EQ(FromHex(parts[1 + i]), request.data[i]) << round;
      EXPECT_EQ(JsonTexts(record, "part_names")[1 + i], request.names[i]);
    }
    EXPECT_EQ(JsonText(record, "subject"), "Test");
  }
}

}  // namespace
