// Lines of the formatted-text control: words of mark-up tokens filled into lines of a
// given width, justified except before a line feed and at the end. Neutral header; the
// caller measures through TextMeasurer. Callable on any thread.
#pragma once

#include <vector>

#include "toolkit/TextMarkup.h"

// The caller's measuring state. `apply` sees every style token in text order, starting
// from the base style after `reset`; `measure` sizes a character or a picture token in
// the current style.
struct TextMeasurer {
  void* context;
  void (*reset)(void* context);
  void (*apply)(void* context, const MarkupToken& token);
  void (*measure)(void* context, const MarkupToken& token, int* width, int* height);
};

struct LayoutWord {
  int firstToken = 0;  // style tokens before the word's first character included
  int endToken = 0;
  int x = 0;  // from the left of the text area
  int width = 0;
  bool visible = false;  // has characters or pictures
};

struct LayoutLine {
  int firstWord = 0;
  int endWord = 0;
  int y = 0;
  int height = 0;
};

struct TextLayout {
  std::vector<LayoutWord> words;
  std::vector<LayoutLine> lines;
  int height = 0;
};

constexpr int kWordGap = 4;

// `width` is the text area's; `left` is its distance from the control's left edge, from
// which tab stops count. In plain mode words also end after a backslash or a slash.
TextLayout LayOutText(const std::vector<MarkupToken>& tokens, int width, int left, bool plain,
                      const TextMeasurer& measurer);
