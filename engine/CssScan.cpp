// Link extraction from CSS text: url() and @import, in UTF-16 and 8-bit text.
#include "engine/HtmlScan.h"
#include "engine/HtmlScanText.h"

namespace {

// Walks style sheet text token by token; "url(" counts only where a token starts: after
// blanks, after a colon or after a comment.
template <typename Unit>
class CssScanner {
 public:
  CssScanner(const Unit* text, long length, int line, int column, const HtmlSink<Unit>& sink)
      : text_(text), length_(length), line_(line), column_(column), sink_(sink) {}

  void Run() {
    long i = 0;
    while (i < length_ && IsBlankUnit(text_[i])) Count(i++);
    while (i < length_) {
      if (StartsWithExact(text_ + i, length_ - i, "/*")) {
        i = SkipComment(i);
        continue;
      }
      if (StartsWithWord(text_ + i, length_ - i, "url")) i = TakeUrl(i);
      bool tokenStart = false;
      while (i < length_ && !IsBlankUnit(text_[i])) {
        if (StartsWithExact(text_ + i, length_ - i, "/*")) {
          tokenStart = true;
          break;
        }
        const bool colon = text_[i] == ':';
        Count(i++);
        if (colon) {
          tokenStart = true;
          break;
        }
      }
      if (tokenStart) continue;
      while (i < length_ && IsBlankUnit(text_[i])) Count(i++);
    }
  }

 private:
  void Count(long index) { CountLineColumn(text_, index, length_, &line_, &column_); }

  // A comment is no text: nothing in it is a link. Returns where the scan goes on.
  long SkipComment(long i) {
    while (i < length_ && !StartsWithExact(text_ + i, length_ - i, "*/")) Count(i++);
    for (int n = 0; n < 2 && i < length_; ++n) Count(i++);
    return i;
  }

  // "url" at i: reports the reference when "(" and ")" follow; returns where the rest of
  // the token goes on.
  long TakeUrl(long i) {
    const int line = line_;
    const int column = column_;
    long p = i;
    for (int n = 0; n < 3; ++n) Count(p++);
    while (p < length_ && IsBlankUnit(text_[p])) Count(p++);
    if (p >= length_ || text_[p] != '(') return p;
    Count(p++);
    while (p < length_ && IsBlankUnit(text_[p])) Count(p++);
    long start = p;
    long end = p;
    long close = p;
    if (p < length_ && IsQuoteUnit(text_[p])) {
      ++start;
      end = start;
      while (end < length_ && text_[end] != text_[p]) ++end;
      close = end;
    }
    while (close < length_ && text_[close] != ')') ++close;
    if (close >= length_) return length_;
    if (start == p) {
      end = close;
      while (end > start && IsBlankUnit(text_[end - 1])) --end;
    }
    if (end > start) {
      HtmlLink<Unit> link;
      link.url = {text_ + start, end - start < kHtmlUrlUnits ? end - start : kHtmlUrlUnits};
      link.line = line + 1;
      link.column = column + 1;
      link.form = HTMLLINK_CSS;
      sink_.link(sink_.context, link);
    }
    while (p < close) Count(p++);
    return p;
  }

  const Unit* text_;
  long length_;
  int line_;
  int column_;
  const HtmlSink<Unit>& sink_;
};

}  // namespace

template <typename Unit>
void ScanCss(const Unit* text, long length, int baseLine, int baseColumn,
             const HtmlSink<Unit>& sink) {
  if (!text || length <= 0 || !sink.link) return;
  CssScanner<Unit>(text, length, baseLine, baseColumn, sink).Run();
}

template void ScanCss(const char16_t*, long, int, int, const HtmlSink<char16_t>&);
template void ScanCss(const char*, long, int, int, const HtmlSink<char>&);
