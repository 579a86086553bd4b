// A worksheet's result lists: their subclass with the tooltip window of each list, the
// tooltips of the visible cells, and the drawer of marked broken-links entries. The row
// heights, the row painter and the broken list's column width are the worksheet's handlers
// in Worksheet.h. Windows-side header; GUI thread only.
#pragma once

#include <windows.h>

// Private messages of a subclassed result list.
constexpr UINT WM_LIST_TIPCOLUMNS = 6025;  // columns with tooltips: 15 links, 1 broken, else 0
constexpr UINT WM_LIST_CREATETIPS = 6026;  // creates the list's tooltip window once; returns it
constexpr UINT WM_LIST_GETTIPS = 6027;     // the tooltip window, or null

// Installs ListViewSubclassProc on a list; the list frees what it holds when destroyed,
// its tooltip window included.
bool SubclassResultList(HWND list);
LRESULT CALLBACK ListViewSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR state);

// Replaces the list's tools by one per visible cell (links list) or row (broken list),
// when the worksheet shows and tooltips are switched on. Besides the calls of the worksheet
// and the frame, the list calls it after scrolling and, once a batch of rows has been drawn
// with the mouse over the list or the mouse comes onto it, for that batch.
void RefreshListTooltips(HWND list);
// The same at once when the mouse is over the list; otherwise when it comes onto the list
// or the list paints with the mouse over it. A page of new tools costs the window thread
// about a tenth of a second.
void RefreshListTooltipsWhenSeen(HWND list);

// Draws a marked text at x, y (transparently, in the DC's font) and reports its widest line
// and total height; length -1 for the whole text. selectedFocused picks the highlight colours.
void DrawMarkedText(HDC dc, int x, int y, const WCHAR* text, int length, int selectedFocused,
                    int* width, int* height);
