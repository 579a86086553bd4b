// The result lists' rows in colour, the broken-links entries with their marked spans, the
// broken list's column width, and the tooltips of the visible cells.
#include "app/WorksheetLists.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "app/ListColumn.h"
#include "app/MarkedText.h"
#include "app/SettingsRecord.h"
#include "app/SystemActions.h"
#include "app/Worksheet.h"
#include "engine/ListViewCall.h"
#include "engine/MarkupText.h"
#include "engine/ResultRows.h"
#include "toolkit/Win32Holders.h"
#include "toolkit/WindowState.h"

namespace {

constexpr int kCellText = 5000;
constexpr LRESULT kLinkTipColumns = LINK_COLUMNS_ALL;
constexpr int kTipWidth = 500;
constexpr UINT_PTR kSubclassId = 6025;
// A paint's tools are made in a turn of the window of their own, after what was posted
// meanwhile: a first page of tools costs as much as the paint.
constexpr UINT WM_LIST_MAKETIPS = WM_APP + 25;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kSelectedFocused = 0xC56A31;
constexpr COLORREF kSelected = 0xF1D7C7;
constexpr COLORREF kSelectedLowColour = 0x800000;
constexpr COLORREF kGreen = 0x008000;
constexpr COLORREF kGreenSelected = 0x00FF00;
constexpr COLORREF kDarkRed = 0x000080;

// One cell at a time on the GUI thread: its text, the widths of its prefixes and the cut
// copy with "..." appended.
WCHAR cell[kCellText + 1];
int extents[kCellText];
WCHAR shortened[kCellText + 4];

// Per list, while a tip shows: the tip keeps its offset from the mouse. TipsStale: a batch of
// rows was written since the tools were last made.
struct TipFollow {
  bool Showing;
  bool OffsetKnown;
  POINT ShownAt;
  POINT Offset;
  bool TipsStale;
};

struct RowState {
  bool Selected;
  bool Focused;  // the list has the keyboard focus
  bool EightBits;
  COLORREF ListBack;
  LinkRowData Row;  // from the row's item data
};

struct RowColours {
  COLORREF Back;
  COLORREF Text;
};

COLORREF MaskColour(uint32_t mask) {
  static const struct {
    uint32_t bit;
    COLORREF colour;
  } kOrder[] = {{LINKROW_CHECKING, 0xFF0000},
                {LINKROW_BROKEN, 0x0000FF},
                {LINKROW_BROKEN_RETRIED, 0x3232C0},
                {LINKROW_SKIPPED, 0x00A0A0},
                {LINKROW_NOTCHECKABLE, 0x00AA00}};
  for (const auto& rule : kOrder)
    if (mask & rule.bit) return rule.colour;
  return kBlack;
}

RowColours LinkRowColours(const RowState& row) {
  if (!row.EightBits)
    return row.Selected ? RowColours{kSelectedLowColour, kWhite} : RowColours{row.ListBack, kBlack};
  if (row.Selected && row.Focused) return {kSelectedFocused, kWhite};
  const COLORREF text = MaskColour(row.Row.bits);
  if (row.Selected) return {kSelected, text};
  switch (row.Row.restype) {
    case RES_IMAGE:
    case RES_TEXT:
      return {0xCCDFCD, text};
    case RES_HTML:
    case RES_ROBOTSTXT:
    case RES_STYLESHEET:
      return {0xFFFBDB, text};
  }
  return {row.ListBack, text};
}

COLORREF BrokenRowBack(const RowState& row) {
  if (!row.Selected) return row.ListBack;
  if (!row.EightBits) return kSelectedLowColour;
  return row.Focused ? kSelectedFocused : kSelected;
}

void FillRow(HDC dc, const RECT& row, COLORREF back, bool focusFrame) {
  SetDCBrushColor(dc, back);
  FillRect(dc, &row, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  if (focusFrame) DrawFocusRect(dc, &row);
}

// One cell: the text from 5 pixels right of the column's left edge, cut with "..." when it
// does not fit, vertically centred and clipped to the column.
void DrawCell(HDC dc, const RECT& column, const WCHAR* text, int length, int textHeight) {
  const int x = column.left + 5;
  const int room = column.right - x;
  if (room <= 0 || length <= 0) return;
  SIZE whole = {};
  GetTextExtentExPointW(dc, text, length, 0, nullptr, extents, &whole);
  SIZE dots = {};
  GetTextExtentPoint32W(dc, u"...", 3, &dots);
  const CellCut cut = CutCellText(text, length, extents, dots.cx, room);
  const WCHAR* shown = text;
  int shownLength = cut.Keep;
  if (cut.Ellipsis) {
    std::copy(text, text + cut.Keep, shortened);
    std::copy(u"...", u"..." + 3, shortened + cut.Keep);
    shown = shortened;
    shownLength = cut.Keep + 3;
  }
  const int y = column.top + (column.bottom - column.top - textHeight) / 2;
  ExtTextOutW(dc, x, y, ETO_CLIPPED, &column, shown, shownLength, nullptr);
}

LRESULT TipColumnsOf(HWND list) {
  switch (GetDlgCtrlID(list)) {
    case WORKSHEET_LINKS_LIST:
      return kLinkTipColumns;
    case WORKSHEET_BROKEN_LIST:
      return 1;
  }
  return 0;
}

// The columns drawn and tipped: the count the list answers, never more than its header
// holds; asked directly, as a row is drawn often.
int TipColumns(HWND list) {
  return std::min(static_cast<int>(TipColumnsOf(list)), ListColumnCount(list));
}

// Painting and the tools read every visible cell: the reads skip the list's subclasses.
int ReadCell(HWND list, int row, int column) {
  cell[0] = 0;
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = cell;
  item.cchTextMax = kCellText + 1;
  ListViewCall(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return static_cast<int>(std::char_traits<char16_t>::length(cell));
}

// Only the cells inside the DC's clip box are read and drawn: a changed cell repaints alone.
void PaintLinkRow(HDC dc, HWND list, int rowIndex, const RECT& row, const RowState& state) {
  const RowColours colours = LinkRowColours(state);
  FillRow(dc, row, colours.Back, state.Selected && state.Focused);
  SetTextColor(dc, colours.Text);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  RECT clip = {};
  GetClipBox(dc, &clip);
  int x = row.left;
  const int columns = TipColumns(list);
  for (int column = 0; column < columns && x < clip.right; ++column) {
    const int width = static_cast<int>(ListViewCall(list, LVM_GETCOLUMNWIDTH, column, 0));
    const RECT box = {x, row.top, x + width, row.bottom};
    x += width;
    if (box.right <= clip.left || width <= 5) continue;
    DrawCell(dc, box, cell, ReadCell(list, rowIndex, column), metrics.tmHeight);
  }
}

void PaintBrokenRow(HDC dc, HWND list, int rowIndex, const RECT& row, const RowState& state) {
  FillRow(dc, row, BrokenRowBack(state), state.Selected && state.Focused);
  IntersectClipRect(dc, row.left, row.top, row.right, row.bottom);
  // Below 8 bits a selected row is dark blue whether or not the list has the focus, so its
  // text takes the highlight colours as well.
  const bool highlight = state.Selected && (state.Focused || !state.EightBits);
  int width = 0, height = 0;
  const int length = ReadCell(list, rowIndex, 0);
  DrawMarkedText(dc, row.left + 2, row.top, cell, length, highlight, &width, &height);
}

TipFollow* FollowOf(HWND list) {
  DWORD_PTR state = 0;
  if (!GetWindowSubclass(list, ListViewSubclassProc, kSubclassId, &state)) return nullptr;
  return reinterpret_cast<TipFollow*>(state);
}

bool MouseOver(HWND list) {
  POINT mouse = {};
  return GetCursorPos(&mouse) && WindowFromPoint(mouse) == list;
}

void MoveTipAlong(HWND tips, TipFollow* follow) {
  POINT mouse = {};
  GetCursorPos(&mouse);
  RECT tip = {};
  GetWindowRect(tips, &tip);
  if (!follow->OffsetKnown) {
    follow->Offset = {tip.left - follow->ShownAt.x, tip.top - follow->ShownAt.y + 2};
    follow->OffsetKnown = true;
  }
  const int x = mouse.x + follow->Offset.x;
  const int y = mouse.y + follow->Offset.y;
  const int width = tip.right - tip.left;
  const int height = tip.bottom - tip.top;
  if (x < 0 || y < 0 || x + width > GetSystemMetrics(SM_CXSCREEN) ||
      y + height > GetSystemMetrics(SM_CYSCREEN)) {
    return;
  }
  SetWindowPos(tips, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The list hands its mouse messages to its tooltip window itself: every tool added with the
// subclassing flag has the tooltip window subclass the list again (window properties, each
// a round trip to the Wine server), which doubled the cost of a page of new tools.
void RelayToTips(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND tips = WindowState<HWND>(list, GWLP_USERDATA);
  if (!tips) return;
  MSG msg = {list, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
  GetCursorPos(&msg.pt);
  SendMessageW(tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void NoteTip(HWND list, const NMHDR* header, TipFollow* follow) {
  if (header->hwndFrom != WindowState<HWND>(list, GWLP_USERDATA)) return;
  if (header->code == TTN_SHOW) {
    follow->Showing = true;
    follow->OffsetKnown = false;
    GetCursorPos(&follow->ShownAt);
  } else if (header->code == TTN_POP) {
    follow->Showing = false;
  }
}

HWND CreateTips(HWND list) {
  HWND tips = WindowState<HWND>(list, GWLP_USERDATA);
  if (tips && IsWindow(tips)) return tips;
  // Owned by the list: the tooltip window would otherwise belong to the frame and outlive its
  // worksheet.
  tips = CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, list, nullptr,
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(list, GWLP_HINSTANCE)), nullptr);
  SetWindowState(list, GWLP_USERDATA, tips);
  return tips;
}

// Draws a run with every character at the place the measure gave it, and answers that
// measure. A display driver may lay plain text out with other advances than the font's
// measure (Wine's x11 driver does, with real fonts): the next piece then starts where this
// one really ended.
SIZE DrawMeasuredRun(HDC dc, int x, int y, const WCHAR* text, int length) {
  SIZE size = {};
  std::vector<INT> advances(static_cast<size_t>(length));
  if (!GetTextExtentExPointW(dc, text, length, 0, nullptr, advances.data(), &size)) {
    GetTextExtentPoint32W(dc, text, length, &size);
    TextOutW(dc, x, y, text, length);
    return size;
  }
  for (int i = length - 1; i > 0; --i) advances[i] -= advances[i - 1];
  ExtTextOutW(dc, x, y, 0, nullptr, text, length, advances.data());
  return size;
}

void DestroyTips(HWND list) {
  HWND tips = WindowState<HWND>(list, GWLP_USERDATA);
  ClearWindowState(list, GWLP_USERDATA);
  if (tips) DestroyWindow(tips);
}

// Adds the tool, or changes the one of that id that the window has.
void PutTool(HWND tips, HWND list, UINT id, const RECT& rect, const WCHAR* text, bool existing) {
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.hwnd = list;
  tool.uId = id;
  tool.rect = rect;
  tool.lpszText = const_cast<WCHAR*>(text);
  SendMessageW(tips, existing ? TTM_SETTOOLINFOW : TTM_ADDTOOLW, 0,
               reinterpret_cast<LPARAM>(&tool));
}

// Every tool of the window is one of this list's, numbered from 0.
void DeleteTools(HWND tips, HWND list) {
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.hwnd = list;
  for (int id = static_cast<int>(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0)) - 1; id >= 0; --id) {
    tool.uId = static_cast<UINT_PTR>(id);
    SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

}  // namespace

void DrawMarkedText(HDC dc, int x, int y, const WCHAR* text, int length, int selectedFocused,
                    int* width, int* height) {
  if (!text) length = 0;
  if (length < 0) length = static_cast<int>(std::char_traits<char16_t>::length(text));
  const COLORREF plain = GetSysColor(selectedFocused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  auto span = [&](COLORREF colour) {
    return GetNearestColor(dc, colour) == highlight ? plain : colour;
  };
  const COLORREF colours[] = {plain, span(selectedFocused ? kGreenSelected : kGreen),
                              span(kDarkRed)};
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = GetTextColor(dc);
  int widest = 0;
  int top = y;
  for (const MarkedLine& line : SplitMarkedText(text, length)) {
    int right = x;
    int tallest = line.Segments.empty() ? metrics.tmHeight : 0;
    for (const MarkedSegment& segment : line.Segments) {
      SetTextColor(dc, colours[segment.Colour]);
      const SIZE size = DrawMeasuredRun(dc, right, top, text + segment.Start, segment.Length);
      right += size.cx;
      tallest = std::max(tallest, static_cast<int>(size.cy));
    }
    widest = std::max(widest, right - x);
    top += tallest;
  }
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  if (width) *width = widest;
  if (height) *height = top - y;
}

void MeasureWorksheetRow(HWND worksheet, const tagWORKSHEETDATA* data, MEASUREITEMSTRUCT* item) {
  if (item->CtlType != ODT_LISTVIEW || item->CtlID != WORKSHEET_BROKEN_LIST) return;
  item->itemHeight = 4 * WorksheetCharHeight(worksheet, data->Font) + 4;
}

void DrawWorksheetRow(const tagWORKSHEETDATA* data, const DRAWITEMSTRUCT* item) {
  if (item->CtlType != ODT_LISTVIEW || item->itemID == static_cast<UINT>(-1)) return;
  HWND list = item->hwndItem;
  HDC dc = item->hDC;
  RowState state = {};
  state.Selected = (item->itemState & ODS_SELECTED) != 0;
  state.Focused = GetFocus() == list;
  state.EightBits = g_systemActions.ColourDepth(list) >= 8 * 8;
  state.ListBack = static_cast<COLORREF>(ListViewCall(list, LVM_GETBKCOLOR, 0, 0));
  state.Row = DecodeLinkRow(static_cast<uint32_t>(item->itemData));  // the row's lParam
  RECT box = item->rcItem;
  RECT client = {};
  GetClientRect(list, &client);
  const int right = client.right - GetSystemMetrics(SM_CXEDGE);
  if (box.right < right) box.right = right;
  const int saved = SaveDC(dc);
  SelectObject(dc, data->Font);
  SetBkMode(dc, TRANSPARENT);
  if (item->CtlID == WORKSHEET_BROKEN_LIST)
    PaintBrokenRow(dc, list, static_cast<int>(item->itemID), box, state);
  else
    PaintLinkRow(dc, list, static_cast<int>(item->itemID), box, state);
  RestoreDC(dc, saved);
}

void NoteBrokenRow(HWND worksheet, tagWORKSHEETDATA* data, int row) {
  HWND list = GetDlgItem(worksheet, WORKSHEET_BROKEN_LIST);
  const int length = ReadCell(list, row, 0);
  int width = 0, height = 0;
  {
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc.held()) return;
    const SelectedObject font(dc.get(), data->Font);
    DrawMarkedText(dc.get(), 0, 0, cell, length, 0, &width, &height);
  }
  if (SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0) < width) {
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, width);
  }
  if (data->MinBrokenColWidth < width) data->MinBrokenColWidth = width;
}

bool SubclassResultList(HWND list) {
  auto* follow = new (std::nothrow) TipFollow();
  if (!follow) return false;
  if (SetWindowSubclass(list, ListViewSubclassProc, kSubclassId,
                        reinterpret_cast<DWORD_PTR>(follow))) {
    return true;
  }
  delete follow;
  return false;
}

LRESULT CALLBACK ListViewSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR state) {
  auto* follow = reinterpret_cast<TipFollow*>(state);
  switch (message) {
    case WM_LIST_TIPCOLUMNS:
      return TipColumnsOf(list);
    case WM_LIST_CREATETIPS:
      return reinterpret_cast<LRESULT>(CreateTips(list));
    case WM_LIST_GETTIPS:
      return reinterpret_cast<LRESULT>(WindowState<HWND>(list, GWLP_USERDATA));
    case WM_KEYDOWN:
      if (wParam < VK_PRIOR || wParam > VK_DOWN) break;
      [[fallthrough]];
    case WM_MOUSEWHEEL:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case LVM_ENSUREVISIBLE: {
      const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
      if (!follow->TipsStale) RefreshListTooltips(list);
      return result;
    }
    // A batch of rows ends by turning redraw back on. Making a page of tools costs the
    // window thread more than the batch itself, so the batch's tools are made once, when the
    // list paints with the mouse over it, or when the mouse comes onto it.
    case WM_SETREDRAW:
      if (wParam) follow->TipsStale = true;
      break;
    case WM_PAINT: {
      const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
      if (follow->TipsStale && MouseOver(list)) PostMessageW(list, WM_LIST_MAKETIPS, 0, 0);
      return result;
    }
    case WM_LIST_MAKETIPS:
      if (follow->TipsStale && MouseOver(list)) RefreshListTooltips(list);
      return 0;
    case WM_MOUSEMOVE: {
      const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
      if (follow->TipsStale) RefreshListTooltips(list);
      RelayToTips(list, message, wParam, lParam);
      HWND tips = WindowState<HWND>(list, GWLP_USERDATA);
      if (follow->Showing && tips) MoveTipAlong(tips, follow);
      return result;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      RelayToTips(list, message, wParam, lParam);
      break;
    case WM_NOTIFY:
      NoteTip(list, reinterpret_cast<const NMHDR*>(lParam), follow);
      break;
    case WM_DESTROY:
      DestroyTips(list);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(list, ListViewSubclassProc, kSubclassId);
      delete follow;
      break;
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

void RefreshListTooltipsWhenSeen(HWND list) {
  if (MouseOver(list)) {
    RefreshListTooltips(list);
  } else if (TipFollow* follow = FollowOf(list)) {
    follow->TipsStale = true;
  }
}

void RefreshListTooltips(HWND list) {
  HWND worksheet = GetParent(list);
  if (!list || !IsWindowVisible(worksheet) || IsIconic(worksheet)) return;
  if (TipFollow* follow = FollowOf(list)) follow->TipsStale = false;
  HWND tips = reinterpret_cast<HWND>(SendMessageW(list, WM_LIST_GETTIPS, 0, 0));
  if (!tips) return;
  if (!g_settings.DisplayToolTips ||
      (GetWindowLongW(list, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT) {
    DeleteTools(tips, list);
    return;
  }
  SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
  const bool broken = GetDlgCtrlID(list) == WORKSHEET_BROKEN_LIST;
  const int columns = TipColumns(list);
  const int top = static_cast<int>(ListViewCall(list, LVM_GETTOPINDEX, 0, 0));
  const int page = static_cast<int>(ListViewCall(list, LVM_GETCOUNTPERPAGE, 0, 0));
  const int count = static_cast<int>(ListViewCall(list, LVM_GETITEMCOUNT, 0, 0));
  const int rows = std::max(0, std::min(top + page, count) - top);
  const int wanted = rows * (broken ? 1 : columns);
  // A page of tools that keeps its size (or grows) is changed in place: adding and deleting a
  // tool costs the tooltip window far more than changing its text and rectangle.
  int have = static_cast<int>(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
  if (have > wanted) {
    DeleteTools(tips, list);
    have = 0;
  }
  int widths[kLinkTipColumns] = {};
  for (int column = 0; column < columns; ++column)
    widths[column] = static_cast<int>(ListViewCall(list, LVM_GETCOLUMNWIDTH, column, 0));
  UINT id = 0;
  for (int row = top; row < top + rows; ++row) {
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    ListViewCall(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    if (broken) {
      ReadCell(list, row, 0);
      PutTool(tips, list, id, bounds, StripMarkup(cell).c_str(), static_cast<int>(id) < have);
      ++id;
      continue;
    }
    int x = bounds.left;
    for (int column = 0; column < columns; ++column) {
      const RECT box = {x, bounds.top, x + widths[column], bounds.bottom};
      x += widths[column];
      ReadCell(list, row, column);
      PutTool(tips, list, id, box, cell, static_cast<int>(id) < have);
      ++id;
    }
  }
}
