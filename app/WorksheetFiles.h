// A worksheet's files: its database, its locator and autosave names, opened, reopened at
// start, saved, exported and kept in step with the autosave setting. Windows-side header;
// GUI thread only. Nothing here runs while the worksheet's run flag is set.
#pragma once

#include <windows.h>

#include "app/Worksheet.h"

// WM_USER+300: opens path (reopen 1: a file of the autosave folder at start; 0: the
// user's). A worksheet that opens nothing destroys itself, silently.
void OpenWorksheet(HWND worksheet, tagWORKSHEETDATA* data, int reopen, const WCHAR* path);
// Save (saveAs 0: nothing when the worksheet has a user file) and Save As, through the save
// dialog; a failed move says "Failed to save the file.".
void SaveWorksheet(HWND worksheet, tagWORKSHEETDATA* data, int saveAs);
// Export Links (1119) and Export broken links (1122) into an HTML file chosen in the save
// dialog, opened afterwards.
void ExportWorksheet(HWND worksheet, tagWORKSHEETDATA* data, int command);
// After the settings dialog: a saved worksheet gets its locator with autosave on and loses
// it with autosave off.
void ApplyAutosaveSetting(HWND worksheet);

// The first free name of kind (AUTOSAVE_DATABASE, AUTOSAVE_LOCATOR) in the autosave
// folder, which is made when missing; the worksheet's own file counts as taken.
bool MakeAutosaveFileName(const tagWORKSHEETDATA* data, int kind, WCHAR* out, int size);

// With the window (Worksheet.win.cpp): the links list's column widths from the engine's
// window settings; the window's and the site panel's settings handed to the engine, the
// panel read back with readFlags (SITE_READ_*); the engine freed (its pointer cleared
// first); the window destroyed through the MDI client.
void ApplyColumnWidths(HWND worksheet, CLinkFinder* finder);
void StoreSettings(HWND worksheet, tagWORKSHEETDATA* data, int readFlags);
void DeleteFinder(tagWORKSHEETDATA* data);
void DestroySelf(HWND worksheet);
