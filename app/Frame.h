// The frame window's state and its pieces: toolbar, menu icons, command dispatch and
// command states. Windows-side header; GUI thread only.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

constexpr int FRAME_TOOLBAR_ID = 100;
constexpr int LANGUAGE_COMMAND_FIRST = 3000;

extern HWND g_toolbar;
extern int g_colourDepth;
// The active worksheet when closing began.
extern HWND g_closingActiveWorksheet;
// SetMenuInfo, bound at run time; null without menu icons.
extern BOOL(WINAPI* g_setMenuInfo)(HMENU, LPCMENUINFO);
extern HIMAGELIST g_menuImages;

// The active worksheet, or null.
HWND ActiveWorksheet();
// Every worksheet, collected before any is closed or destroyed.
std::vector<HWND> ListWorksheets();
// Whether a worksheet's scan keeps the frame or worksheets from closing, and the message
// that says so.
bool AnyWorksheetBlocksClosing();
void ShowCloseRefusal(HWND frame);
// A new, minimised worksheet titled "Links"; null when it cannot be made.
HWND CreateWorksheet();
// Toolbar, menu and button states for the active worksheet (null: none).
void UpdateCommandStates(HWND worksheet);

// Creates the toolbar for the display's colour depth (below 256: the single 8-bit strip).
HWND CreateFrameToolbar(HWND frame, int colourDepth);
// The toolbar does not own its image lists: the frame destroys them with it.
void DestroyFrameToolbarImages(HWND toolbar);
// Binds SetMenuInfo and loads the menu images when the depth allows them.
void InitMenuIcons(int colourDepth);
void FreeMenuIcons();
// The menu image of a command, or -1.
int GetMenuIcon(UINT command);
// TTN_GETDISPINFOW: the tooltip of a toolbar button, left open to any length.
void FillToolbarTip(NMTTDISPINFOW* info);
// WM_INITMENUPOPUP, WM_MEASUREITEM and WM_DRAWITEM for menu icons; 1 when handled.
void PrepareMenuIcons(HWND frame, HMENU popup, BOOL systemMenu);
int MeasureMenuIcon(MEASUREITEMSTRUCT* item);
int DrawMenuIcon(const DRAWITEMSTRUCT* item);

// WM_COMMAND of the frame; 0 for a command passed on to the active worksheet, which the
// frame's default handling sees too (the window list of the Window menu).
int HandleFrameCommand(HWND frame, WPARAM wParam, LPARAM lParam);
// The settings dialog (RunSettingsDialog, replaceable) on a page, and what follows its OK.
extern int (*g_runSettingsDialog)(HWND owner, int startPage);
void RunSettingsPage(HWND frame, int page);
