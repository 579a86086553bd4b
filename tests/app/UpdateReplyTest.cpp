// The update server's reply: finding the version text and reading it. Run the random
// input longer with TL_FUZZ_SECONDS=n.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "app/UpdateReply.h"

namespace {

struct ReplyCase {
  std::string reply;
  const char* text;  // the version text found
  uint64_t version;  // 0: it does not parse
};

TEST(UpdateReply, FindsAndReadsTheVersion) {
  const std::string high("\xff\xfe\x80 TESSALINE LITE \xe9", 20);
  const ReplyCase cases[] = {
      {"HTTP/1.1 200 OK\r\nX-Info: Tessaline Lite Last Version 2.2.0.609\r\n\r\nbody", "2.2.0.609",
       0x0002000200000261ull},
      {"<p>tessaline lite LAST version: v2.3.1.7</p>", "2.3.1.7", 0x0002000300010007ull},
      {high + "Tessaline Lite Last Version=1.2.3.4.5 rest", "1.2.3.4.5", 0x0001000200030004ull},
      {"Tessaline Lite Last Version 99999.0.0.0", "99999.0.0.0", 0},
      {"Tessaline Lite Last Version 65535.65535.65535.65535", "65535.65535.65535.65535",
       0xFFFFFFFFFFFFFFFFull},
      {"Tessaline Lite Last Version 2..2.0.1", "2..2.0.1", 0},
      {"Tessaline Lite Last Version 2.2.0", "2.2.0", 0},
      {"Tessaline Lite Last Version .1.2.3.4", ".1.2.3.4", 0},
      {"Tessaline Lite Last Version", "", 0},
      {"Tessaline Lite Last Versio", "", 0},
      {"", "", 0},
      {"Tessaline Lite Last Version 1.2.3.4", "1.2.3.4", 0x0001000200030004ull},
  };
  for (const ReplyCase& c : cases) {
    char text[UPDATE_VERSION_TEXT_MAX + 1];
    const size_t length = FindUpdateVersionText(c.reply.data(), c.reply.size(), text, sizeof text);
    EXPECT_STREQ(c.text, text) << c.reply;
    EXPECT_EQ(strlen(c.text), length);
    uint64_t version = 0;
    EXPECT_EQ(c.version != 0, ParseUpdateVersion(text, &version)) << c.reply;
    if (c.version) {
      EXPECT_EQ(c.version, version) << c.reply;
    }
  }
}

TEST(UpdateReply, LongRunsAreCutAndRefused) {
  const std::string reply = "Tessaline Lite Last Version " + std::string(300, '9');
  char text[UPDATE_VERSION_TEXT_MAX + 1];
  EXPECT_EQ(UPDATE_VERSION_TEXT_MAX,
            FindUpdateVersionText(reply.data(), reply.size(), text, sizeof text));
  uint64_t version = 0;
  EXPECT_FALSE(ParseUpdateVersion(text, &version));
  char small[4];
  EXPECT_EQ(3u, FindUpdateVersionText(reply.data(), reply.size(), small, sizeof small));
  EXPECT_STREQ("999", small);
}

TEST(UpdateReply, RandomRepliesStayInBounds) {
  const char* seconds = std::getenv("TL_FUZZ_SECONDS");
  const auto until =
      std::chrono::steady_clock::now() +
      std::chrono::milliseconds(static_cast<int>((seconds ? std::atof(seconds) : 1.0) * 1000));
  const std::string pieces[] = {"Tessaline Lite Last Version",
                                "tessaline lite last",
                                ".",
                                "..",
                                "1",
                                "65535",
                                "65536",
                                "9999999999",
                                " ",
                                "\r\n",
                                "\xff",
                                "\0",
                                "v",
                                "Tessaline Lite Last Versio"};
  std::mt19937 random(35);
  long runs = 0;
  while (std::chrono::steady_clock::now() < until) {
    std::string reply;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) reply += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    const size_t cut = reply.empty() ? 0 : random() % (reply.size() + 1);
    // The reply is copied to an exact-size block so that a read past its end is caught.
    std::unique_ptr<char[]> exact(new char[cut ? cut : 1]);
    memcpy(exact.get(), reply.data(), cut);
    char text[UPDATE_VERSION_TEXT_MAX + 1];
    const size_t length = FindUpdateVersionText(exact.get(), cut, text, sizeof text);
    ASSERT_LE(length, UPDATE_VERSION_TEXT_MAX);
    ASSERT_EQ(length, strlen(text));
    uint64_t version = 0;
    if (ParseUpdateVersion(text, &version)) {
      ASSERT_GE(length, 7u);
    }
    ++runs;
  }
  EXPECT_GT(runs, 0);
}

}  // namespace
