// The check for a newer version of the program: a thread asks the update server and
// either shows the new-version window (on that thread) or a message box on the frame.
// Windows-side header.
#pragma once

#include <windows.h>

#include <cstdint>

// Where the check goes and what it says of this computer. Tests replace these before any
// check runs, so nothing is looked up and nothing leaves the machine; read by the threads.
struct tagUPDATESERVER {
  const char* Host;
  int32_t Port;
  const char* Identity;  // the request's u= text; null: host name and address
};
extern tagUPDATESERVER g_updateServer;

// Starts CheckForUpdateThread and returns at once. GUI thread.
void StartCheckForUpdate();
// The whole check; ends after its message box or its window. Any thread.
DWORD WINAPI CheckForUpdateThread(void* unused);
// Creates the new-version window on the calling thread and runs its loop until it closes.
void ShowUpdateDialog(const char16_t* version);
