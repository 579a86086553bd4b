// The worksheet windows: MDI children of the frame, and the reopen of autosaved ones.
#include <windows.h>

#include "app/Startup.h"

LRESULT CALLBACK WorksheetWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefMDIChildProcW(window, message, wParam, lParam);
}

void ReopenAutosavedWorksheets() {}
