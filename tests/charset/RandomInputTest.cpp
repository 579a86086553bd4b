// Random bytes and random UTF-16 (lone surrogates included) through every direction with
// random room sizes. Buffers are heap blocks of exactly the room, so a write past it is
// caught by AddressSanitizer in the sanitizer build and by the size checks otherwise.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "charset/Charset.h"

namespace {

const char* const kCharsets[] = {
    "UTF-8",       "UTF-16",       "UTF-16LE", "UTF-32",  "UTF-32BE", "UTF-7",
    "Shift_JIS",   "EUC-JP",       "GB18030",  "Big5",    "EUC-KR",   "ISO-2022-JP",
    "ISO-2022-KR", "ISO-2022-CN",  "HZ",       "SCSU",    "BOCU-1",   "ISCII,version=0",
    "KOI8-R",      "windows-1252", "ibm-37",   "LMBCS-1", "CESU-8",   "IMAP-mailbox-name",
};
constexpr int kRounds = 20000;

class RandomInput : public ::testing::Test {
 protected:
  std::mt19937 random_{20240611};

  uint32_t Below(uint32_t limit) {
    return std::uniform_int_distribution<uint32_t>(0, limit - 1)(random_);
  }
  const char* AnyCharset() { return kCharsets[Below(sizeof kCharsets / sizeof kCharsets[0])]; }

  std::string Bytes() {
    std::string bytes(Below(300), '\0');
    const bool ascii = Below(2) == 0;
    for (char& b : bytes) b = static_cast<char>(ascii ? 0x1B + Below(0x60) : Below(256));
    return bytes;
  }

  std::u16string Units() {
    std::u16string units(Below(200), u'\0');
    for (char16_t& u : units) {
      switch (Below(4)) {
        case 0:
          u = static_cast<char16_t>(0x20 + Below(0x60));
          break;
        case 1:
          u = static_cast<char16_t>(0xD800 + Below(0x800));
          break;
        default:
          u = static_cast<char16_t>(Below(0x10000));
          break;
      }
    }
    return units;
  }
};

TEST_F(RandomInput, ToUnicodeStaysInsideTheRoom) {
  for (int round = 0; round < kRounds; ++round) {
    const char* charset = AnyCharset();
    const std::string bytes = Bytes();
    uint32_t max = 0;
    ASSERT_EQ(GetMaxToUnicode(charset, static_cast<uint32_t>(bytes.size()), &max), CHARSET_OK);
    const uint32_t room = Below(2) ? max : Below(max + 1);
    std::unique_ptr<char16_t[]> out(new char16_t[room ? room : 1]);
    uint32_t size = room;
    const int result = ConvertToUnicode(charset, bytes.data(), static_cast<uint32_t>(bytes.size()),
                                        out.get(), &size);
    ASSERT_EQ(result, room <= 2 ? CHARSET_BUFFER_TOO_SMALL : CHARSET_OK) << charset;
    if (result != CHARSET_OK) continue;
    ASSERT_LT(size, room);
    ASSERT_EQ(out[size], 0);
  }
}

TEST_F(RandomInput, FromUnicodeStaysInsideTheRoom) {
  for (int round = 0; round < kRounds; ++round) {
    const char* charset = AnyCharset();
    const std::u16string units = Units();
    uint32_t max = 0;
    ASSERT_EQ(GetMaxFromUnicode(charset, static_cast<uint32_t>(units.size()), &max), CHARSET_OK);
    const uint32_t room = Below(2) ? max : Below(max + 1);
    std::unique_ptr<char[]> out(new char[room ? room : 1]);
    uint32_t size = room;
    const int result = ConvertFromUnicode(charset, units.data(),
                                          static_cast<uint32_t>(units.size()), out.get(), &size);
    if (result == CHARSET_BUFFER_TOO_SMALL) {
      ASSERT_LE(room, 4u) << charset;
      continue;
    }
    ASSERT_EQ(result, CHARSET_OK) << charset;
    ASSERT_LT(size, room);
  }
}

TEST_F(RandomInput, RecognitionTakesAnyBytes) {
  for (int round = 0; round < kRounds / 3; ++round) {
    const std::string bytes = Bytes();
    uint32_t count = 0;
    CHARDETSTRUCT* records =
        RecognizeCharset(bytes.data(), static_cast<uint32_t>(bytes.size()), Below(8), &count);
    for (uint32_t i = 0; i < count; ++i) {
      ASSERT_GE(records[i].confidence, 1);
      ASSERT_LE(records[i].confidence, 100);
      ASSERT_NE(std::memchr(records[i].charset, 0, sizeof records[i].charset), nullptr);
    }
    RecognizeFree(&records);
  }
}

}  // namespace
