// Opening a web address without blocking the GUI, with the clipboard as the fallback, and
// the clipboard copy it uses. Windows-side header.
#pragma once

#include <windows.h>

// Starts a thread that opens address with the shell's "open" verb and showCmd; when that
// fails, or the address is not an http:, https: or ftp: address, the address goes to the
// clipboard and a message box on owner explains it, with prefix and address as the
// message's arguments. Copies both texts; returns at once. GUI thread.
void StartOpenLink(HWND owner, const char16_t* address, int showCmd, const char16_t* prefix);
// Puts text on the clipboard as CF_UNICODETEXT; the clipboard is opened for owner. Any
// thread.
void CopyTextToClipboard(HWND owner, const char16_t* text);
