// The system's own functions behind the shell's replaceable actions.
#include "app/SystemActions.h"

#include <shellapi.h>

int MeasureColourDepth(HWND window) {
  HDC dc = GetDC(window);
  const int depth = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
  ReleaseDC(window, dc);
  return depth * depth;
}

tagSYSTEMACTIONS g_systemActions = {ShellExecuteW,    CreateProcessW,   GetOpenFileNameW,
                                    GetSaveFileNameW, GetComCtlVersion, MeasureColourDepth};
