// What the shell asks of the system that a test must not let happen for real (open a web
// address, start a process, show a modal common dialog, hang up, power off) or must be
// able to choose (the common-controls version, the display's colour depth): one table of
// replaceable pointers, the system's own functions by default. Windows-side header; GUI
// thread.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <ras.h>
#include <raserror.h>

#include <cstdint>

// rasapi32's connection enumerator and hang-up, bound by name at run time.
struct tagRASCALLS {
  HMODULE Module;
  DWORD(WINAPI* EnumConnections)(LPRASCONNA connections, LPDWORD bytes, LPDWORD count);
  DWORD(WINAPI* HangUp)(HRASCONN connection);
};

struct tagSYSTEMACTIONS {
  HINSTANCE(WINAPI* ShellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
  BOOL(WINAPI* CreateProcess)
  (LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCWSTR,
   LPSTARTUPINFOW, LPPROCESS_INFORMATION);
  BOOL(WINAPI* GetOpenFileName)(OPENFILENAMEW*);
  BOOL(WINAPI* GetSaveFileName)(OPENFILENAMEW*);
  // The common controls' version, major << 16 | minor.
  uint32_t (*ComCtlVersion)();
  // (planes x bits per pixel) squared of the window's display: below 256 means 8 bits or
  // fewer per pixel.
  int (*ColourDepth)(HWND window);
  // ExitWindowsEx.
  BOOL(WINAPI* ShutDown)(UINT flags, DWORD reason);
  // Loads rasapi32 and binds both calls: false, holding nothing, when either is missing.
  // FreeRas releases what a successful LoadRas holds.
  bool (*LoadRas)(tagRASCALLS* calls);
  void (*FreeRas)(tagRASCALLS* calls);
};

extern tagSYSTEMACTIONS g_systemActions;

uint32_t GetComCtlVersion();
int MeasureColourDepth(HWND window);
bool LoadRasLibrary(tagRASCALLS* calls);
void FreeRasLibrary(tagRASCALLS* calls);
