// Windows-side helpers for tests of windows under Wine's null driver: pumping messages,
// real input through SendInput, pixel reads and window captures. GUI thread only.
#pragma once

#include <windows.h>

#include <string>

// Dispatches this thread's messages for `ms` milliseconds.
void PumpMessages(DWORD ms);
// Pumps until `done()` holds or `ms` pass; answers done().
template <typename Done>
bool PumpUntil(Done done, DWORD ms) {
  DWORD start = GetTickCount();
  while (!done() && GetTickCount() - start < ms) PumpMessages(10);
  return done();
}

// Makes `window` the foreground window and gives `focus` (or the window) the keyboard.
void BringToFront(HWND window, HWND focus = nullptr);

// Real input: seen by GetAsyncKeyState and hooks, delivered to the focus or the window
// under the cursor. Each call pumps until the input has been delivered.
void KeyDown(WORD vk);
void KeyUp(WORD vk);
void MouseMoveTo(HWND window, int x, int y);  // client coordinates of `window`
void MouseButton(bool down);

// The colour on screen at a client point of `window`.
COLORREF PixelAt(HWND window, int x, int y);

// Writes what `window` shows (frame included) to a PNG file; false on failure.
bool CaptureWindowPng(HWND window, const std::string& unixPath);
