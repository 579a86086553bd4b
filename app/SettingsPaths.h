// The settings folder's sources, for start-up and its tests. Neutral header; GUI thread.
#pragma once

// SHGetSpecialFolderPathW bound at run time from Shell32.dll; 0 when it is missing.
// owner is an HWND.
int GetSpecialFolderPath(void* owner, char16_t* path, int folder, int create);

// The settings folder before expansion: the registry value "SettingsDir", the shell
// folders (local, roaming, common application data), else the Windows directory, each
// with "\Tessaline Lite" appended.
void ResolveSettingsFolder(char16_t* folder);
