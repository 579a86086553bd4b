// The pure pieces of the HTTP downloaders: escaping, the status line, the curl messages.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "net/Downloader.h"
#include "tests/net/NetTestText.h"

namespace {

TEST(UrlEscape, EscapesControlBlankHighBytesAndDeleteOnce) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"/a b/\xC3\xA9", "/a%20b/%C3%A9"},
      {"/x\x7Fy", "/x%7Fy"},
      {"/\x01\t\r\n\x1F", "/%01%09%0D%0A%1F"},
      {"/100%.html?q=a&b=%41#top", "/100%.html?q=a&b=%41#top"},
      {"", ""},
  };
  for (const auto& c : cases) {
    char text[64] = {};
    std::memcpy(text, c.in, std::strlen(c.in) + 1);
    ASSERT_EQ(text, URLEscape(text, sizeof(text))) << c.in;
    EXPECT_STREQ(c.out, text);
    EXPECT_EQ(text, URLEscape(text, sizeof(text)));
    EXPECT_STREQ(c.out, text) << "a second escape changed it";
  }
  EXPECT_EQ("%23a%3F", URLEscaped("#a?", "#?"));
}

TEST(UrlEscape, RefusesWhatWouldNotFitAndLeavesTheText) {
  char text[8] = "/a b c";  // escaped: 10 bytes and a NUL
  EXPECT_EQ(nullptr, URLEscape(text, sizeof(text)));
  EXPECT_STREQ("/a b c", text);
  char fits[11] = "/a b c";
  EXPECT_EQ(fits, URLEscape(fits, sizeof(fits)));
  EXPECT_STREQ("/a%20b%20c", fits);
}

struct HeaderCase {
  const char* data;
  bool headerSize;
  unsigned long code;
  const char* text;
  unsigned long offset;
};

TEST(StatusLine, ReadsTheLastBlockOrThePlainFirstLine) {
  const HeaderCase cases[] = {
      {"HTTP/1.1 404 Not Found\r\nServer: x\r\n\r\n", true, 404, "404 Not Found", 0},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nA: b\r\n\r\n", true, 200, "200 OK", 25},
      {"HTTP/1.0 200 Connection established\n\nHTTP/1.1 302 Found\n\n", true, 302, "302 Found", 37},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n\r\n", false, 100, "100 Continue", 0},
      {"HTTP/1.1 200\r\n\r\n", true, 200, "200", 0},
      {"HTTP/1.1 200 OK", false, 200, "200 OK", 0},
      {"<html><body>Error</body></html>\nmore", false, 0, "Error", 0},
      {"HTTP/2 200 OK\r\n\r\n", true, 0, "HTTP/2 200 OK", 0},
      {"HTTP/1.1 abc OK\r\n\r\n", true, 0, "HTTP/1.1 abc OK", 0},
      {"HTTP/1.1 200 caf\xE9\r\n\r\n", true, 200, "200 caf\xE9", 0},
      {"", true, 0, "", 0},
  };
  for (const HeaderCase& c : cases) {
    const size_t length = std::strlen(c.data);
    // Exactly sized, unterminated: a read past the data is a sanitizer report.
    std::unique_ptr<char[]> data(new char[length ? length : 1]);
    std::memcpy(data.get(), c.data, length);
    unsigned long code = 7, offset = 7;
    char16_t text[256];
    EXPECT_EQ(1, net::ParseHTTPHeader(&code, text, 256, data.get(), length, c.headerSize, &offset));
    EXPECT_EQ(c.code, code) << c.data;
    EXPECT_EQ(c.text, Narrow(text)) << c.data;
    EXPECT_EQ(c.offset, offset) << c.data;
  }
}

TEST(StatusLine, EveryPrefixAndAShortRoomStayInBounds) {
  const std::string reply =
      "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 200 Connection established\n\n<a>" +
      std::string(400, 'x') + "\r\n\r\n";
  for (size_t length = 0; length <= reply.size(); ++length) {
    std::unique_ptr<char[]> data(new char[length ? length : 1]);
    std::memcpy(data.get(), reply.data(), length);
    for (int headerSize = 0; headerSize < 2; ++headerSize) {
      unsigned long code = 0, offset = 0;
      char16_t text[256];
      net::ParseHTTPHeader(&code, text, 256, data.get(), length, headerSize, &offset);
      ASSERT_LE(offset, length);
      ASSERT_LE(std::char_traits<char16_t>::length(text), 255u);
      char16_t small[4];
      net::ParseHTTPHeader(&code, small, 4, data.get(), length, headerSize, &offset);
      ASSERT_LE(std::char_traits<char16_t>::length(small), 3u);
    }
  }
}

TEST(CurlMessages, KeysFollowTheTableAndTheTransientSet) {
  const struct {
    int code;
    const char* text;
    bool transient;
  } cases[] = {
      {0, "No error", false},
      {3, "URL using bad/illegal format or missing URL", false},
      {6, "Domain name lookup failed (may be a transient error)", false},
      {7, "Socket connect error", true},
      {23, "Failed writing received data to disk/application", true},
      {24, "URL using bad/illegal format or missing URL", false},
      {27, "Out of memory", true},
      {28, "Timeout", true},
      {52, "Got nothing", true},
      {56, "Failure in receiving network data", true},
      {67, "User, password or similar was not accepted", false},
      {68, "Unknown error", false},
      {99, "Unknown error", false},
      {-1, "Unknown error", false},
  };
  for (const auto& c : cases) {
    char16_t text[256];
    CurlCodeToMessage(c.code, text, 256);
    EXPECT_EQ(c.text, Narrow(text)) << c.code;
    EXPECT_EQ(c.transient, IsTransientCurlCode(c.code)) << c.code;
  }
}

TEST(LocalHost, NamesAndAddressesOfThisMachine) {
  EXPECT_TRUE(IsLocalHost("LOCALHOST"));
  EXPECT_TRUE(IsLocalHost("127.0.0.1"));
  EXPECT_FALSE(IsLocalHost("127.0.0.2"));
  EXPECT_FALSE(IsLocalHost(""));
}

}  // namespace
