// The result lists' row heights and a plain painter: cell texts clipped to their columns,
// the broken-links entries as their lines.
#include <windows.h>

#include <commctrl.h>

#include "app/Worksheet.h"
#include "engine/ControlWrappers.h"

namespace {

constexpr int kCellText = 5000;
constexpr int kLinkColumnsDrawn = 15;
constexpr COLORREF kSelectedFocused = 0xC56A31;
constexpr COLORREF kSelected = 0xF1D7C7;
constexpr COLORREF kSelectedLowColour = 0x800000;

// One cell's text at a time, on the GUI thread.
WCHAR cell[kCellText];

// The entry's marks (backspace and form feed) only change the drawing style; a plain
// painter leaves them out.
void DropMarks(WCHAR* text) {
  WCHAR* to = text;
  for (const WCHAR* at = text; *at; ++at)
    if (*at != 8 && *at != 12) *to++ = *at;
  *to = 0;
}

const UINT kEntryFlags = DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS;

}  // namespace

void MeasureWorksheetRow(HWND worksheet, const tagWORKSHEETDATA* data, MEASUREITEMSTRUCT* item) {
  if (item->CtlType != ODT_LISTVIEW || item->CtlID != WORKSHEET_BROKEN_LIST) return;
  item->itemHeight = 4 * WorksheetCharHeight(worksheet, data->Font) + 4;
}

void DrawWorksheetRow(const tagWORKSHEETDATA* data, const DRAWITEMSTRUCT* item) {
  if (item->CtlType != ODT_LISTVIEW || item->itemID == static_cast<UINT>(-1)) return;
  HWND list = item->hwndItem;
  HDC dc = item->hDC;
  const bool selected = (item->itemState & ODS_SELECTED) != 0;
  const bool focused = selected && GetFocus() == list;
  const bool lowColour = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) < 8;
  COLORREF back = static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
  COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  if (selected && lowColour) {
    back = kSelectedLowColour;
    text = RGB(255, 255, 255);
  } else if (focused) {
    back = kSelectedFocused;
    text = RGB(255, 255, 255);
  } else if (selected) {
    back = kSelected;
  }
  RECT row = item->rcItem;
  RECT client = {};
  GetClientRect(list, &client);
  if (row.right < client.right) row.right = client.right;
  HBRUSH brush = CreateSolidBrush(back);
  FillRect(dc, &row, brush);
  DeleteObject(brush);
  if (focused) DrawFocusRect(dc, &row);
  HGDIOBJ old = SelectObject(dc, data->Font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text);
  const int rowIndex = static_cast<int>(item->itemID);
  if (item->CtlID == WORKSHEET_BROKEN_LIST) {
    RECT box = {};
    box.left = item->rcItem.left + 2;
    box.top = item->rcItem.top;
    box.bottom = item->rcItem.bottom;
    box.right = item->rcItem.left + static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    ListView_GetItemTextU(list, rowIndex, 0, cell, kCellText);
    DropMarks(cell);
    DrawTextW(dc, cell, -1, &box, kEntryFlags);
  } else {
    const int columns = static_cast<int>(SendMessageW(
        reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns && column < kLinkColumnsDrawn; ++column) {
      RECT box = {};
      box.top = column;
      box.left = LVIR_BOUNDS;
      if (!SendMessageW(list, LVM_GETSUBITEMRECT, rowIndex, reinterpret_cast<LPARAM>(&box)))
        continue;
      if (column == 0)
        box.right = box.left + static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
      box.left += 5;
      if (box.right <= box.left) continue;
      ListView_GetItemTextU(list, rowIndex, column, cell, kCellText);
      DrawTextW(dc, cell, -1, &box,
                DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
  }
  SelectObject(dc, old);
}

void NoteBrokenRow(HWND worksheet, tagWORKSHEETDATA* data, int row) {
  HWND list = GetDlgItem(worksheet, WORKSHEET_BROKEN_LIST);
  ListView_GetItemTextU(list, row, 0, cell, kCellText);
  DropMarks(cell);
  HDC screen = GetDC(worksheet);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, data->Font);
  RECT box = {};
  DrawTextW(dc, cell, -1, &box, kEntryFlags | DT_CALCRECT);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(worksheet, screen);
  const int width = box.right + 4;
  if (SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0) < width) {
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, width);
  }
  if (data->MinBrokenColWidth < width) data->MinBrokenColWidth = width;
}
