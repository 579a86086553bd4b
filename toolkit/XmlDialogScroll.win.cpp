// Fits a template dialog's controls to its size and scrolls what does not fit. GUI thread.
#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "toolkit/TableLayout.h"
#include "toolkit/XmlDialogState.h"

namespace {

constexpr uint32_t kMaxStoredRect = 1024;

// A template number times a scale; may be negative (addwidth, addheight).
int32_t Signed(double value) {
  return static_cast<int32_t>(
      std::min(std::max(value, -double{kMaxLayoutPixels}), double{kMaxLayoutPixels}));
}

// Position and size of a control along one axis of its area.
void PlaceAxis(int32_t low, int32_t high, int32_t measured, bool toEnd, bool center, bool force,
               int32_t add, double scale, int32_t* position, int32_t* size) {
  int32_t room = high - low;
  *size = force ? room : measured;
  *position = low;
  if (!force && toEnd) *position = high - *size;
  if (!force && center) *position = low + (room - *size) / 2;
  if (!force) *size = std::max(0, *size + Signed(add * scale));
}

SCROLLINFO ScrollInfo(UINT mask) {
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = mask;
  return info;
}

int32_t Times(int32_t value, double scale) { return Signed(value * scale); }

// The new position of a scroll bar whose range becomes 0..range: the old position's share
// of the old range (none when the bar was hidden or had no range).
int KeptPosition(HWND dialog, int bar, bool wasShown, int range) {
  SCROLLINFO info = ScrollInfo(SIF_RANGE | SIF_POS);
  if (!wasShown || !GetScrollInfo(dialog, bar, &info) || info.nMax <= info.nMin) return 0;
  return static_cast<int>(static_cast<int64_t>(info.nPos - info.nMin) * range /
                          (info.nMax - info.nMin));
}

// One axis of a scalable dialog: stretch when there is room, else scroll (or, with
// noscroll, stay at scale 1 and clip).
void FitAxis(HWND dialog, int bar, bool wasShown, bool scroll, int32_t available, int32_t layout,
             double* scale, int32_t* offset) {
  if (!scroll) {
    *scale = layout > 0 && available >= layout ? static_cast<double>(available) / layout : 1.0;
    *offset = 0;
    if (wasShown) ShowScrollBar(dialog, bar, FALSE);
    return;
  }
  *scale = 1.0;
  int range = layout - available;
  SCROLLINFO info = ScrollInfo(SIF_RANGE | SIF_POS);
  info.nMin = 0;
  info.nMax = range;
  info.nPos = KeptPosition(dialog, bar, wasShown, range);
  SetScrollInfo(dialog, bar, &info, TRUE);
  if (!wasShown) ShowScrollBar(dialog, bar, TRUE);
  *offset = -GetScrollPos(dialog, bar);
}

void FitScalable(HWND dialog, XmlDialogState* state) {
  const tagXMLDIALOG& d = *state->dialog;
  RECT client;
  GetClientRect(dialog, &client);
  LONG style = GetWindowLongW(dialog, GWL_STYLE);
  bool hShown = (style & WS_HSCROLL) != 0, vShown = (style & WS_VSCROLL) != 0;
  int32_t width = client.right + (vShown ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  int32_t height = client.bottom + (hShown ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  bool needH = false, needV = false;
  if (!d.noscroll) {
    needH = width < d.layoutwidth;
    if (needH) height -= GetSystemMetrics(SM_CYHSCROLL);
    needV = height < d.layoutheight;
    if (needV) width -= GetSystemMetrics(SM_CXVSCROLL);
    if (needV && !needH && width < d.layoutwidth) {
      needH = true;
      height -= GetSystemMetrics(SM_CYHSCROLL);
    }
  }
  FitAxis(dialog, SB_HORZ, hShown, needH, width, d.layoutwidth, &state->xscale, &state->hscroll);
  FitAxis(dialog, SB_VERT, vShown, needV, height, d.layoutheight, &state->yscale, &state->vscroll);
}

void StoreRectangles(XmlDialogState* state) {
  state->rects.clear();
  for (const XmlPlacement& p : state->placements) {
    const tagXMLCELL& cell = p.node->cell;
    if (cell.storerect == 0 || cell.storerect > kMaxStoredRect) continue;
    if (state->rects.size() < cell.storerect) state->rects.resize(cell.storerect);
    tagXMLRECT& r = state->rects[cell.storerect - 1];
    r.top = Times(p.originY + cell.rect.top, state->yscale) + state->vscroll;
    r.left = Times(p.originX + cell.rect.left, state->xscale) + state->hscroll;
    r.right = Times(p.originX + cell.rect.right, state->xscale) + state->hscroll;
    r.bottom = Times(p.originY + cell.rect.bottom, state->yscale) + state->vscroll;
  }
}

}  // namespace

RECT PlacementRect(const XmlDialogState& state, const XmlPlacement& p) {
  const tagXMLCELL& cell = p.node->cell;
  const double hs = state.dialog->hscale, vs = state.dialog->vscale;
  int32_t left = p.originX + cell.rect.left + cell.pxleft;
  int32_t top = p.originY + cell.rect.top + cell.pxtop;
  int32_t right = std::max(left, p.originX + cell.rect.right - cell.pxright);
  int32_t bottom = std::max(top, p.originY + cell.rect.bottom - cell.pxbottom);
  if (const tagXMLCONTROL* c = cell.control) {
    if (c->forcesize) return RECT{left, top, right, bottom};
    int32_t x, y, w, h;
    PlaceAxis(left, right, c->width, cell.align == kAlignRight, cell.align == kAlignCenter,
              c->forcewidth, c->addwidth, hs, &x, &w);
    PlaceAxis(top, bottom, c->height, cell.valign == kAlignBottom, cell.valign == kAlignCenter,
              c->forceheight, c->addheight, vs, &y, &h);
    return RECT{x, y, x + w, y + h};
  }
  // The group box frames the area, its caption above it.
  int32_t x = left - Signed(4.0 / 3.0 * hs), y = top - Signed(8 * vs);
  int32_t w = right - left + Signed(4 * hs) - 1, h = bottom - top + Signed(10 * vs) - 1;
  return RECT{x, y, x + std::max(0, w), y + std::max(0, h)};
}

void RelayoutXmlDialog(HWND dialog, XmlDialogState* state) {
  if (state->inRelayout) return;
  state->inRelayout = true;
  if (state->dialog->scalable) {
    FitScalable(dialog, state);
  } else {
    state->xscale = state->yscale = 1.0;
    // A template without cells keeps its own size.
    if (!state->placements.empty()) {
      SIZE size = XmlDialogWindowSize(dialog, *state);
      SetWindowPos(dialog, nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  for (const XmlPlacement& p : state->placements) {
    if (!p.window) continue;
    RECT r = PlacementRect(*state, p);
    int32_t x = Times(r.left, state->xscale) + state->hscroll;
    int32_t y = Times(r.top, state->yscale) + state->vscroll;
    SetWindowPos(p.window, nullptr, x, y, Times(r.right, state->xscale) + state->hscroll - x,
                 Times(r.bottom, state->yscale) + state->vscroll - y,
                 SWP_NOZORDER | SWP_NOREDRAW | SWP_NOSENDCHANGING | SWP_NOACTIVATE);
  }
  InvalidateRect(dialog, nullptr, TRUE);
  StoreRectangles(state);
  state->inRelayout = false;
}

bool SetXmlDialogScroll(HWND dialog, XmlDialogState* state, int bar, int position) {
  SetScrollPos(dialog, bar, position, TRUE);
  int32_t offset = -GetScrollPos(dialog, bar);
  int32_t& current = bar == SB_HORZ ? state->hscroll : state->vscroll;
  if (offset == current) return false;
  current = offset;
  RelayoutXmlDialog(dialog, state);
  return true;
}

void ScrollXmlDialog(HWND dialog, XmlDialogState* state, int bar, int code) {
  SCROLLINFO info = ScrollInfo(SIF_ALL);
  if (!GetScrollInfo(dialog, bar, &info)) return;
  int page = (info.nMax - info.nMin) / 10;
  int position = info.nPos;
  switch (code) {
    case SB_LINEUP:
      position -= 1;
      break;
    case SB_LINEDOWN:
      position += 1;
      break;
    case SB_PAGEUP:
      position -= page;
      break;
    case SB_PAGEDOWN:
      position += page;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      position = info.nTrackPos;
      break;
    case SB_TOP:
      position = info.nMin;
      break;
    case SB_BOTTOM:
      position = info.nMax;
      break;
    default:
      return;
  }
  SetXmlDialogScroll(dialog, state, bar, position);
}
