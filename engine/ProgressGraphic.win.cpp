// Draws a worksheet's progress graphic: bars of found, processed and broken links, with the times
// and bytes. GUI thread.
#include "engine/ProgressGraphic.h"

#include "engine/ProgressMath.h"
#include "toolkit/Format.h"
#include "toolkit/Win32Holders.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kCyan = RGB(0, 255, 255);
constexpr COLORREF kGreen = RGB(0, 192, 0);
constexpr COLORREF kSide = RGB(127, 127, 255);
constexpr int kFrontTop = 21;
constexpr int kFrontBottom = 35;
constexpr int kDepth = 5;

void FillPolygon(HDC dc, const POINT* points, int count, COLORREF colour) {
  const GdiHolder<HBRUSH> brush(CreateSolidBrush(colour));
  const SelectedObject selected(dc, brush.get());
  Polygon(dc, points, count);
}

// A box with a slanted top face, from x0 to x1 of the front.
void DrawBar(HDC dc, int x0, int x1, COLORREF colour) {
  POINT front[] = {{x0, kFrontTop}, {x1, kFrontTop}, {x1, kFrontBottom}, {x0, kFrontBottom}};
  FillPolygon(dc, front, 4, colour);
  POINT top[] = {{x0, kFrontTop},
                 {x0 + kDepth, kFrontTop - kDepth},
                 {x1 + kDepth, kFrontTop - kDepth},
                 {x1, kFrontTop}};
  FillPolygon(dc, top, 4, colour);
}

// Writes text at x, y and returns the x after it.
int DrawLegendText(HDC dc, int x, int y, const WCHAR* text) {
  int length = lstrlenW(text);
  TextOutW(dc, x, y, text, length);
  SIZE size = {0, 0};
  GetTextExtentPoint32W(dc, text, length, &size);
  return x + size.cx;
}

int DrawLegendItem(HDC dc, int x, const COLORREF* box, const WCHAR* label, uint32_t value) {
  if (box) {
    RECT square = {x, 2, x + 6, 8};
    FillRect(dc, &square, GdiHolder<HBRUSH>(CreateSolidBrush(*box)).get());
    x += 10;
  }
  WCHAR text[300];
  FormatStringW(text, 300, u"%s: %d", label, static_cast<int>(value));
  return DrawLegendText(dc, x, 2 - 4, text) + 20;
}

int DrawDuration(HDC dc, int x, const WCHAR* label, uint64_t ms) {
  uint64_t seconds = ms / 1000;
  WCHAR text[300];
  FormatStringW(text, 300, u"%s: %02I64u:%02I64u:%02I64u", label, seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return DrawLegendText(dc, x, 45 - 4, text) + 20;
}

int DrawBytes(HDC dc, int x, const WCHAR* label, uint64_t bytes) {
  WCHAR text[300];
  FormatStringW(text, 300, u"%s: %I64u", label, bytes);
  return DrawLegendText(dc, x, 45 - 4, text) + 20;
}

}  // namespace

void DrawProgressGraphic(HDC dc, int width, const ProgressFigures& figures,
                         const ProgressLabels& labels) {
  RECT all = {0, 0, width, kProgressHeight};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  int length = width - kDepth;
  if (length <= 0) return;
  int processed = BarLength(length, figures.found, figures.processed);
  int broken = BarLength(length, figures.found, figures.broken);
  if (broken > processed) broken = processed;

  {
    const SelectedObject pen(dc, GetStockObject(BLACK_PEN));
    DrawBar(dc, 0, broken, kRed);
    if (broken < processed) DrawBar(dc, broken - 1, processed, kCyan);
    if (processed < length) DrawBar(dc, processed - 1, length, kGreen);
    POINT side[] = {{length - 1, kFrontTop},
                    {length + kDepth - 1, kFrontTop - kDepth},
                    {length + kDepth - 1, kFrontBottom - kDepth},
                    {length - 1, kFrontBottom}};
    FillPolygon(dc, side, 4, kSide);
  }

  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  GdiHolder<HFONT> font;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    metrics.lfMessageFont.lfHeight = -11;
    font.reset(CreateFontIndirectW(&metrics.lfMessageFont));
  }
  const SelectedObject selected(dc, font.get());
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));

  int x = DrawLegendItem(dc, 0, &kGreen, labels.found, figures.found);
  x = DrawLegendItem(dc, x, &kCyan, labels.processed, figures.processed);
  x = DrawLegendItem(dc, x, &kRed, labels.broken, figures.broken);
  DrawLegendItem(dc, x, nullptr, labels.unique, figures.checked);

  x = DrawBytes(dc, 0, labels.sent, figures.bytesSent);
  x = DrawBytes(dc, x, labels.received, figures.bytesReceived);
  x = DrawDuration(dc, x, labels.elapsed, figures.elapsedMs);
  DrawDuration(dc, x, labels.left, TimeLeft(figures.found, figures.processed, figures.elapsedMs));
}
