// Measures and paints the formatted-text control's lines. GUI thread.
#include "toolkit/FormattedTextRender.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "toolkit/FormattedText.h"
#include "toolkit/TextLayout.h"
#include "toolkit/Win32Holders.h"

namespace {

constexpr COLORREF kGround = 0xCCFFFF;
constexpr COLORREF kLinkColour = 0xC00000;

// The style and font of the text at one point, in one device context.
class TextStyle {
 public:
  TextStyle(FormattedTextState* s, HDC dc) : s_(s), dc_(dc) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = 500;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0);
    base_ = metrics.lfMessageFont;
    scale_ = base_.lfHeight / 10.0 >= 1.3 ? 1.3 : -1.3;
    base_.lfHeight = static_cast<LONG>(scale_ * 12);
    base_.lfWeight = 100;
    base_.lfItalic = base_.lfUnderline = base_.lfStrikeOut = 0;
    Reset();
    TEXTMETRICW tm = {};
    GetTextMetricsW(dc_, &tm);
    ascentRatio_ = tm.tmHeight > 0 ? static_cast<double>(tm.tmAscent) / tm.tmHeight : 0.8;
  }
  ~TextStyle() { SetFont(nullptr); }
  TextStyle(const TextStyle&) = delete;
  TextStyle& operator=(const TextStyle&) = delete;

  void Reset() {
    font_ = base_;
    colour = 0;
    drawnUnderline = false;
    Recreate();
  }

  void Apply(const MarkupToken& t) {
    switch (t.kind) {
      case MarkupKind::Bold:
        font_.lfWeight = t.value < 0 ? (font_.lfWeight == 700 ? 100 : 700) : t.value ? 700 : 100;
        break;
      case MarkupKind::Italic:
        font_.lfItalic = Toggle(font_.lfItalic, t.value);
        break;
      case MarkupKind::FontUnderline:
        font_.lfUnderline = Toggle(font_.lfUnderline, t.value);
        break;
      case MarkupKind::StrikeOut:
        font_.lfStrikeOut = Toggle(font_.lfStrikeOut, t.value);
        break;
      case MarkupKind::DrawnUnderline:
        drawnUnderline = t.value < 0 ? !drawnUnderline : t.value != 0;
        return;
      case MarkupKind::Size:
        font_.lfHeight = static_cast<LONG>(t.value * scale_);
        break;
      case MarkupKind::Colour:
        colour = static_cast<COLORREF>(t.value) & 0xFFFFFF;
        return;
      default:
        return;
    }
    Recreate();
  }

  // The size of a character, or of the parent's picture (whose bitmap comes back to be
  // drawn or deleted by the caller).
  SIZE Measure(const MarkupToken& t, HBITMAP* picture = nullptr) {
    SIZE size = {0, 0};
    if (t.kind == MarkupKind::Picture) {
      // Only a real bitmap is used, and deleted; any other answer is ignored.
      HBITMAP answer = AskPicture(t);
      if (!answer || GetObjectType(answer) != OBJ_BITMAP) return size;
      GdiHolder<HBITMAP> bitmap(answer);
      BITMAP info = {};
      if (GetObjectW(bitmap.get(), sizeof(info), &info) == sizeof(info)) {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
      }
      if (picture && size.cx > 0 && size.cy > 0) *picture = bitmap.release();
      return size;
    }
    // Long texts repeat few characters: each is measured once per font.
    char16_t c = static_cast<char16_t>(t.value);
    auto known = sizes_.find(c);
    if (known != sizes_.end()) return known->second;
    GetTextExtentPoint32W(dc_, &c, 1, &size);
    sizes_.emplace(c, size);
    return size;
  }

  int Ascent() const { return ascent_; }

  double ascentRatio() const { return ascentRatio_; }
  COLORREF colour = 0;
  bool drawnUnderline = false;

 private:
  static BYTE Toggle(BYTE current, int32_t value) { return value < 0 ? !current : value != 0; }

  void Recreate() {
    SetFont(CreateFontIndirectW(&font_));
    sizes_.clear();
    TEXTMETRICW tm = {};
    GetTextMetricsW(dc_, &tm);
    ascent_ = tm.tmAscent;
  }

  void SetFont(HFONT font) {
    if (current_) {
      SelectObject(dc_, original_);
      DeleteObject(current_);
    }
    current_ = font;
    if (current_) original_ = SelectObject(dc_, current_);
  }

  HBITMAP AskPicture(const MarkupToken& t) {
    tagFTPICTURE ask = {};
    ask.hdr.hwndFrom = s_->window;
    ask.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(s_->window));
    ask.hdr.code = static_cast<UINT>(FTN_PICTURE);
    ask.number = t.value;
    ask.rop = t.rop;
    ask.align = t.align;
    SendMessageW(GetParent(s_->window), WM_NOTIFY, ask.hdr.idFrom, reinterpret_cast<LPARAM>(&ask));
    return ask.bitmap;
  }

  FormattedTextState* s_;
  HDC dc_;
  LOGFONTW base_ = {};
  LOGFONTW font_ = {};
  double scale_ = 1.3;
  double ascentRatio_ = 0.8;
  HFONT current_ = nullptr;
  HGDIOBJ original_ = nullptr;
  std::unordered_map<char16_t, SIZE> sizes_;
  int ascent_ = 0;
};

