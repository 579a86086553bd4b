// Adding and counting the columns of a report-view list; the list's thread.
#include "app/ListColumn.h"

#include <commctrl.h>

#include "engine/ListViewCall.h"

void InsertListColumn(HWND list, int index, int width, const char16_t* text) {
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = width;
  column.pszText = const_cast<char16_t*>(text ? text : u"");
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

int ListColumnCount(HWND list) {
  HWND header = reinterpret_cast<HWND>(ListViewCall(list, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}
