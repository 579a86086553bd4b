// The installer's custom actions and their helpers. Each action takes the installer
// session and returns 0 (success) or 1603 (fatal error); the installer's action thread.
#pragma once

#include <windows.h>

#include <msi.h>

extern "C" {
// Removes an installation made by the old setup program, named by CustomActionData.
UINT WINAPI CheckForSetup(MSIHANDLE session);
// Sets LAUNCHAPPNOTEVEVATED to "1" when the installed program can start unelevated.
UINT WINAPI CheckForStart(MSIHANDLE session);
// Starts the installed program without the installer's elevation.
UINT WINAPI StartNotElevated(MSIHANDLE session);
// The path an uninstaller command line names (the last quoted text, or the shortest
// trailing piece naming an existing file) into path[size]; empty when none or too long.
void WINAPI FindExistingPathInCommandLine(const char* commandLine, char* path, int size);
}