TextMeasurer MeasurerOf(TextStyle* style) {
  return TextMeasurer{style, [](void* c) { static_cast<TextStyle*>(c)->Reset(); },
                      [](void* c, const MarkupToken& t) { static_cast<TextStyle*>(c)->Apply(t); },
                      [](void* c, const MarkupToken& t, int* width, int* height) {
                        SIZE size = static_cast<TextStyle*>(c)->Measure(t);
                        *width = size.cx;
                        *height = size.cy;
                      }};
}

std::u16string WindowText(HWND window) {
  std::u16string text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool IsPlain(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & FTS_PLAIN) != 0; }

// Draws the laid-out text and collects the links' hit regions.
class Painter {
 public:
  Painter(FormattedTextState* s, HDC dc, TextStyle* style, SIZE area)
      : s_(s), dc_(dc), style_(style), area_(area) {}

  void Draw(const std::vector<MarkupToken>& tokens, const TextLayout& layout, int left, int top) {
    style_->Reset();
    SetBkMode(dc_, TRANSPARENT);
    for (const LayoutLine& line : layout.lines) {
      int baseline = static_cast<int>(line.height * style_->ascentRatio());
      for (int w = line.firstWord; w < line.endWord; ++w) {
        const LayoutWord& word = layout.words[w];
        int x = left + word.x;
        for (int i = word.firstToken; i < word.endToken; ++i)
          x = DrawToken(tokens[i], x, top + line.y, line.height, baseline);
        // The gap after a word inside a link belongs to the link.
        if (linkActive_ && w + 1 < line.endWord && layout.words[w + 1].visible)
          AddToLink(x, top + line.y, left + layout.words[w + 1].x, top + line.y + line.height);
      }
    }
    EndLink();
  }

 private:
  int DrawToken(const MarkupToken& t, int x, int lineTop, int lineHeight, int baseline) {
    switch (t.kind) {
      case MarkupKind::LinkStart:
        EndLink();
        linkActive_ = true;
        slot_ = started_++;
        if (slot_ < kMaxLinks) {
          s_->links[slot_].region = CreateRectRgn(0, 0, 0, 0);
          s_->links[slot_].value = t.value;
          s_->linkCount = slot_ + 1;
        }
        return x;
      case MarkupKind::LinkEnd:
        EndLink();
        return x;
      case MarkupKind::Char:
        return DrawChar(t, x, lineTop, lineHeight, baseline);
      case MarkupKind::Picture:
        return DrawPicture(t, x, lineTop, lineHeight);
      case MarkupKind::Tab:
        return x;
      default:
        style_->Apply(t);
        return x;
    }
  }

  int DrawChar(const MarkupToken& t, int x, int lineTop, int lineHeight, int baseline) {
    SIZE size = style_->Measure(t);
    if (linkActive_)
      AddToLink(x - 1, lineTop + baseline - size.cy, x + size.cx, lineTop + lineHeight);
    if (x >= area_.cx || lineTop >= area_.cy) return x + size.cx;
    char16_t c = static_cast<char16_t>(t.value);
    COLORREF colour = linkActive_ ? kLinkColour : style_->colour;
    SetTextColor(dc_, colour);
    int top = lineTop + baseline - style_->Ascent();
    ExtTextOutW(dc_, x, top, 0, nullptr, &c, 1, nullptr);
    if (style_->drawnUnderline || linkActive_) {
      int y = lineTop + baseline + (lineHeight - baseline) / 2;
      const GdiHolder<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
      const SelectedObject selected(dc_, pen.get());
      MoveToEx(dc_, x, y, nullptr);
      LineTo(dc_, x + size.cx, y);
    }
    return x + size.cx;
  }

