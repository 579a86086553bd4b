// Adding and counting the columns of a report-view list. Windows-side header; the list's
// thread.
#pragma once

#include <windows.h>

// Inserts a left-aligned column at index, width pixels wide; a null text is empty.
void InsertListColumn(HWND list, int index, int width, const char16_t* text);
// The list's columns, as its header counts them; 0 without a header.
int ListColumnCount(HWND list);
