// The program's settings dialog. Windows-side header; GUI thread.
#pragma once

#include <windows.h>

// Runs the settings sheet on startPage (0 Options, 1 Connection, 2 HTTP Options,
// 3 Cookies, 4 About) until it closes; returns the sheet's result: 1 after OK, -1 when the
// sheet cannot be made.
int RunSettingsDialog(HWND owner, int startPage);
