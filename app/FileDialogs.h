// The program's open and save dialogs with their file types. Windows-side header; GUI
// thread. Paths hold up to FILE_DIALOG_PATH_SIZE - 1 characters.
#pragma once

#include <windows.h>

constexpr int FILE_DIALOG_PATH_SIZE = 1024;

// Open modes: 0 worksheets ("*.tsn"), 1 settings files ("*.ini"). The dialog starts in
// the folder of startPath (one without a drive letter taken below the documents folder),
// or in the documents folder. Writes the chosen path into path (size units); empty after
// a cancel. Returns 1 when a path was chosen.
int ShowOpenDialog(HWND owner, const char16_t* startPath, int mode, char16_t* path, int size);
// Save modes: 0 all files, 1 worksheet, 2 HTML, 3 CSV, 4 text, 5 batch, 6 HTML report.
// Starts in the documents folder; otherwise like ShowOpenDialog.
int ShowSaveDialog(HWND owner, char16_t* path, int size, int mode);
