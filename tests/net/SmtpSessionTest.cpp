// SMTP sessions against the scripted peer on 127.0.0.1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "net/SmtpMail.h"
#include "tests/net/SmtpTestSupport.h"

namespace {

// Credentials longer than one line of the message encoder.
const char kLongUser[] = "uuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuu";
const char kLongPassword[] = "pppppppppppppppppppppppppppppppppppppppp";

TEST(SmtpSession, Conversations) {
  const struct {
    const char* members;  // of the peer's configuration
    void (*setUp)(SmtpRequest&);
    int result;
    const char* logged;   // in the client's log
    const char* sent;     // among the lines the peer got
    const char* notSent;  // in none of them
  } cases[] = {
      {R"("greeting": ["220 mail ESMTP ready"])", nullptr, 0, "", "EHLO client.test", "HELO"},
      {R"("greeting": ["220 mail ready"])", nullptr, 0, "", "HELO client.test", "EHLO"},
      {R"("greeting": ["220 mail ready"])", [](SmtpRequest& r) { r.mail.AssumeESMTP = 1; }, 0, "",
       "EHLO client.test", "HELO"},
      {R"("greeting": ["220-mail ready", "220 speaks esmtp too"])", nullptr, 0, "",
       "EHLO client.test", "HELO"},
      // The peer checks every credential: a wrong one is refused with 535.
      {"", [](SmtpRequest& r) { r.mail.AuthCramMd5 = 1; }, 0, "CRAM-MD5 Authentication succeeded\n",
       "AUTH CRAM-MD5", nullptr},
      {"", [](SmtpRequest& r) { r.mail.AuthLogin = 1; }, 0, "[C] AUTH LOGIN\r\n[S] 334",
       "AUTH LOGIN", nullptr},
      {"", [](SmtpRequest& r) { r.mail.AuthPlain = 1; }, 0, "[C] AUTH PLAIN ****\r\n[S] 235",
       "AUTH PLAIN AHVzZXIAc2VjcmV0", nullptr},
      {R"("user": "uuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuu",)"
       R"( "password": "pppppppppppppppppppppppppppppppppppppppp")",
       [](SmtpRequest& r) {
         r.mail.AuthPlain = 1;
         r.user = kLongUser;
         r.password = kLongPassword;
       },
       0, "PLAIN Authentication succeeded", "AUTH PLAIN", nullptr},
      // A refused method ends the session; the next one is not tried.
      {R"("ehlo": ["250-peer", "250-AUTH LOGIN PLAIN", "250 STARTTLS"], "password": "x")",
       [](SmtpRequest& r) { r.mail.AuthAny = 1; }, -1,
       "Error: AUTH LOGIN failed: '535 5.7.8 Authentication credentials invalid'\r\n", "AUTH LOGIN",
       "AUTH PLAIN"},
      {R"("ehlo_tls": ["250-peer", "250 AUTH PLAIN"])",
       [](SmtpRequest& r) { r.mail.StartTLS = r.mail.AuthAny = 1; }, 0,
       "Subject: /CN=localhost\r\nIssuer: /CN=localhost\r\n[C] EHLO client.test", "AUTH PLAIN",
       nullptr},
      // A broken handshake after 220: nothing more goes out, least of all credentials.
      {R"("starttls": "garbage")", [](SmtpRequest& r) { r.mail.StartTLS = r.mail.AuthAny = 1; }, -1,
       "Error: SSL connection failed\r\n", nullptr, "AUTH"},
      {R"("starttls": "close")", [](SmtpRequest& r) { r.mail.StartTLS = r.mail.AuthAny = 1; }, -1,
       "Error: SSL connection failed\r\n", nullptr, "AUTH"},
      // What was offered before TLS is not believed after it.
      {R"("ehlo": ["250-peer", "250-AUTH PLAIN", "250 STARTTLS"], "ehlo_tls": ["250 peer"])",
       [](SmtpRequest& r) { r.mail.StartTLS = r.mail.AuthAny = 1; }, 0, "", "MAIL FROM", "AUTH"},
      // A refused STARTTLS goes on in plain text.
      {R"("replies": {"STARTTLS": ["454 4.7.0 TLS not available"]})",
       [](SmtpRequest& r) { r.mail.StartTLS = r.mail.AuthAny = 1; }, 0,
       "Error: Unknown STARTTLS response code 454\r\n", "AUTH", nullptr},
      {R"("replies": {"RCPT": ["550 5.1.1 No such user"]})", nullptr, -1,
       "Error: RCPT TO: <rcpt@example.org> failed '550:5.1.1 No such user'\r\n[C] RSET\r\n", "RSET",
       "DATA"},
      {R"("replies": {"RCPT": ["251 2.1.5 Will forward"]})", nullptr, 0, "", "DATA", nullptr},
      // Four bytes are no reply line.
      {R"("replies": {"RCPT": ["250 "]})", nullptr, -1,
       "Error: RCPT TO: <rcpt@example.org> failed '-1:'", "RSET", "DATA"},
      // A reply of several lines is read whole before the next command.
      {R"("replies": {"RCPT": ["250-one", "250-two", "250 three"]})", nullptr, 0,
       "[S] 250 three\r\n[C] DATA", "DATA", nullptr},
      {R"("replies": {"MAIL": ["553 5.1.8 Bad sender"]})", nullptr, -1,
       "Error: MAIL FROM failed: '553 5.1.8 Bad sender'\r\n", nullptr, "RCPT"},
      {R"("replies": {"DATA": ["451 4.3.0 Try later"]})", nullptr, -1,
       "Error: DATA failed: '451 4.3.0 Try later'\r\n", nullptr, nullptr},
      // A mail refused after its data is no mail sent.
      {R"("replies": {"END": ["554 5.7.1 Rejected"]})", nullptr, -1,
       "Error: Message not accepted: '554 5.7.1 Rejected'\r\n", nullptr, nullptr},
      {"", [](SmtpRequest&) { setenv("NOTIFY_RCPT", "NOTIFY=SUCCESS", 1); }, 0,
       "NOTIFY_RCPT=NOTIFY=SUCCESS\r\n", "RCPT TO: rcpt@example.org NOTIFY=SUCCESS", nullptr},
  };
  for (const auto& c : cases) {
    SmtpRequest request;
    if (c.setUp) c.setUp(request);
    int result = 0;
    const std::string record = Converse(request, c.members, &result);
    unsetenv("NOTIFY_RCPT");
    const std::vector<std::string> got = JsonTexts(record, "commands");
    const auto sent = [&got](const char* part) {
      for (const std::string& line : got) {
        if (Has(line, part)) return true;
      }
      return false;
    };
    SCOPED_TRACE(std::string(c.members) + "\n" + request.log.text);
    EXPECT_EQ(result, c.result);
    EXPECT_TRUE(Has(request.log.text, c.logged));
    EXPECT_LE(request.log.Errors(), 1);
    EXPECT_FALSE(Has(request.log.text, "c2VjcmV0")) << "the password went to the log";
    if (c.sent) {
      EXPECT_TRUE(sent(c.sent)) << c.sent;
    }
    // Bytes after a failed handshake may share a line with the handshake's.
    if (c.notSent) {
      EXPECT_FALSE(sent(c.notSent)) << c.notSent;
    }
  }
}

TEST(SmtpSession, RefusedRequestsOpenNoConnection) {
  int port = 0;
  const int listener = LoopbackListener(&port);
  ASSERT_GE(listener, 0);
  fcntl(listener, F_SETFL, O_NONBLOCK);
  static char bad[][32] = {
      "", "x\r\nRCPT TO:<x@evil>", "a@b\n", "a@b>\rDATA", "utf-8\"; x=\"", "m\n", "a\"b"};
  static tagSMTPATTACH attachments[] = {{bad[6], bad[0], 0}, {bad[0], nullptr, 5}};
  const struct {
    void (*change)(tagSMTPMAIL&);
    const char* error;
  } cases[] = {
      {[](tagSMTPMAIL& m) { m.From = bad[0]; }, "No From address specified"},
      {[](tagSMTPMAIL& m) { m.Subject = bad[1]; }, "Invalid character in Subject"},
      {[](tagSMTPMAIL& m) { m.From = bad[2]; }, "Invalid character in From address"},
      {[](tagSMTPMAIL& m) { m.Recipients[0] = bad[3]; }, "Invalid character in recipient"},
      {[](tagSMTPMAIL& m) { m.Charset = bad[4]; }, "Invalid character in charset"},
      {[](tagSMTPMAIL& m) { m.Mailer = bad[5]; }, "Invalid character in X-Mailer"},
      {[](tagSMTPMAIL& m) { m.Attachments = attachments, m.AttachmentCount = 1; },
       "Invalid character in attachment name"},
      {[](tagSMTPMAIL&) { setenv("NOTIFY_RCPT", "NOTIFY=NEVER\r\nRSET", 1); },
       "Invalid character in NOTIFY_RCPT"},
      {[](tagSMTPMAIL& m) { m.BodyLength = -1; }, "Invalid body length"},
      {[](tagSMTPMAIL& m) { m.Body = nullptr; }, "Invalid body length"},
      {[](tagSMTPMAIL& m) { m.Attachments = attachments + 1, m.AttachmentCount = 1; },
       "Invalid attachment length"},
  };
  for (const auto& c : cases) {
    SmtpRequest request;
    request.Fill(port);
    c.change(request.mail);
    EXPECT_EQ(RunSmtpSession(&request.mail), -1);
    unsetenv("NOTIFY_RCPT");
    EXPECT_EQ(request.log.text, std::string("Error: ") + c.error + "\r\n");
  }
  EXPECT_LT(accept(listener, nullptr, nullptr), 0) << "a refused request connected";
  close(listener);
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
    SmtpRequest request;
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
