// Widens a combo box's drop-down list to its longest entry. GUI thread.
#include "app/ComboList.h"

#include <cstdlib>

#include "toolkit/Win32Holders.h"

void WidenComboList(HWND combo) {
  int widest = 0;
  {
    const WindowDc dc(combo);
    const SelectedObject font(dc.get(),
                              reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
      if (length <= 0) continue;
      WCHAR* entry =
          static_cast<WCHAR*>(std::calloc(static_cast<size_t>(length) + 1, sizeof(WCHAR)));
      if (!entry) continue;
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
      SIZE extent = {};
      GetTextExtentPoint32W(dc.get(), entry, static_cast<int>(length), &extent);
      if (extent.cx > widest) widest = extent.cx;
      std::free(entry);
    }
  }
  LRESULT width = widest + 2 * GetSystemMetrics(SM_CXDLGFRAME) + GetSystemMetrics(SM_CXVSCROLL);
  if (width > SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0))
    SendMessageW(combo, CB_SETDROPPEDWIDTH, width, 0);
}
