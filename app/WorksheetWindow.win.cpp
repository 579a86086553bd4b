// The worksheet windows: MDI children of the frame, and the reopen of autosaved ones.
#include <windows.h>

#include "app/Startup.h"
#include "app/Worksheet.h"

namespace {

void ReadStoppedState(HWND, tagWORKSHEETSTATE* out) { *out = {RUN_STOPPED, 0, nullptr}; }
void KeepLocator(HWND) {}
void KeepTooltips(HWND) {}

}  // namespace

tagWORKSHEETCALLS g_worksheetCalls = {ReadStoppedState, KeepLocator, KeepTooltips};

LRESULT CALLBACK WorksheetWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefMDIChildProcW(window, message, wParam, lParam);
}

void ReopenAutosavedWorksheets() {}
