// The program's global settings (`tagSETTINGS`), kept in settings.ini in the per-user
// settings folder, and the paths derived from that folder. Neutral header.
#pragma once

#include "app/SettingsRecord.h"

// Start-up, GUI thread, in this order: resolve the settings folder and its paths; the
// documents folder; then LoadSettings (after the toolkit table and the language
// availability bits are set). Both loaders return 1.
void InitSettingsPaths();
void InitDocumentsFolder();
int LoadSettings();
// Writes every stored field to settings.ini, creating its folder; returns 1, or 0 when the
// folder could not be made or a value could not be written (GetLastError tells why).
int SaveSettings();

// Makes sure a folder exists, creating each missing level; with pathIsFile the last
// part of the path (a file name) is dropped first. Nonzero when the folder exists at the
// end. Leaves the process's current directory alone. Any thread.
int CreateFolderPath(const char16_t* path, int pathIsFile);

// The user-agent builder that LoadSettings puts into the block.
char* GetUserAgent(char* buffer, int size);
// Writes the default operating-system text ("Windows XP" ...) into out (256 units) and
// returns out; out stays empty when the system version cannot be read.
char16_t* BuildDefaultAgentOS(char16_t* out);
