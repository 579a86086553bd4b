// Messages to a list view that skip its subclasses. Under Wine every message that passes a
// window's subclasses costs a round trip to the Wine server (the subclass chain lives in a
// window property), which busy workers keep waiting; the lists' own row writes and the reads
// of their painting need none of the subclasses. Windows-side header.
#pragma once

#include <windows.h>

// On the list's own thread the message goes straight to the list view's procedure; on any
// other thread it is sent as usual.
LRESULT ListViewCall(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
