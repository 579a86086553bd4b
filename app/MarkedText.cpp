// Splits a broken-links entry into lines and coloured pieces, and cuts cell text to fit, for the
// result lists' drawing.
#include "app/MarkedText.h"

namespace {

constexpr char16_t kGreenMark = 8;
constexpr char16_t kDarkRedMark = 12;
constexpr int kMinKept = 4;

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// True when a prefix of n characters would end between the halves of a pair.
bool SplitsPair(const char16_t* text, int length, int n) {
  return n > 0 && n < length && IsHigh(text[n - 1]) && IsLow(text[n]);
}

}  // namespace

std::vector<MarkedLine> SplitMarkedText(const char16_t* text, int length) {
  std::vector<MarkedLine> lines(1);
  bool green = false, darkRed = false;
  // Which open span was opened last decides the colour where both are open.
  MarkColour inner = MARK_PLAIN;
  int start = 0;
  auto colour = [&] {
    if (green && darkRed) return inner;
    return green ? MARK_GREEN : darkRed ? MARK_DARK_RED : MARK_PLAIN;
  };
  auto close = [&](int end) {
    if (end > start) lines.back().Segments.push_back({start, end - start, colour()});
    start = end + 1;
  };
  for (int i = 0; i < length; ++i) {
    const char16_t c = text[i];
    if (c == u'\n') {
      close(i);
      green = darkRed = false;
      lines.emplace_back();
    } else if (c == kGreenMark) {
      close(i);
      green = !green;
      if (green) inner = MARK_GREEN;
    } else if (c == kDarkRedMark) {
      close(i);
      darkRed = !darkRed;
      if (darkRed) inner = MARK_DARK_RED;
    }
  }
  close(length);
  return lines;
}

CellCut CutCellText(const char16_t* text, int length, const int* extents, int ellipsisWidth,
                    int room) {
  if (length <= 0 || extents[length - 1] <= room) return {length > 0 ? length : 0, false};
  const int shortest = SplitsPair(text, length, kMinKept) ? kMinKept + 1 : kMinKept;
  if (shortest >= length) return {length, false};
  int best = 0;
  for (int n = shortest; n < length; ++n) {
    if (extents[n - 1] + ellipsisWidth <= room && !SplitsPair(text, length, n)) best = n;
  }
  return {best ? best : shortest, true};
}
