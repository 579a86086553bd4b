// Fills the formatted-text control's words into lines of a given width.
#include "toolkit/TextLayout.h"

#include <algorithm>

namespace {

bool IsStyle(MarkupKind kind) {
  return kind != MarkupKind::Char && kind != MarkupKind::Picture && kind != MarkupKind::Space &&
         kind != MarkupKind::WordBreak && kind != MarkupKind::LineFeed;
}

class LineFiller {
 public:
  LineFiller(TextLayout* layout, int width, int left) : out_(layout), width_(width), left_(left) {}

  void AddWord(LayoutWord word, int height, int tabStep) {
    if (!word.visible) {
      word.x = pen_;
      Place(word, 0);
      return;
    }
    int x = NextX(tabStep, pen_, visibleWords_ > 0);
    if (visibleWords_ > 0 && x + word.width > width_) {
      EndLine(true);
      x = NextX(tabStep, pen_, false);
    }
    word.x = x;
    pen_ = x + word.width;
    ++visibleWords_;
    if (tabStep > 0) tabbed_ = true;
    Place(word, height);
  }

  void SetIndent(int indent) { nextIndent_ = indent; }

  // Justified lines spread their free width over the gaps; the last word then ends at
  // the right edge.
  void EndLine(bool justify, int emptyHeight = 0) {
    if (LineEmpty() || lineHeight_ == 0) lineHeight_ = std::max(lineHeight_, emptyHeight);
    LayoutLine line;
    line.firstWord = lineStart_;
    line.endWord = static_cast<int>(out_->words.size());
    line.y = y_;
    line.height = lineHeight_;
    if (justify && !tabbed_ && visibleWords_ > 1) Justify(line);
    out_->lines.push_back(line);
    y_ += lineHeight_;
    lineStart_ = line.endWord;
    lineHeight_ = 0;
    visibleWords_ = 0;
    tabbed_ = false;
    indent_ = nextIndent_;
    pen_ = indent_;
  }

  int y() const { return y_; }
  bool LineEmpty() const { return static_cast<int>(out_->words.size()) == lineStart_; }

 private:
  int NextX(int tabStep, int pen, bool gap) const {
    if (tabStep > 0) {
      int absolute = left_ + pen;
      return (absolute / tabStep + 1) * tabStep - left_;
    }
    return gap ? pen + kWordGap : pen;
  }

  void Place(const LayoutWord& word, int height) {
    out_->words.push_back(word);
    lineHeight_ = std::max(lineHeight_, height);
  }

  void Justify(const LayoutLine& line) {
    std::vector<LayoutWord*> visible;
    for (int i = line.firstWord; i < line.endWord; ++i)
      if (out_->words[i].visible) visible.push_back(&out_->words[i]);
    int used = 0;
    for (LayoutWord* w : visible) used += w->width;
    int free = width_ - indent_ - used;
    int gaps = static_cast<int>(visible.size()) - 1;
    int x = indent_;
    for (size_t i = 0; i < visible.size(); ++i) {
      visible[i]->x = x;
      x += visible[i]->width;
      if (gaps > 0) {
        int gap = free / gaps;
        free -= gap;
        --gaps;
        x += gap;
      }
    }
    // Style-only words keep the place of the visible word before them.
    int pen = indent_;
    for (int i = line.firstWord; i < line.endWord; ++i) {
      LayoutWord& w = out_->words[i];
      if (w.visible)
        pen = w.x + w.width;
      else
        w.x = pen;
    }
  }

  TextLayout* out_;
  int width_;
  int left_;
  int y_ = 0;
  int pen_ = 0;
  int indent_ = 0;
  int nextIndent_ = 0;
  int lineStart_ = 0;
  int lineHeight_ = 0;
  int visibleWords_ = 0;
  bool tabbed_ = false;
};

}  // namespace

TextLayout LayOutText(const std::vector<MarkupToken>& tokens, int width, int left, bool plain,
                      const TextMeasurer& measurer) {
  TextLayout layout;
  LineFiller filler(&layout, width, left);
  measurer.reset(measurer.context);
  const int count = static_cast<int>(tokens.size());
  int i = 0;
  int tabStep = 0;
  while (i < count) {
    LayoutWord word;
    word.firstToken = i;
    int height = 0;
    int pendingIndent = -1;
    for (; i < count; ++i) {
      const MarkupToken& t = tokens[i];
      if (t.kind == MarkupKind::Space || t.kind == MarkupKind::WordBreak ||
          t.kind == MarkupKind::LineFeed)
        break;
      if (t.kind == MarkupKind::Tab) {
        if (word.visible) break;
        tabStep = t.value;
        continue;
      }
      if (IsStyle(t.kind)) {
        if (t.kind == MarkupKind::Indent) pendingIndent = t.value;
        measurer.apply(measurer.context, t);
        continue;
      }
      int w = 0;
      int h = 0;
      measurer.measure(measurer.context, t, &w, &h);
      word.width += w;
      height = std::max(height, h);
      word.visible = true;
      if (plain && t.kind == MarkupKind::Char && (t.value == u'\\' || t.value == u'/')) {
        ++i;
        break;
      }
    }
    word.endToken = i;
    if (word.endToken > word.firstToken) {
      filler.AddWord(word, height, word.visible ? tabStep : 0);
      if (word.visible) tabStep = 0;
    }
    if (pendingIndent >= 0) filler.SetIndent(pendingIndent);
    if (i >= count) break;
    MarkupKind kind = tokens[i].kind;
    if (kind == MarkupKind::LineFeed) {
      // An empty line is as high as a space of the current style.
      MarkupToken space;
      space.kind = MarkupKind::Space;
      space.value = u' ';
      int w = 0;
      int h = 0;
      measurer.measure(measurer.context, space, &w, &h);
      filler.EndLine(false, h);
    }
    if (kind == MarkupKind::Space || kind == MarkupKind::WordBreak || kind == MarkupKind::LineFeed)
      ++i;
  }
  if (!filler.LineEmpty()) filler.EndLine(false);
  layout.height = filler.y();
  return layout;
}
