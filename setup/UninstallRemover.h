// Removes an older installation listed in its setup's uninstall log: ends the programs and
// services that run its executables, checks that everything can go, then deletes files,
// shortcuts, registry keys and values and folders. Only lines in scope are touched (see
// LogRules.h). ANSI texts; the installer's custom-action thread.
#pragma once

#include <windows.h>

extern "C" {
// view: 0 the default registry view, 1 the 32-bit, 2 the 64-bit one. 5 when the checks
// refused the removal, else 0 (also when the log cannot be read).
int WINAPI RemovePreviousInstallation(const char* logPath, int view);
}

// Set only by the tests' twin: the file check's open for writing fails with this error.
extern DWORD g_forcedOpenError;
