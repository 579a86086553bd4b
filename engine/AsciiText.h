// ASCII letter, digit and case tests for text of any code unit type; every other unit
// passes unchanged. Neutral header; any thread.
#pragma once

template <typename Unit>
constexpr bool IsAsciiUpper(Unit c) {
  return c >= 'A' && c <= 'Z';
}
template <typename Unit>
constexpr bool IsAsciiLetter(Unit c) {
  return IsAsciiUpper(c) || (c >= 'a' && c <= 'z');
}
template <typename Unit>
constexpr bool IsAsciiDigit(Unit c) {
  return c >= '0' && c <= '9';
}
template <typename Unit>
constexpr Unit AsciiLower(Unit c) {
  return IsAsciiUpper(c) ? static_cast<Unit>(c + ('a' - 'A')) : c;
}
template <typename Unit>
constexpr Unit AsciiUpper(Unit c) {
  return c >= 'a' && c <= 'z' ? static_cast<Unit>(c - ('a' - 'A')) : c;
}
// The value of a hexadecimal digit, or -1.
template <typename Unit>
constexpr int HexDigitValue(Unit c) {
  if (IsAsciiDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
