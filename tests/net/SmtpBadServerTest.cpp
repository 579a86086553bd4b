// Servers that misbehave: scripted ones, and seeded sessions against a listener that answers
// whatever the client sends with random lines. Every session ends with 0 or -1, in time.
// More random sessions with TL_SMTP_SESSIONS=n.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "tests/net/SmtpTestSupport.h"

namespace {

const char* const kContinuations[] = {"250-AUTH PLAIN LOGIN CRAM-MD5", "250-STARTTLS",
                                      "220-hello ESMTP", "250-x", "334-y"};
const char* const kFinals[] = {"220 ready ESMTP",
                               "250 ok",
                               "250 STARTTLS",
                               "250 AUTH CRAM-MD5 LOGIN PLAIN",
                               "251 fwd",
                               "334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+",
                               "334 VXNlcm5hbWU6",
                               "334 !!==",
                               "235 ok",
                               "354 go",
                               "220 go ahead",
                               "535 no",
                               "550 no",
                               "554 no",
                               "abc",
                               "2",
                               "999 x",
                               "250 ",
                               "250",
                               "221 bye"};

std::string RandomReply(std::mt19937& random) {
  std::string reply;
  const int continuations = static_cast<int>(random() % 3);
  for (int i = 0; i < continuations; ++i) {
    reply += kContinuations[random() % (sizeof kContinuations / sizeof kContinuations[0])];
    reply += "\r\n";
  }
  if (random() % 8 == 0) {
    for (int i = static_cast<int>(random() % 40); i > 0; --i) {
      const char c = static_cast<char>(random() % 256);
      if (c != '\n') reply += c;
    }
  } else {
    reply += kFinals[random() % (sizeof kFinals / sizeof kFinals[0])];
  }
  return reply + "\r\n";
}

// Answers every piece the client sends until it closes, or closes first now and then.
void Serve(int listener, unsigned seed) {
  std::mt19937 random(seed);
  const int client = accept(listener, nullptr, nullptr);
  if (client < 0) return;
  for (;;) {
    if (random() % 40 == 0) break;
    const std::string reply = RandomReply(random);
    if (send(client, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) break;
    pollfd entry{client, POLLIN, 0};
    char buffer[65536];
    if (poll(&entry, 1, 5000) <= 0 || recv(client, buffer, sizeof buffer, 0) <= 0) break;
  }
  close(client);
}

TEST(SmtpBadServer, EachEndsWithOneErrorInTime) {
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
    SmtpRequest request;
    request.mail.TimeoutSeconds = 1;
    request.mail.StartTLS = 1;
    request.mail.AuthAny = 1;
    const auto start = std::chrono::steady_clock::now();
    int result = 0;
    Converse(request, c.members, &result);
    SCOPED_TRACE(std::string(c.members) + "\n" + request.log.text.substr(0, 2000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(Has(request.log.text, std::string("Error: ") + c.error + "\r\n"));
    EXPECT_EQ(request.log.Errors(), 1);
  }
  // A peer that goes away while a large message is on its way.
  SmtpRequest request;
  request.mail.TimeoutSeconds = 2;
  request.body.assign(8 << 20, 'x');
  int result = 0;
  Converse(request, R"("act": {"at": "MESSAGE", "do": "close"})", &result);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(request.log.Errors(), 1) << request.log.text.substr(0, 2000);
}

TEST(SmtpBadServer, RandomRepliesEndInTime) {
  int port = 0;
  const int listener = LoopbackListener(&port);
  ASSERT_GE(listener, 0);
  const char* sessions = getenv("TL_SMTP_SESSIONS");
  const unsigned count = sessions ? static_cast<unsigned>(atoi(sessions)) : 300;
  for (unsigned seed = 0; seed < count; ++seed) {
    std::thread server(Serve, listener, seed);
    SmtpRequest request;
    request.mail.LogProtocol = seed % 2;
    request.mail.StartTLS = 1;
    request.mail.AuthAny = seed % 3 != 0;
    request.mail.AssumeESMTP = seed % 5 == 0;
    request.mail.TimeoutSeconds = 3;
    request.body = std::string("text\r\n.\r\nFrom \x01", seed % 16);
    if (seed % 2) {
      request.names = {"n"};
      request.data = {request.body};
    }
    const auto start = std::chrono::steady_clock::now();
    const int result = request.Send(port);
    const auto took = std::chrono::steady_clock::now() - start;
    server.join();
    SCOPED_TRACE(std::to_string(seed) + "\n" + request.log.text.substr(0, 3000));
    EXPECT_TRUE(result == 0 || result == -1);
    EXPECT_GE(request.log.Errors(), -result);
    EXPECT_LT(took, std::chrono::seconds(5));
  }
  close(listener);
}

}  // namespace
