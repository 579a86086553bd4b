// Helpers of the Winelib window tests: message pumping, real input through SendInput, a
// one-shot action inside a modal loop and a window capture to PNG. Windows-side; call on
// the thread that owns the windows.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches the thread's messages for ms milliseconds.
void PumpFor(DWORD ms);

// Dispatches messages until done() holds or ms milliseconds pass; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD ms);

// Brings the window to the foreground, so that SendInput reaches it.
void BringToFront(HWND window);

// A key pressed and released, and the mouse moved to a point of the screen.
void SendKey(WORD virtualKey);
void SendMouseMove(POINT screen);

// Runs action once, after ms milliseconds, from a timer of the thread: inside whatever
// message loop (a modal dialog's) runs then.
void RunFromTimer(UINT ms, std::function<void()> action);

// Writes what the window shows, its frame included, to a PNG file.
bool CaptureWindow(HWND window, const char16_t* path);
