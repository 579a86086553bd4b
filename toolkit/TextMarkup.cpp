// Reads the backslash mark-up of the formatted-text control one token at a time.
#include "toolkit/TextMarkup.h"

namespace {

constexpr int32_t kDigitLimit = 1000000000;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexValue(char16_t c) {
  if (IsDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsIdeograph(char16_t c) { return c >= 0x4E00 && c <= 0x9FFF; }

class Scanner {
 public:
  Scanner(const char16_t* text, int length) : text_(text), length_(length) {}
  bool AtEnd() const { return pos_ >= length_; }
  char16_t Peek() const { return AtEnd() ? 0 : text_[pos_]; }
  char16_t Take() { return text_[pos_++]; }
  int pos() const { return pos_; }
  // A run of decimal digits; saturates instead of overflowing. -1 when there is none.
  int32_t Number() {
    if (!IsDigit(Peek())) return -1;
    int32_t n = 0;
    while (IsDigit(Peek())) {
      int32_t digit = Take() - u'0';
      n = n >= kDigitLimit / 10 ? kDigitLimit : n * 10 + digit;
    }
    return n;
  }
  bool Skip(char16_t c) {
    if (Peek() != c || AtEnd()) return false;
    ++pos_;
    return true;
  }

 private:
  const char16_t* text_;
  int length_;
  int pos_ = 0;
};

int32_t Colour(Scanner& s) {
  if (s.Skip(u'#')) {
    int32_t value = 0;
    for (int i = 0; i < 6 && !s.AtEnd() && HexValue(s.Peek()) >= 0; ++i)
      value = value * 16 + HexValue(s.Take());
    return value;
  }
  if (!IsDigit(s.Peek())) return 0;
  int32_t parts[3] = {s.Number(), 0, 0};
  for (int i = 1; i < 3 && s.Skip(u','); ++i) {
    int32_t n = s.Number();
    parts[i] = n < 0 ? 0 : n;
  }
  int32_t value = 0;
  for (int i = 0; i < 3; ++i) value |= (parts[i] & 0xFF) << (8 * i);
  return value;
}

void ReadEscape(Scanner& s, MarkupToken* t) {
  const char16_t letter = s.Take();
  switch (letter) {
    case u'\\':
      t->kind = MarkupKind::Char;
      t->value = u'\\';
      return;
    case u'b':
    case u'i':
    case u'w':
    case u'o':
    case u'u':
      t->kind = letter == u'b'   ? MarkupKind::Bold
                : letter == u'i' ? MarkupKind::Italic
                : letter == u'w' ? MarkupKind::FontUnderline
                : letter == u'o' ? MarkupKind::StrikeOut
                                 : MarkupKind::DrawnUnderline;
      t->value = s.Number();
      return;
    case u's': {
      int32_t n = s.Number();
      t->kind = MarkupKind::Size;
      t->value = n < 0 ? 10 : n > 500 ? 500 : n;
      return;
    }
    case u'c':
      t->kind = MarkupKind::Colour;
      t->value = Colour(s);
      return;
    case u't': {
      int32_t n = s.Number();
      t->kind = MarkupKind::Tab;
      t->value = n <= 0 ? 80 : n;
      return;
    }
    case u'l': {
      int32_t n = s.Number();
      t->kind = MarkupKind::Indent;
      t->value = n < 0 ? 80 : n;
      return;
    }
    case u'h': {
      int32_t n = s.Number();
      if (n <= 0) {
        t->kind = MarkupKind::LinkEnd;
        return;
      }
      t->kind = MarkupKind::LinkStart;
      t->value = 0;
      if (s.Skip(u',')) {
        int32_t m = s.Number();
        t->value = m < 0 ? 0 : m;
      }
      return;
    }
    case u'p': {
      int32_t n = s.Number();
      t->kind = MarkupKind::Picture;
      t->value = n < 0 ? 0 : n;
      t->rop = kRopSrcCopy;
      if (!s.Skip(u',')) return;
      if (s.Peek() == u't' || s.Peek() == u'c' || s.Peek() == u'b') {
        char16_t a = s.Take();
        t->align = a == u't' ? 0 : a == u'c' ? 1 : 2;
      }
      static const struct {
        char16_t letter;
        uint32_t rop;
      } kRops[] = {{u'a', 0x008800C6},
                   {u'c', kRopSrcCopy},
                   {u'e', 0x00440328},
                   {u'i', 0x00660046},
                   {u'p', 0x00EE0086}};
      for (const auto& r : kRops) {
        if (s.Peek() == r.letter && !s.AtEnd()) {
          s.Take();
          t->rop = r.rop;
          break;
        }
      }
      return;
    }
    default:
      t->kind = MarkupKind::Unknown;
      return;
  }
}

}  // namespace

std::vector<MarkupToken> TokenizeMarkup(const char16_t* text, int length, bool plain) {
  std::vector<MarkupToken> tokens;
  if (!text || length <= 0) return tokens;
  Scanner s(text, length);
  while (!s.AtEnd()) {
    MarkupToken t;
    t.start = s.pos();
    char16_t c = s.Take();
    if (c == u'\\' && !plain) {
      if (s.AtEnd()) break;
      ReadEscape(s, &t);
    } else if (c == u' ') {
      t.kind = MarkupKind::Space;
    } else if (c == u'\t') {
      t.kind = MarkupKind::WordBreak;
    } else if (c == u'\n') {
      t.kind = MarkupKind::LineFeed;
    } else {
      t.kind = MarkupKind::Char;
      t.value = c;
    }
    t.length = s.pos() - t.start;
    tokens.push_back(t);
    if (t.kind == MarkupKind::Char && t.length == 1 && IsIdeograph(c)) {
      MarkupToken gap;
      gap.kind = MarkupKind::WordBreak;
      gap.start = s.pos();
      tokens.push_back(gap);
    }
  }
  return tokens;
}

std::u16string MarkupCopyText(const char16_t* text, int length, bool plain) {
  if (!text || length <= 0) return std::u16string();
  if (plain) return std::u16string(text, static_cast<size_t>(length));
  std::u16string out;
  for (const MarkupToken& t : TokenizeMarkup(text, length, false)) {
    switch (t.kind) {
      case MarkupKind::Char:
        out += static_cast<char16_t>(t.value);
        break;
      case MarkupKind::Space:
        out += u' ';
        break;
      case MarkupKind::LineFeed:
        out += u"\r\n";
        break;
      case MarkupKind::Tab:
        out += u'\t';
        break;
      case MarkupKind::Unknown:
        out.append(text + t.start, static_cast<size_t>(t.length));
        break;
      default:
        break;
    }
  }
  return out;
}