  int DrawPicture(const MarkupToken& t, int x, int lineTop, int lineHeight) {
    HBITMAP answer = nullptr;
    SIZE size = style_->Measure(t, &answer);
    if (!answer) return x + size.cx;
    const GdiHolder<HBITMAP> bitmap(answer);
    int y = t.align == 1   ? lineTop + (lineHeight - size.cy) / 2
            : t.align == 2 ? lineTop + lineHeight - size.cy
                           : lineTop;
    {
      const MemoryDc memory(CreateCompatibleDC(dc_));
      const SelectedObject selected(memory.get(), bitmap.get());
      BitBlt(dc_, x, y, size.cx, size.cy, memory.get(), 0, 0, t.rop);
    }
    if (linkActive_) AddToLink(x - 1, y, x + size.cx, lineTop + lineHeight);
    return x + size.cx;
  }

  void AddToLink(int left, int top, int right, int bottom) {
    if (slot_ >= kMaxLinks || right <= left || bottom <= top) return;
    const GdiHolder<HRGN> cell(CreateRectRgn(left, top, right, bottom));
    CombineRgn(s_->links[slot_].region, s_->links[slot_].region, cell.get(), RGN_OR);
  }

  void EndLink() { linkActive_ = false; }

  FormattedTextState* s_;
  HDC dc_;
  TextStyle* style_;
  SIZE area_;
  bool linkActive_ = false;
  int slot_ = 0;
  int started_ = 0;
};

}  // namespace

void ClearFormattedLinks(FormattedTextState* s) {
  for (FormattedLink& link : s->links) {
    if (link.region) DeleteObject(link.region);
    link = FormattedLink();
  }
  s->linkCount = 0;
}

int MeasureFormattedText(FormattedTextState* s, int width) {
  std::u16string text = WindowText(s->window);
  bool plain = IsPlain(s->window);
  std::vector<MarkupToken> tokens =
      TokenizeMarkup(text.data(), static_cast<int>(text.size()), plain);
  const WindowDc screen(s->window);
  TextStyle style(s, screen.get());
  TextLayout layout =
      LayOutText(tokens, width - 2 * s->margin, s->margin, plain, MeasurerOf(&style));
  return layout.height + 2 * s->margin;
}

void RenderFormattedText(FormattedTextState* s) {
  RECT client;
  GetClientRect(s->window, &client);
  if (s->cache) DeleteObject(s->cache);
  s->cache = nullptr;
  s->cacheSize = {client.right, client.bottom};
  ClearFormattedLinks(s);
  if (client.right <= 0 || client.bottom <= 0) return;
  MemoryDc dc;
  {
    const WindowDc windowDc(s->window);
    dc.reset(CreateCompatibleDC(windowDc.get()));
    s->cache = CreateCompatibleBitmap(windowDc.get(), client.right, client.bottom);
  }
  if (!dc.held() || !s->cache) return;
  {
    const SelectedObject cache(dc.get(), s->cache);
    FillRect(dc.get(), &client, GdiHolder<HBRUSH>(CreateSolidBrush(kGround)).get());
    std::u16string text = WindowText(s->window);
    bool plain = IsPlain(s->window);
    std::vector<MarkupToken> tokens =
        TokenizeMarkup(text.data(), static_cast<int>(text.size()), plain);
    TextStyle style(s, dc.get());
    TextLayout layout =
        LayOutText(tokens, client.right - 2 * s->margin, s->margin, plain, MeasurerOf(&style));
    Painter(s, dc.get(), &style, s->cacheSize).Draw(tokens, layout, s->margin, s->margin);
  }
  dc.reset();
  if (s->tabStop) {
    LONG_PTR windowStyle = GetWindowLongPtrW(s->window, GWL_STYLE);
    windowStyle = s->linkCount > 0 ? (windowStyle | WS_TABSTOP) : (windowStyle & ~WS_TABSTOP);
    SetWindowLongPtrW(s->window, GWL_STYLE, windowStyle);
  }
}
