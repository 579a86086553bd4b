// Start-up, the message loop and shutdown of the program, with the values they set for the
// whole shell, HTML Help and the keyboard routing of the loop. Windows-side header; GUI
// thread only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/Settings.h"

constexpr uint64_t PROGRAM_VERSION = 0x0002000200000260ull;  // 2.2.0.608
constexpr int WORKSHEET_START_STOP = 2700;
constexpr UINT WM_WORKSHEET_NEXT = WM_USER + 400;

extern HINSTANCE g_instance;
extern char16_t g_programFolder[SETTINGS_PATH_SIZE];
extern HWND g_frame;
extern HWND g_mdiClient;
extern HMENU g_frameMenu;
extern HMENU g_frameWindowMenu;
extern HMENU g_worksheetMenu;
extern HMENU g_worksheetWindowMenu;
extern HACCEL g_accelerators;
extern uint32_t g_comCtlVersion;  // major << 16 | minor
extern int g_commonControlsOk;
extern int g_restart;

// Gives a dialog the program's icon (resource 1, large and small), as the frame has it.
void GiveProgramIcon(HWND window);

// Start-up, loop and shutdown; returns the process's exit code (255: system too old).
int RunProgram(HINSTANCE instance, HINSTANCE previous);

// The gates of start-up.
bool IsSupportedSystem(const OSVERSIONINFOW& version);
bool ComCtlVersionPasses(uint32_t packed);
// "--cache" anywhere in the command line.
bool CommandLineWantsCache(const char* commandLine);

// A file's version (most significant pair high, least significant low); 0 when it has none.
uint64_t GetFileVersion(const WCHAR* path);

// HTML Help, bound at run time; every call does nothing and returns 0 without it. A file
// argument beginning with "::/" names a topic of the current help file.
// What ShowHelp passes as the file: a "::/" topic joined to the help file path in `joined`
// (cut to size), any other argument unchanged.
const WCHAR* HelpFileArgument(const WCHAR* file, WCHAR* joined, int size);
HWND ShowHelp(HWND owner, const WCHAR* file, UINT command, DWORD_PTR data);
void HelpInitialize();
BOOL HelpPreTranslateMessage(MSG* message);
void HelpUninitialize();

// Alt+S and Ctrl+(Shift+)Tab while a worksheet is active; nonzero when consumed.
int TranslateWorksheetKeys(HWND mdiClient, MSG* message);
// One turn of the program's message loop: help, worksheet keys, MDI keys and the frame's
// accelerators take the message first, then the active worksheet's dialog keys; whatever
// is left is translated and dispatched.
void DispatchProgramMessage(MSG* message);
// Starts a new copy with the same command line when the restart flag is set.
void RestartProgram();

// The frame and worksheet window procedures and the reopen of autosaved worksheets
// (the common-controls version query and the restart's process start are in
// app/SystemActions.h).
LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK WorksheetWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ReopenAutosavedWorksheets();
