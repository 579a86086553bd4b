// The text pieces of the result lists' drawing: a broken-links entry split into lines and
// coloured segments by its marks, and the cut of a cell text that does not fit its column.
// Neutral header; pure functions, any thread; results are the caller's values.
#pragma once

#include <vector>

enum MarkColour { MARK_PLAIN = 0, MARK_GREEN = 1, MARK_DARK_RED = 2 };

struct MarkedSegment {
  int Start;   // index of the first character in the text
  int Length;  // characters, marks excluded; never 0
  MarkColour Colour;
};

struct MarkedLine {
  std::vector<MarkedSegment> Segments;  // empty for a line with nothing to show
};

// Splits text[0, length) at LF. Inside a line U+0008 opens and closes a green span and
// U+000C a dark red one; both are off at the start of every line, so an unclosed mark
// colours the rest of its line only. Where both spans are open, the one opened last gives
// the colour. A text of n LFs gives n + 1 lines.
std::vector<MarkedLine> SplitMarkedText(const char16_t* text, int length);

struct CellCut {
  int Keep;       // characters drawn from the start of the text
  bool Ellipsis;  // "..." drawn after them
};

// What of a cell text to draw in `room` pixels. extents[i] is the width of the first i + 1
// characters (one measure of the whole text); ellipsisWidth the width of "...". A text that
// fits stays whole. Else the longest prefix of at least 4 characters that does not end
// inside a surrogate pair and fits with "..."; when none fits, the shortest such prefix
// (drawn clipped). A text with no such prefix shorter than itself stays whole, clipped.
CellCut CutCellText(const char16_t* text, int length, const int* extents, int ellipsisWidth,
                    int room);
