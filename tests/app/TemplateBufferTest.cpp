#include "app/TemplateBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Filler {
  int length;
  std::vector<int> sizes;
};

// Writes `length` characters as the toolkit's writers do: cut at size - 1.
int WriteFiller(char16_t* buffer, int size, const void* context) {
  auto* filler = static_cast<Filler*>(const_cast<void*>(context));
  filler->sizes.push_back(size);
  int n = filler->length < size - 1 ? filler->length : size - 1;
  for (int i = 0; i < n; ++i) buffer[i] = static_cast<char16_t>(u'a' + i % 26);
  buffer[n] = 0;
  return n;
}

TEST(TemplateBuffer, DoublesOnlyWhileTheWriterFilledTheBuffer) {
  const struct {
    int length;
    std::vector<int> sizes;
  } cases[] = {
      {0, {4096}},
      {4094, {4096}},
      {4095, {4096, 8192}},
      {8190, {4096, 8192}},
      {8191, {4096, 8192, 16384}},
      {30000, {4096, 8192, 16384, 32768}},
  };
  for (const auto& c : cases) {
    Filler filler{c.length, {}};
    char16_t* text = nullptr;
    int length = WriteTemplateText(&text, WriteFiller, &filler);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(filler.sizes, c.sizes) << c.length;
    EXPECT_EQ(std::char_traits<char16_t>::length(text), static_cast<size_t>(c.length));
    EXPECT_EQ(text[c.length - (c.length ? 1 : 0)], c.length ? u'a' + (c.length - 1) % 26 : 0);
    std::free(text);
  }
}

}  // namespace
