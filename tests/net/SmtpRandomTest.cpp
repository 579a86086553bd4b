// Seeded sessions against a listener that answers whatever the client sends with random
// lines: every session ends with 0 or -1, in time. More sessions with TL_SMTP_SESSIONS=n.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "net/SmtpMail.h"
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

TEST(SmtpRandom, SessionsAgainstRandomRepliesEndInTime) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);

  const char* sessions = getenv("TL_SMTP_SESSIONS");
  const unsigned count = sessions ? static_cast<unsigned>(atoi(sessions)) : 300;
  char from[] = "a@example.org";
  char to[] = "b@example.org";
  char* recipients[] = {to};
  char user[] = "user";
  char password[] = "secret";
  char body[] = "text\r\n.\r\nFrom \x01";
  char name[] = "n";
  tagSMTPATTACH attachment{name, body, 5};
  for (unsigned seed = 0; seed < count; ++seed) {
    std::thread server(Serve, listener, seed);
    tagSMTPMAIL mail{};
    SmtpLogText log;
    mail.LogProtocol = seed % 2;
    mail.StartTLS = 1;
    mail.AuthAny = seed % 3 != 0;
    mail.AssumeESMTP = seed % 5 == 0;
    mail.From = from;
    mail.Recipients = recipients;
    mail.RecipientCount = 1;
    mail.User = user;
    mail.Password = password;
    mail.Body = body;
    mail.BodyLength = static_cast<int32_t>(seed % sizeof body);
    mail.Attachments = &attachment;
    mail.AttachmentCount = seed % 2;
    mail.Port = ntohs(address.sin_port);
    mail.LogCallback = SmtpLogText::Collect;
    mail.LogUser = &log;
    mail.TimeoutSeconds = 3;
    const auto start = std::chrono::steady_clock::now();
    const int result = RunSmtpSession(&mail);
    const auto took = std::chrono::steady_clock::now() - start;
    server.join();
    EXPECT_TRUE(result == 0 || result == -1) << seed;
    if (result == -1) {
      EXPECT_GE(log.Errors(), 1) << seed;
    }
    EXPECT_LT(took, std::chrono::seconds(5)) << seed << "\n" << log.text.substr(0, 3000);
  }
  close(listener);
}

}  // namespace
