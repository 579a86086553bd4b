// What follows a scan that ended on its own (WM_USER+111, posted by the worksheet once the
// engine's end message has returned): when no worksheet is running any more, close the
// program, hang up dial-up connections and power off, as the settings ask. Windows-side
// header; GUI thread only.
#pragma once

#include <windows.h>

// Runs the actions for worksheet, or, while the frame is disabled (a box, dialog or
// progress window is up), tries again from a timer of worksheet every half second. The
// close destroys worksheet: nothing of it is touched after that.
void RunAfterScanActions(HWND worksheet);
// Hangs up every dial-up connection that rasapi32 reports; nothing without rasapi32.
void HangUpDialUpConnections();
