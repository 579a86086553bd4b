// The start-up's steps up to the frame, for tests that open the real frame in their own
// process. Windows-side header; the test's GUI thread.
#pragma once

#include <windows.h>

#include <string>

constexpr char16_t TEST_FRAME_CLASS[] = u"Tessaline_Lite_MDI_Class";

// Loads the strings and menus and registers the frame class and the worksheet class with
// worksheetProc. False when the string table does not load.
bool PrepareFrameClasses(WNDPROC worksheetProc);
// Destroys a test frame, keeping the shared menus for the next one (a window destroys the
// menu it holds).
void DestroyTestFrame(HWND frame);
// A menu built from its text, and its Window submenu (popup) in windowMenu.
HMENU BuildTestMenu(int kind, int popup, HMENU* windowMenu);
// Points the documents folder, settings file and autosave folder into a new temporary
// folder and loads the settings from there; the folder's Linux path, for removing it.
std::string UseTemporarySettings(const char* prefix);
