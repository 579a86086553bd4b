// Control and INI calls that carry text, for every Windows platform: on NT each passes the
// UTF-16 text to the W form; elsewhere it converts to the ANSI code page, uses the A form
// and converts results back. Text returned into a caller's buffer is always terminated
// within its size. Windows-side header; any thread may call them (the control's owner
// thread handles the message, as with SendMessageW).
#pragma once

#include <windows.h>

#include <commctrl.h>

extern "C" {

// 1 on a Windows NT platform. Asked once per process.
int WINAPI IsWindowsNT();

int WINAPI ListView_InsertItemU(HWND list, LVITEMW* item);
int WINAPI ListView_SetItemTextU(HWND list, int item, int subitem, WCHAR* text);
int WINAPI ListView_GetItemTextU(HWND list, int item, int subitem, WCHAR* buffer, int size);
HTREEITEM WINAPI TreeView_InsertItemU(HWND tree, TVINSERTSTRUCTW* insert);
LRESULT WINAPI TreeView_SetItemU(HWND tree, TVITEMW* item);
int WINAPI TreeView_GetItemU(HWND tree, TVITEMW* item);
int WINAPI ToolTip_AddTool(HWND tooltip, TOOLINFOW* tool);
int WINAPI ListBox_AddStringU(HWND dialog, int id, WCHAR* text);
int WINAPI ComboBox_AddStringU(HWND dialog, int id, WCHAR* text);
int WINAPI ComboBox_InsertStringU(HWND dialog, int id, int index, WCHAR* text);
int WINAPI ComboBox_FindStringU(HWND dialog, int id, int start, WCHAR* text);
int WINAPI ComboBox_SelectStringU(HWND dialog, int id, int start, WCHAR* text);
UINT WINAPI ComboBox_GetLBTextU(HWND dialog, int id, int index, WCHAR* buffer, int size);
UINT WINAPI GetDlgItemTextU(HWND dialog, int id, WCHAR* buffer, int size);
BOOL WINAPI SetDlgItemTextU(HWND dialog, int id, WCHAR* text);
BOOL WINAPI SetWindowTextU(HWND window, WCHAR* text);
DWORD WINAPI GetPrivateProfileStringU(const WCHAR* section, const WCHAR* key,
                                      const WCHAR* defaultText, WCHAR* buffer, DWORD size,
                                      const WCHAR* file);
BOOL WINAPI WritePrivateProfileStringU(const WCHAR* section, const WCHAR* key, const WCHAR* value,
                                       const WCHAR* file);
}

// Tests only: forces the non-NT path (1) or returns to the platform's answer (0).
void ForceAnsiControlsForTest(int force);
