// The system's own functions behind the shell's replaceable actions.
#include "app/SystemActions.h"

#include <shellapi.h>

#include "toolkit/Win32Holders.h"

int MeasureColourDepth(HWND window) {
  const WindowDc dc(window);
  const int depth = GetDeviceCaps(dc.get(), PLANES) * GetDeviceCaps(dc.get(), BITSPIXEL);
  return depth * depth;
}

bool LoadRasLibrary(tagRASCALLS* calls) {
  *calls = {};
  // A system without dial-up networking has no rasapi32: no box asks for it.
  const UINT mode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryW(u"RASAPI32.DLL");
  SetErrorMode(mode);
  if (!module) return false;
  calls->EnumConnections = reinterpret_cast<decltype(calls->EnumConnections)>(
      reinterpret_cast<void*>(GetProcAddress(module, "RasEnumConnectionsA")));
  calls->HangUp = reinterpret_cast<decltype(calls->HangUp)>(
      reinterpret_cast<void*>(GetProcAddress(module, "RasHangUpA")));
  if (!calls->EnumConnections || !calls->HangUp) {
    FreeLibrary(module);
    *calls = {};
    return false;
  }
  calls->Module = module;
  return true;
}

void FreeRasLibrary(tagRASCALLS* calls) {
  if (calls->Module) FreeLibrary(calls->Module);
  *calls = {};
}

tagSYSTEMACTIONS g_systemActions = {ShellExecuteW,    CreateProcessW,   GetOpenFileNameW,
                                    GetSaveFileNameW, GetComCtlVersion, MeasureColourDepth,
                                    ExitWindowsEx,    LoadRasLibrary,   FreeRasLibrary};
