// Menu icons shrunk to a smaller square: area averaging that keeps the transparent colour
// out of the icons' pixels and each icon within its own square.
#include "app/IconShrink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kClear = 0xFFFFFF;

// A strip of `count` icons of `side` pixels whose pixel (icon, x, y) is `paint`'s.
std::vector<uint32_t> Strip(int count, int side,
                            const std::function<uint32_t(int, int, int)>& paint) {
  std::vector<uint32_t> strip;
  for (int y = 0; y < side; ++y) {
    for (int icon = 0; icon < count; ++icon) {
      for (int x = 0; x < side; ++x) strip.push_back(paint(icon, x, y));
    }
  }
  return strip;
}

TEST(IconShrinkTest, KeepsSizeAndColoursWhereTheyAreWhole) {
  std::mt19937 random(48);
  const std::vector<uint32_t> noisy =
      Strip(3, 16, [&](int, int, int) { return random() % 4 == 0 ? kClear : random() & 0xFFFFFF; });
  EXPECT_EQ(noisy, ShrinkIconStrip(noisy, 3, 16, 16, kClear)) << "the same size is a copy";

  struct Case {
    const char* name;
    int from, to;
    std::function<uint32_t(int, int, int)> paint;
    std::function<uint32_t(int, int, int)> expected;  // at the smaller size
  };
  const Case cases[] = {
      {"one colour stays it", 16, 13, [](int, int, int) { return 0x336699u; },
       [](int, int, int) { return 0x336699u; }},
      {"each icon in its own square", 16, 13,
       [](int icon, int, int) { return icon == 1 ? kClear : 0x0000FFu; },
       [](int icon, int, int) { return icon == 1 ? kClear : 0x0000FFu; }},
      {"half covered is opaque, in the opaque colour only", 16, 8,
       [](int, int x, int y) { return (x + y) % 2 ? kClear : 0xCC0000u; },
       [](int, int, int) { return 0xCC0000u; }},
      {"less than half covered is transparent", 16, 8,
       [](int, int x, int y) { return x % 2 && y % 2 ? 0x00CC00u : kClear; },
       [](int, int, int) { return kClear; }},
      {"averages of two colours", 16, 8,
       [](int, int x, int) { return x % 2 ? 0x204060u : 0x406080u; },
       [](int, int, int) { return 0x305070u; }},
      {"an average that is the transparent colour stays in the icon", 16, 8,
       [](int, int x, int) { return x % 2 ? 0xFFFFFEu : 0xFEFFFFu; },
       [](int, int, int) { return 0xFFFFFEu; }},
  };
  for (const Case& c : cases) {
    const std::vector<uint32_t> shrunk =
        ShrinkIconStrip(Strip(2, c.from, c.paint), 2, c.from, c.to, kClear);
    EXPECT_EQ(Strip(2, c.to, c.expected), shrunk) << c.name;
  }
}

// The left half of an icon opaque: the shrunk icon is opaque up to its middle, with no
// pixel mixed with the transparent colour at the edge.
TEST(IconShrinkTest, EdgesTakeNoTransparentColour) {
  const std::vector<uint32_t> half =
      Strip(1, 16, [](int, int x, int) { return x < 8 ? 0x102030u : kClear; });
  const std::vector<uint32_t> shrunk = ShrinkIconStrip(half, 1, 16, 13, kClear);
  ASSERT_EQ(13u * 13u, shrunk.size());
  for (int y = 0; y < 13; ++y) {
    for (int x = 0; x < 13; ++x) {
      EXPECT_EQ(x <= 6 ? 0x102030u : kClear, shrunk[size_t(y) * 13 + x]) << x << "," << y;
    }
  }
}

TEST(IconShrinkTest, RefusesWhatItCannotShrink) {
  const std::vector<uint32_t> icon(16 * 16, 0x123456);
  EXPECT_EQ(std::vector<uint32_t>(20 * 20, kClear), ShrinkIconStrip(icon, 1, 16, 20, kClear))
      << "growing";
  EXPECT_EQ(std::vector<uint32_t>(2 * 8 * 8, kClear), ShrinkIconStrip(icon, 2, 16, 8, kClear))
      << "a strip shorter than its icons";
}

}  // namespace
