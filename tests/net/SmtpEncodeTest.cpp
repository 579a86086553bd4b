// The mail client's encoders and the composed message, without a network.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "net/SmtpEncode.h"
#include "net/SmtpMail.h"

namespace {

int Append(const char* text, size_t length, void* user) {
  static_cast<std::string*>(user)->append(text, length);
  return 0;
}

std::string Qp(const std::string& input) {
  std::string out;
  EXPECT_EQ(QuotedPrintable(input.data(), input.size(), Append, &out), 0);
  return out;
}

TEST(SmtpEncode, Base64LinesBreakAfterSixtyAndAlwaysEndWithCrLf) {
  EXPECT_EQ(Base64Encode("abc", 3, true), "YWJj\r\n");
  EXPECT_EQ(Base64Encode("", 0, true), "\r\n");
  EXPECT_EQ(Base64Encode("a", 1, false), "YQ==");
  const std::string a45(45, 'a');
  const std::string line60 = Base64Encode(a45.data(), 45, false);
  ASSERT_EQ(line60.size(), 60u);
  EXPECT_EQ(Base64Encode(a45.data(), 45, true), line60 + "\r\n\r\n");
  const std::string a46(46, 'a');
  EXPECT_EQ(Base64Encode(a46.data(), 46, true), line60 + "\r\nYQ==\r\n");
  for (size_t n = 0; n < 200; ++n) {
    std::string input;
    for (size_t i = 0; i < n; ++i) input += static_cast<char>(i * 37 + n);
    const size_t chars = (n + 2) / 3 * 4;
    EXPECT_EQ(Base64Encode(input.data(), n, true).size(), chars + 2 * (chars / 60) + 2) << n;
    const std::string encoded = Base64Encode(input.data(), n, true);
    std::string back;
    ASSERT_TRUE(Base64Decode(encoded.data(), encoded.size(), back));
    EXPECT_EQ(back, input);
  }
}

TEST(SmtpEncode, Base64DecodeIsStrictAboutPadding) {
  const struct {
    const char* text;
    bool ok;
    const char* bytes;
  } cases[] = {
      {"YQ==", true, "a"},          {"YWI=", true, "ab"},    {"YWJj", true, "abc"},
      {"YW\r\nJj \t", true, "abc"}, {"", true, ""},          {"YQ==\r\n", true, "a"},
      {"Y=Q=", false, ""},          {"YQ==YQ==", false, ""}, {"YQ=", false, ""},
      {"=YQ=", false, ""},          {"YWI=x", false, ""},    {"YQ", false, ""},
      {"YWJjY", false, ""},         {"YQ===", false, ""},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(Base64Decode(c.text, strlen(c.text), out), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(out, c.bytes) << c.text;
    }
  }
}

TEST(SmtpEncode, QuotedPrintableLines) {
  const std::string letters(100, 'x');
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"caf\xE9", "caf=E9\r\n"},
      {letters, std::string(73, 'x') + "=\r\n" + std::string(27, 'x') + "\r\n"},
      {"end \r\nnext", "end=20\r\nnext\r\n"},
      {"end\t", "end=09\r\n"},
      {".\r\n", "=2E\r\n"},
      {"a\r\n.b", "a\r\n=2Eb\r\n"},
      {"From here", "=46rom here\r\n"},
      {"Fro", "=46ro\r\n"},
      {"Frog", "Frog\r\n"},
      {"a From b", "a From b\r\n"},
      {"a\r\nb", "a\r\nb\r\n"},
      {"a\n\rb", "a\r\n\r\nb\r\n"},
      {"a\rb\n", "a\r\nb\r\n"},
      {"1=2", "1=3D2\r\n"},
      {std::string("\0\x7F", 2), "=00=7F\r\n"},
      // The line after a soft break starts on the wire too.
      {std::string(73, 'x') + ".", std::string(73, 'x') + "=\r\n=2E\r\n"},
      {std::string(73, 'x') + "From ", std::string(73, 'x') + "=\r\n=46rom=20\r\n"},
      // An escape is never cut by a soft break.
      {std::string(72, 'x') + "\xFF\xFF", std::string(72, 'x') + "=FF=\r\n=FF\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Qp(c.in), c.out) << c.in;
}

TEST(SmtpEncode, CramMd5AnswerOfRfc2195) {
  const std::string challenge =
      Base64Encode("<1896.697170952@postoffice.reston.mci.net>", 42, false);
  std::string answer;
  ASSERT_TRUE(CramMd5Answer(challenge, "tim", "tanstaaftanstaaf", answer));
  const char* expected = "tim b913a602c7eda7a495b4e6e7334d3890";
  EXPECT_EQ(answer, Base64Encode(expected, strlen(expected), false));
  EXPECT_FALSE(CramMd5Answer("P=DE4", "tim", "x", answer));
}

TEST(SmtpEncode, MailDateInZonesEastAndWest) {
  const char* saved = getenv("TZ");
  const std::string restore = saved ? saved : "";
  const struct {
    const char* zone;
    const char* text;
  } cases[] = {
      {"WEST2", "Thu, 01 Jan 2026 22:30:00 -0200"},
      {"EAST-1", "Fri, 02 Jan 2026 01:30:00 +0100"},
      {"HALF0:30", "Fri, 02 Jan 2026 00:00:00 -0030"},
      {"UTC0", "Fri, 02 Jan 2026 00:30:00 +0000"},
  };
  const time_t when = 1767313800;  // 2026-01-02 00:30:00 UTC
  for (const auto& c : cases) {
    setenv("TZ", c.zone, 1);
    tzset();
    std::string text;
    ASSERT_EQ(FormatMailDate(when, text), 0);
    EXPECT_EQ(text, c.text);
  }
  saved ? setenv("TZ", restore.c_str(), 1) : unsetenv("TZ");
  tzset();
}

struct Composed {
  tagSMTPMAIL mail{};
  std::string text;
  char from[16] = "a@example.org";
  char to[16] = "b@example.org";
  char* recipients[1] = {to};

