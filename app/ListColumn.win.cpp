// Adding a column to a report-view list; the list's thread.
#include "app/ListColumn.h"

#include <commctrl.h>

void InsertListColumn(HWND list, int index, int width, const char16_t* text) {
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = width;
  column.pszText = const_cast<char16_t*>(text ? text : u"");
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}
