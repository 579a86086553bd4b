#include <gtest/gtest.h>

#include <string>

#include "engine/TextCopy.h"

namespace {

TEST(CopyText, NeverWritesPastTheFieldAndAlwaysTerminates) {
  const std::u16string source = u"abcdefgh";
  for (int size = 1; size <= 12; ++size) {
    char16_t field[16];
    std::fill(std::begin(field), std::end(field), u'#');
    const int copied = CopyText(field, size, source.c_str());
    const int expected = std::min<int>(size - 1, static_cast<int>(source.size()));
    EXPECT_EQ(expected, copied) << size;
    EXPECT_EQ(source.substr(0, expected), std::u16string(field)) << size;
    for (int i = size; i < 16; ++i) EXPECT_EQ(u'#', field[i]) << "size " << size;
  }
}

TEST(CopyText, DoesNotSplitASurrogatePair) {
  char16_t field[4];
  EXPECT_EQ(2, CopyText(field, 4, u"ab\U0001F600"));
  EXPECT_EQ(std::u16string(u"ab"), field);
  EXPECT_EQ(3, CopyText(field, 4, u"a\U0001F600"));
  EXPECT_EQ(std::u16string(u"a\U0001F600"), field);
}

TEST(CopyText, HandlesNullAndZeroSizes) {
  char16_t field[3] = {u'x', u'y', u'z'};
  EXPECT_EQ(0, CopyText(field, 0, u"abc"));
  EXPECT_EQ(u'x', field[0]);
  EXPECT_EQ(0, CopyText(field, 3, nullptr));
  EXPECT_EQ(0, field[0]);
  EXPECT_EQ(0, CopyText(nullptr, 3, u"abc"));
}

TEST(CopyTextN, TakesOnlyThePartAskedFor) {
  char16_t field[8];
  EXPECT_EQ(3, CopyTextN(field, 8, u"abcdef", 3));
  EXPECT_EQ(std::u16string(u"abc"), field);
  EXPECT_EQ(2, CopyTextN(field, 8, u"ab", 5));
  EXPECT_EQ(std::u16string(u"ab"), field);
}

TEST(CopyField, UsesTheArraySize) {
  char16_t field[5];
  EXPECT_EQ(4, CopyField(field, u"overlong"));
  EXPECT_EQ(std::u16string(u"over"), field);
}

}  // namespace
