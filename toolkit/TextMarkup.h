// The backslash mark-up of the formatted-text control, read one token at a time: shared
// by painting, measuring and copying. Neutral header; pure functions over the caller's
// text, callable on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class MarkupKind {
  Char,       // value: the character (\\ gives a backslash)
  Space,      // a word gap
  WordBreak,  // a TAB in the text, or after a CJK ideograph: ends a word, not drawn
  LineFeed,
  Bold,  // value: N, or -1 to toggle
  Italic,
  FontUnderline,
  StrikeOut,
  DrawnUnderline,
  Size,       // value: N (10 when absent, at most 500)
  Colour,     // value: a COLORREF
  Tab,        // value: the tab step in pixels (never 0)
  Indent,     // value: pixels
  LinkStart,  // value: the link's value
  LinkEnd,
  Picture,  // value: its number; align: 0 top, 1 centre, 2 bottom; rop: raster code
  Unknown,  // an escape without meaning: dropped when drawn, kept when copied
};

struct MarkupToken {
  MarkupKind kind = MarkupKind::Char;
  int start = 0;   // where its source text begins
  int length = 0;  // how long its source text is (0 for a break after an ideograph)
  int32_t value = 0;
  int align = 0;
  uint32_t rop = 0;
};

// Raster operations a picture may ask for (their Windows values).
constexpr uint32_t kRopSrcCopy = 0x00CC0020;

// The whole text as tokens. In plain mode backslashes are characters like any other.
std::vector<MarkupToken> TokenizeMarkup(const char16_t* text, int length, bool plain);

// The text to copy: without mark-up, TABs removed, line feeds as CR LF, tab escapes as
// TABs, unknown escapes as written. Plain text is copied as it is.
std::u16string MarkupCopyText(const char16_t* text, int length, bool plain);
