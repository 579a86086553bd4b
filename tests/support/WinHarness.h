// Windows-side helpers for tests of windows under Wine's null driver: pumping messages,
// real input through SendInput, a one-shot action inside a modal loop, pixel reads and
// window captures. Call on the thread that owns the windows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Dispatches this thread's messages for `ms` milliseconds. Messages go through
// IsDialogMessage when the active window is a dialog, so Tab and Enter work as in one.
void PumpMessages(DWORD ms);
// Offers every message PumpMessages takes to `filter` first (a modeless window's own
// message filter); a true answer consumes it. An empty filter ends that.
void SetPumpFilter(std::function<bool(MSG*)> filter);
// Pumps until `done()` holds or `ms` pass; answers done().
template <typename Done>
bool PumpUntil(Done done, DWORD ms) {
  DWORD start = GetTickCount();
  while (!done() && GetTickCount() - start < ms) PumpMessages(10);
  return done();
}

// Runs `action` once, after `ms` milliseconds, from a timer of the thread: inside whatever
// message loop (a modal dialog's) runs then.
void RunFromTimer(UINT ms, std::function<void()> action);

// Answers the next common file dialog of this process from a thread of its own: waits up
// to `ms` for a visible "#32770" window, types `path` into its file name box and presses
// OK, or presses Cancel when `path` is null. Start it before the call that shows the
// dialog; wait for the returned thread and close it.
HANDLE AnswerFileDialog(const char16_t* path, DWORD ms = 20000);

// Makes `window` the foreground window and gives `focus` (or the window) the keyboard.
void BringToFront(HWND window, HWND focus = nullptr);

// Real input: seen by GetAsyncKeyState and hooks, delivered to the focus or the window
// under the cursor. Each call pumps until the input has been delivered.
void KeyDown(WORD vk);
void KeyUp(WORD vk);
void PressKey(WORD vk);  // down and up
// Each character of text as a key of its own (KEYEVENTF_UNICODE): it reaches the focus
// as WM_CHAR, whatever the keyboard layout.
void TypeText(const char16_t* text);
void MouseMoveTo(HWND window, int x, int y);  // client coordinates of `window`
void MouseButton(bool down);

// The window rectangle of `window` in the client coordinates of `parent`.
RECT WindowRectIn(HWND window, HWND parent);

// The colour on screen at a client point of `window`.
COLORREF PixelAt(HWND window, int x, int y);

// The process's live GDI objects (Wine's GetGuiResources answers 0).
int LiveGdiObjects();

// The Unix folder named by TL_CAPTURE_DIR, where tests leave captures; null when unset.
const char* CaptureFolder();
// Writes what `window` shows (frame included) to a PNG file; false on failure.
bool CaptureWindowPng(HWND window, const std::string& unixPath);
