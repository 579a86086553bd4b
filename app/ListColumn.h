// Adding a column to a report-view list. Windows-side header; the list's thread.
#pragma once

#include <windows.h>

// Inserts a left-aligned column at index, width pixels wide; a null text is empty.
void InsertListColumn(HWND list, int index, int width, const char16_t* text);
