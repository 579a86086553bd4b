// Text helpers of the network tests.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

// A status text as bytes: units up to 0xFF as themselves, others as '?'.
inline std::string Narrow(const char16_t* text) {
  std::string out;
  for (; *text; ++text) out += static_cast<char>(*text < 0x100 ? *text : '?');
  return out;
}

// Fills a fixed-size text field; the text must fit.
template <size_t N>
void Put(char (&field)[N], const std::string& text) {
  ASSERT_LT(text.size(), N);
  std::memcpy(field, text.c_str(), text.size() + 1);
}
