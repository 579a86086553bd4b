// What the frame reads of a worksheet window and asks of it, behind replaceable pointers
// so the worksheet can grow without the frame and tests can stand in for it.
// Windows-side header; GUI thread. Reading the state takes no engine or database lock.
#pragma once

#include <windows.h>

#include "app/CommandStates.h"

constexpr char16_t WORKSHEET_CLASS[] = u"Tessaline_Lite_MDI_Child_Class";
constexpr int WORKSHEET_LINKS_LIST = 2801;
constexpr UINT WM_WORKSHEET_NEW = WM_USER + 200;
constexpr UINT WM_WORKSHEET_OPEN = WM_USER + 300;  // wParam 0, lParam the path
constexpr UINT WM_FRAME_MENU_CHANGED = WM_USER + 600;

struct tagWORKSHEETSTATE {
  int RunState;    // RUN_STOPPED ... RUN_PENDING
  int View;        // 1: both lists framed; else tabbed
  HWND SitePanel;  // the site panel's frame, or null
};

struct tagWORKSHEETCALLS {
  void (*ReadState)(HWND worksheet, tagWORKSHEETSTATE* out);
  // After the settings dialog: write or drop the worksheet's locator file to match
  // `AutosaveWorksheets`.
  void (*ApplyAutosaveSetting)(HWND worksheet);
  // Rebuilds the tooltips of a result list.
  void (*RefreshListTooltips)(HWND list);
};

extern tagWORKSHEETCALLS g_worksheetCalls;
