// Adding a column to a report-view list. Windows-side header; the list's thread.
#pragma once

#include <windows.h>

// Inserts the column at position 0: a list's columns go in last to first.
void InsertListColumn(HWND list, int width, const char16_t* text);
