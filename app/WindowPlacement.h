// A window's restored rectangle, as the settings store it. Windows-side header.
#pragma once

#include <windows.h>

struct NormalPlacement {
  int x = 0, y = 0, cx = 0, cy = 0;  // left, top, width, height
  UINT show = 0;                     // the show command
};

// False, and out left as it was, when the placement cannot be read.
inline bool GetNormalPlacement(HWND window, NormalPlacement* out) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(window, &placement)) return false;
  const RECT& r = placement.rcNormalPosition;
  out->x = r.left;
  out->y = r.top;
  out->cx = r.right - r.left;
  out->cy = r.bottom - r.top;
  out->show = placement.showCmd;
  return true;
}