  Composed() {
    mail.From = from;
    mail.Recipients = recipients;
    mail.RecipientCount = 1;
  }
  std::string Run() {
    EXPECT_EQ(ComposeMessage(mail, Append, &text), 0);
    return text;
  }
};

TEST(SmtpCompose, SinglePartPicksItsEncodingFromTheBody) {
  Composed text;
  char body[] = "caf\xE9\r\n";
  char subject[] = "Hi";
  char charset[] = "iso-8859-1";
  char mailer[] = "M";
  text.mail.Body = body;
  text.mail.BodyLength = 6;
  text.mail.Subject = subject;
  text.mail.Charset = charset;
  text.mail.Mailer = mailer;
  EXPECT_EQ(text.Run(),
            "Subject: Hi\r\nFrom: a@example.org\r\nTo: b@example.org\r\nX-Mailer: M\r\n"
            "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
            "Content-Transfer-Encoding: quoted-printable\r\n\r\ncaf=E9\r\n");

  Composed binary;
  char data[] = "a\x01z";
  binary.mail.Body = data;
  binary.mail.BodyLength = 3;
  EXPECT_EQ(binary.Run(),
            "Subject: \r\nFrom: a@example.org\r\nTo: b@example.org\r\n"
            "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\nYQF6\r\n");
}

TEST(SmtpCompose, AttachmentsMakeMultipartMixed) {
  Composed text;
  char body[] = "b";
  char name[] = "x.bin";
  char data[] = "\x00\x01\x02";
  char type[] = "text/html";
  char fromName[] = "A B";
  tagSMTPATTACH attachments[] = {{name, data, 3}, {nullptr, data, 0}};
  text.mail.Body = body;
  text.mail.BodyLength = 1;
  text.mail.ContentType = type;
  text.mail.FromName = fromName;
  text.mail.Attachments = attachments;
  text.mail.AttachmentCount = 2;
  const std::string out = text.Run();
  const size_t at = out.find("boundary=\"") + 10;
  const std::string b = out.substr(at, 16);
  ASSERT_EQ(out.substr(at + 16, 3), "\"\r\n");
  EXPECT_EQ(out,
            "Subject: \r\nFrom: A B <a@example.org>\r\nTo: b@example.org\r\n"
            "Content-type: multipart/mixed; boundary=\"" +
                b +
                "\"\r\nMime-version: 1.0\r\n\r\n"
                "\r\n--" +
                b +
                "\r\nContent-Type: text/html\r\n"
                "Content-Transfer-Encoding: quoted-printable\r\nContent-Disposition: inline\r\n\r\n"
                "b\r\n"
                "\r\n--" +
                b +
                "\r\nContent-Type: application/octet-stream; name=\"x.bin\"\r\n"
                "Content-Transfer-Encoding: base64\r\n"
                "Content-Disposition: attachment; filename=\"x.bin\"\r\n\r\nAAEC\r\n\r\n\r\n"
                "\r\n--" +
                b +
                "\r\nContent-Type: application/octet-stream\r\n"
                "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment\r\n\r\n"
                "\r\n\r\n\r\n"
                "\r\n--" +
                b + "--\r\n");
}

}  // namespace
