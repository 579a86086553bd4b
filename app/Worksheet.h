// The worksheet window: an MDI child of the frame that owns one engine and shows the site
// panel, the two result lists, a description line and the Start/Stop button. What the
// frame reads of it and asks of it goes through replaceable pointers so tests can stand in.
// Windows-side header; GUI thread. Reading the state takes no engine or database lock.
#pragma once

#include <windows.h>

#include "app/CommandStates.h"

class CLinkFinder;

constexpr char16_t WORKSHEET_CLASS[] = u"Tessaline_Lite_MDI_Child_Class";
constexpr int WORKSHEET_BANNER = 2100;
constexpr int WORKSHEET_SITE_PANEL = 2101;
constexpr int WORKSHEET_DESCRIPTION = 2701;
constexpr int WORKSHEET_TABS = 2800;
constexpr int WORKSHEET_LINKS_LIST = 2801;
constexpr int WORKSHEET_BROKEN_LIST = 2806;
constexpr UINT WM_WORKSHEET_LAYOUT = WM_USER + 100;
constexpr UINT WM_WORKSHEET_AFTER_SCAN = WM_USER + 111;
constexpr UINT WM_WORKSHEET_NEW = WM_USER + 200;
constexpr UINT WM_WORKSHEET_OPEN = WM_USER + 300;  // wParam 1 at start-up, lParam the path
constexpr UINT WM_WORKSHEET_RECENT = WM_USER + 500;
constexpr UINT WM_FRAME_MENU_CHANGED = WM_USER + 600;
constexpr UINT_PTR WORKSHEET_PROGRESS_TIMER = 1;
constexpr UINT_PTR WORKSHEET_AFTER_SCAN_TIMER = 2;
constexpr int WORKSHEET_BANNER_HEIGHT = 56;
// The bottom of the right side that the engine's progress graphic paints.
constexpr int WORKSHEET_PROGRESS_HEIGHT = 65;

// One per worksheet window, in its pointer-sized extra bytes; freed on WM_DESTROY.
struct tagWORKSHEETDATA {
  WCHAR DataFile[1024];  // its file in the autosave folder, or empty
  WCHAR UserFile[1024];  // the database file the user chose, or empty
  int StopPending;       // a stop or pause was accepted and the run has not ended
  HFONT Font;
  CLinkFinder* Finder;  // owned; deleted only while no run is flagged
  int MinBrokenColWidth;
  int View;  // 1: both lists framed; 0: tabbed
  int Tab;   // 0: links list, 2: broken-links list
  int MinTrackX, MinTrackY;
  // From an accepted Start or Resume until the run's end message: a worker may still be in
  // the engine although it already says stopped.
  int Running;
};

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

// The block of a worksheet window, or null (not yet created, or already destroyed).
tagWORKSHEETDATA* WorksheetData(HWND worksheet);
// The run state the frame's commands follow: running or pending while a run is flagged.
int WorksheetRunState(const tagWORKSHEETDATA* data);

// Hands the window's placement, views and the links list's column widths to the engine.
void StoreWindowSettings(HWND worksheet, tagWORKSHEETDATA* data);
// The frame's and this window's command states, and the Start/Stop button's text.
void UpdateWorksheetStates(HWND worksheet);

// The site panel's width: what the progress graphic leaves to its left (WM_FINDER_PANEL_WIDTH).
int SitePanelWidth(HWND worksheet);
// The height of "0" in font, the unit of the layout and of the broken list's rows.
int WorksheetCharHeight(HWND worksheet, HFONT font);
// Layout (WM_WORKSHEET_LAYOUT) and its minimum tracking size.
void LayOutWorksheet(HWND worksheet, tagWORKSHEETDATA* data);
void GetWorksheetMinMax(const tagWORKSHEETDATA* data, MINMAXINFO* info);

// WM_COMMAND, WM_NOTIFY and WM_CONTEXTMENU of a worksheet; each answers from window state
// or asks the engine without waiting for a run.
void WorksheetCommand(HWND worksheet, tagWORKSHEETDATA* data, WPARAM wParam, LPARAM lParam);
LRESULT WorksheetNotify(HWND worksheet, tagWORKSHEETDATA* data, NMHDR* header);
void WorksheetContextMenu(HWND worksheet, HWND list, LPARAM screenPoint);
// Sets the caption "Links <site URL>", with " - <user file>" when the worksheet has one.
void SetWorksheetCaption(HWND worksheet, const tagWORKSHEETDATA* data);
// Copy Item Text: drops backspaces and form feeds and turns LF into CR LF in out (size
// units with the terminator); stops before a pair that would not fit. Returns the length.
int ExpandItemText(const WCHAR* text, WCHAR* out, int size);

// The result lists' row heights and painter, from window state alone.
void MeasureWorksheetRow(HWND worksheet, const tagWORKSHEETDATA* data, MEASUREITEMSTRUCT* item);
void DrawWorksheetRow(const tagWORKSHEETDATA* data, const DRAWITEMSTRUCT* item);
// A row inserted into the broken-links list: its column 0 widens to the row's text.
void NoteBrokenRow(HWND worksheet, tagWORKSHEETDATA* data, int row);
