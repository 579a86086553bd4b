// Starts a program without the installer's elevation, through the desktop shell: the
// request goes into a named shared block and a hook running in the shell starts it.
// UTF-16 texts are Windows wide strings. One launch at a time per desktop.
#pragma once

#include <windows.h>

#include "setup/Records.h"

extern "C" {
// With launch 0: 1 when a start is possible. With launch 1: non-zero when the file was
// started. *process (when given) receives the started process's handle, owned by the caller.
int WINAPI LaunchThroughShell(HWND window, const WCHAR* file, const WCHAR* parameters,
                              const WCHAR* folder, HANDLE* process, int launch, HMODULE module);
// The same with texts in the ANSI code page; 0 when a text does not convert.
int WINAPI LaunchThroughShellAnsi(HWND window, const char* file, const char* parameters,
                                  const char* folder, HANDLE* process, int launch, HMODULE module);
// ShellExecuteExW bound at run time; 0 when shell32 or the function is missing.
int WINAPI ShellExecuteWide(HWND window, const WCHAR* verb, const WCHAR* file,
                            const WCHAR* parameters, const WCHAR* folder, HANDLE* process);
// The window-procedure-return hook; runs in every hooked process.
LRESULT CALLBACK ShellHookProc(int code, WPARAM wParam, LPARAM lParam);
int WINAPI IsVistaOrLater();
// S_OK with the process token's elevation type, E_FAIL before Vista or when unreadable.
HRESULT WINAPI GetTokenElevationType(int* elevationType);
// The route a launch takes: elevationType 0 when unknown.
int WINAPI ChooseLaunchRoute(int vistaOrLater, int elevationType, int shellWindowPresent);
}
