// Locator bytes: the written form, the reading rules and random bytes read back safely.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "app/Locator.h"

namespace {

std::string Le(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST(Locator, WritesMarkPathAndLineEnd) {
  const std::u16string path = u"C:\\\u041f\u0430\u043f\u043a\u0430\\site.tsn";
  EXPECT_EQ("\xFF\xFE" + Le(path) + Le(u"\r\n"), EncodeLocator(path.c_str()));
  EXPECT_EQ(std::string("\xFF\xFE\r\0\n\0", 6), EncodeLocator(u""));
}

TEST(Locator, ReadsUpToLineEndOrLimit) {
  const std::string mark = "\xFF\xFE";
  const std::u16string longPath(5000, u'a');
  const struct {
    std::string bytes;
    bool readable;
    std::u16string path;
  } cases[] = {
      {mark + Le(u"C:\\a.tsn\r\n"), true, u"C:\\a.tsn"},
      {mark + Le(u"C:\\a.tsn\nC:\\b.tsn"), true, u"C:\\a.tsn"},
      {mark + Le(u"C:\\a.tsn\rx"), true, u"C:\\a.tsn"},
      {mark + Le(u"C:\\a.tsn"), true, u"C:\\a.tsn"},
      {mark + Le(u"C:\\a.tsn") + "x", true, u"C:\\a.tsn"},
      {mark, true, u""},
      {mark + Le(longPath), true, longPath.substr(0, LOCATOR_PATH_CHARS)},
      {Le(u"C:\\a.tsn\r\n"), false, u""},
      {"\xFE\xFF" + Le(u"C:\\a.tsn"), false, u""},
      {"\xFF", false, u""},
      {"", false, u""},
  };
  for (const auto& c : cases) {
    char16_t path[1024] = {u'?'};
    EXPECT_EQ(c.readable, DecodeLocator(c.bytes.data(), c.bytes.size(), path, 1024));
    EXPECT_EQ(c.path, path);
  }
  char16_t small[4];
  const std::string bytes = EncodeLocator(u"C:\\long");
  EXPECT_TRUE(DecodeLocator(bytes.data(), bytes.size(), small, 4));
  EXPECT_EQ(std::u16string(u"C:\\"), small);
}

// TL_FUZZ_SECONDS lengthens the run.
TEST(Locator, RandomBytesReadWithinBounds) {
  const char* seconds = std::getenv("TL_FUZZ_SECONDS");
  const auto until =
      std::chrono::steady_clock::now() +
      std::chrono::milliseconds(static_cast<int>((seconds ? std::atof(seconds) : 0.5) * 1000));
  std::mt19937 random(31);
  long runs = 0;
  while (std::chrono::steady_clock::now() < until) {
    std::u16string path(random() % 1200, u'\0');
    for (char16_t& unit : path) unit = static_cast<char16_t>(1 + random() % 0xFFFF);
    std::string bytes = random() % 4 ? EncodeLocator(path.c_str()) : std::string();
    const size_t extra = random() % 64;
    for (size_t i = 0; i < extra; ++i) bytes += static_cast<char>(random());
    bytes.resize(random() % (bytes.size() + 1));
    // An exact-size block, so that a read past its end is caught.
    std::unique_ptr<char[]> exact(new char[bytes.size() + 1]);
    memcpy(exact.get(), bytes.data(), bytes.size());
    char16_t out[1024];
    const int size = 1 + static_cast<int>(random() % 1024);
    const bool readable = DecodeLocator(exact.get(), bytes.size(), out, size);
    const std::u16string read = out;
    ASSERT_LT(read.size(), static_cast<size_t>(size));
    ASSERT_LE(read.size(), static_cast<size_t>(LOCATOR_PATH_CHARS));
    ASSERT_EQ(std::u16string::npos, read.find_first_of(u"\r\n"));
    if (!readable) {
      ASSERT_TRUE(read.empty());
    }
    const std::string again = EncodeLocator(read.c_str());
    char16_t back[1024];
    ASSERT_TRUE(DecodeLocator(again.data(), again.size(), back, 1024));
    ASSERT_EQ(read, back);
    ++runs;
  }
  EXPECT_GT(runs, 0);
}

}  // namespace
