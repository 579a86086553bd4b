// What the table layout needs from GDI: dialog-unit scales and the sizes of controls and their
// texts.
#include "toolkit/ControlMeasure.h"

#include <algorithm>
#include <cmath>

#include "engine/AsciiText.h"

namespace {

bool IsClass(const char16_t* type, const char16_t* name) {
  int a = 0, b = 0;
  while (type[a]) ++a;
  while (name[b]) ++b;
  if (a != b) return false;
  for (int i = 0; i < a; ++i) {
    if (AsciiLower(type[i]) != AsciiLower(name[i])) return false;
  }
  return true;
}

}  // namespace

SIZE GetFrameAllowance(uint32_t style, uint32_t exstyle) {
  int borderX = 0, borderY = 0, frameX = 0, frameY = 0, edgeX = 0, edgeY = 0;
  if (style & WS_BORDER) {
    borderX = 2 * GetSystemMetrics(SM_CXBORDER);
    borderY = 2 * GetSystemMetrics(SM_CYBORDER);
  }
  if (style & WS_DLGFRAME) {
    frameX = 2 * GetSystemMetrics(SM_CXDLGFRAME);
    frameY = 2 * GetSystemMetrics(SM_CYDLGFRAME);
  }
  if ((style & WS_THICKFRAME) || (exstyle & (WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE))) {
    frameX = std::max(frameX, 2 * GetSystemMetrics(SM_CXFRAME));
    frameY = std::max(frameY, 2 * GetSystemMetrics(SM_CYFRAME));
  }
  if (exstyle & WS_EX_CLIENTEDGE) {
    edgeX = 2 * GetSystemMetrics(SM_CXEDGE);
    edgeY = 2 * GetSystemMetrics(SM_CYEDGE);
  }
  if (exstyle & WS_EX_STATICEDGE) {
    frameX = std::max(frameX, 2 * GetSystemMetrics(SM_CXEDGE));
    frameY = std::max(frameY, 2 * GetSystemMetrics(SM_CYEDGE));
  }
  return SIZE{borderX + frameX + edgeX, borderY + frameY + edgeY};
}

namespace {

// The title's size with explicit line breaks only.
SIZE MeasureTitle(HDC dc, const char16_t* title, UINT format) {
  RECT r = {0, 0, 0, 0};
  DrawTextW(dc, title, -1, &r, format | DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE SpaceSize(HDC dc) {
  SIZE space = {0, 0};
  GetTextExtentPoint32W(dc, u" ", 1, &space);
  return space;
}

int32_t Stretch(int32_t natural, double factor, int allowance, int32_t minimum) {
  double size = std::floor(natural * factor) + allowance;
  size = std::min(size, double{kMaxLayoutPixels});
  return std::max(minimum, static_cast<int32_t>(std::max(size, 0.0)));
}

}  // namespace

void GetDialogScales(HDC dc, double* hscale, double* vscale) {
  static const char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE extent = {0, 0};
  GetTextExtentPoint32W(dc, kAlphabet, 52, &extent);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  int average = (extent.cx / 26 + 1) / 2;
  *hscale = (1000 * average / 4) / 1000.0;
  *vscale = (1000 * metrics.tmHeight / 8) / 1000.0;
}

void MeasureControlBuiltIn(HDC dc, const XmlMeasureRequest& request, XmlMeasureResult* result) {
  int32_t naturalWidth = request.minwidth, naturalHeight = request.minheight;
  uint32_t bits = 0;
  const char16_t* title = request.title ? request.title : u"";
  if (IsClass(request.type, u"button")) {
    uint32_t type = request.style & BS_TYPEMASK;
    if (!(request.style & (BS_ICON | BS_BITMAP))) {
      SIZE text = MeasureTitle(dc, title, type == BS_GROUPBOX ? DT_SINGLELINE : 0);
      SIZE space = SpaceSize(dc);
      if (text.cy > space.cy) bits |= BS_MULTILINE;
      if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON ||
          (request.style & BS_PUSHLIKE)) {
        naturalWidth = text.cx + 2 * GetSystemMetrics(SM_CXFRAME);
        naturalHeight = text.cy + 2 * GetSystemMetrics(SM_CYFRAME);
      } else {
        naturalWidth =
            text.cx + GetSystemMetrics(SM_CXMENUCHECK) + space.cx + 2 * GetSystemMetrics(SM_CXEDGE);
        naturalHeight = std::max<int32_t>(text.cy, GetSystemMetrics(SM_CYMENUCHECK));
      }
    }
  } else if (IsClass(request.type, u"static")) {
    uint32_t type = request.style & SS_TYPEMASK;
    if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
      SIZE text = MeasureTitle(dc, title, (request.style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
      if (type == SS_LEFT && text.cy > SpaceSize(dc).cy) bits |= SS_LEFTNOWORDWRAP;
      naturalWidth = text.cx;
      naturalHeight = text.cy;
    }
  }
  SIZE allowance = GetFrameAllowance(request.style, request.exstyle);
  result->width = Stretch(naturalWidth, request.relwidth, allowance.cx, request.minwidth);
  result->height = Stretch(naturalHeight, request.relheight, allowance.cy, request.minheight);
  result->styleBits = bits;
}

void MeasureWithDc(void* dc, const XmlMeasureRequest& request, XmlMeasureResult* result) {
  MeasureControlBuiltIn(static_cast<HDC>(dc), request, result);
}

void FontSpecToLogFont(const FontSpec& spec, LOGFONTW* font) {
  *font = LOGFONTW{};
  font->lfHeight = spec.height;
  font->lfWeight = spec.weight;
  font->lfItalic = spec.italic ? 1 : 0;
  font->lfUnderline = spec.underline ? 1 : 0;
  font->lfCharSet = spec.charset;
  static_assert(sizeof(font->lfFaceName) == sizeof(spec.face), "face field sizes");
  std::copy(spec.face, spec.face + 32, font->lfFaceName);
}

HFONT CreateSpecFont(const std::u16string& spec) {
  LOGFONTW font;
  FontSpecToLogFont(ParseFontSpec(spec.data(), static_cast<int>(spec.size())), &font);
  return CreateFontIndirectW(&font);
}
