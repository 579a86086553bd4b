// The settings dialog: a property sheet of five pages (Options, Connection, HTTP Options,
// Cookies, About) over the global settings. Windows-side header; GUI thread only.
#pragma once

#include <windows.h>

// Page indexes.
enum : int {
  SETTINGS_PAGE_OPTIONS = 0,
  SETTINGS_PAGE_CONNECTION = 1,
  SETTINGS_PAGE_HTTP_OPTIONS = 2,
  SETTINGS_PAGE_COOKIES = 3,
  SETTINGS_PAGE_ABOUT = 4,
};

// Shows the sheet at startPage (lowered to the last page) with owner disabled, and returns
// when it closes: 1 after OK, when the edited values have reached g_settings (the caller
// saves them); another value after a cancel, nothing changed; -1 when the sheet could not
// be made. A WM_QUIT taken while the sheet is up ends it and is posted again.
int RunSettingsDialog(HWND owner, int startPage);
