// The after-scan actions: close, hang-up and power-off, once the last running scan ended.
#include "app/AfterScan.h"

#include <cstdlib>

#include "app/Frame.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/SystemActions.h"
#include "app/Worksheet.h"
#include "toolkit/Win32Holders.h"

namespace {

constexpr UINT kRetryMs = 500;
// A connection list the enumerator keeps asking to grow past this is not believed.
constexpr DWORD kMaxRasBytes = 1024 * sizeof(RASCONNA);

void CALLBACK RetryAfterScan(HWND worksheet, UINT, UINT_PTR timer, DWORD) {
  KillTimer(worksheet, timer);
  RunAfterScanActions(worksheet);
}

DWORD EntriesFor(DWORD bytes) {
  const DWORD count = (bytes + sizeof(RASCONNA) - 1) / sizeof(RASCONNA);
  return count ? count : 1;
}

// Every entry carries the caller's structure size: the enumerator reads it to tell the
// layout it is asked for, and on x64 entries of another size misplace every handle after
// the first.
RASCONNA* NewRasEntries(DWORD count) {
  auto* entries = static_cast<RASCONNA*>(calloc(count, sizeof(RASCONNA)));
  if (!entries) return nullptr;
  for (DWORD i = 0; i < count; ++i) entries[i].dwSize = sizeof(RASCONNA);
  return entries;
}

// Without the privilege ExitWindowsEx refuses to power off.
void EnableShutdownPrivilege() {
  HandleHolder token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
    return;
  }
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(nullptr, u"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  }
}

}  // namespace

void HangUpDialUpConnections() {
  tagRASCALLS ras = {};
  if (!g_systemActions.LoadRas(&ras)) return;
  DWORD room = 1;
  RASCONNA* entries = NewRasEntries(room);
  DWORD bytes = sizeof(RASCONNA);
  DWORD count = 0;
  DWORD result = entries ? ras.EnumConnections(entries, &bytes, &count) : ERROR_NOT_ENOUGH_MEMORY;
  // Connections made between two calls ask for more room again; an answer that asks for
  // none, or for an absurd amount, ends the loop.
  while (result == ERROR_BUFFER_TOO_SMALL && EntriesFor(bytes) > room && bytes <= kMaxRasBytes) {
    free(entries);
    room = EntriesFor(bytes);
    entries = NewRasEntries(room);
    if (!entries) break;
    bytes = room * sizeof(RASCONNA);
    count = 0;
    result = ras.EnumConnections(entries, &bytes, &count);
  }
  if (entries && result == ERROR_SUCCESS) {
    for (DWORD i = 0; i < count && i < room; ++i) ras.HangUp(entries[i].hRasConn);
  }
  free(entries);
  g_systemActions.FreeRas(&ras);
}

void RunAfterScanActions(HWND worksheet) {
  // Read before the close: it destroys worksheet and, with the frame, saves the settings.
  const int close = g_settings.CloseWhenDone;
  const int disconnect = g_settings.DisconnWhenDone;
  const int powerOff = g_settings.ShutdownWhenDone;
  if (!close && !disconnect && !powerOff) return;
  if (AnyWorksheetBlocksClosing()) return;
  // A disabled frame sits under a nested loop (a box, a dialog, the progress window) whose
  // caller may be using an engine the close would delete.
  if (IsWindow(g_frame) && !IsWindowEnabled(g_frame)) {
    SetTimer(worksheet, WORKSHEET_AFTER_SCAN_TIMER, kRetryMs, RetryAfterScan);
    return;
  }
  if (close) SendMessageW(g_frame, WM_CLOSE, 0, 0);
  if (disconnect) HangUpDialUpConnections();
  if (powerOff) {
    EnableShutdownPrivilege();
    g_systemActions.ShutDown(EWX_POWEROFF, 0);
  }
}
