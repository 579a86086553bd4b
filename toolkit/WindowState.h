// The state a window keeps in one pointer-sized slot (an offset of its extra bytes,
// GWLP_USERDATA or DWLP_USER): stored when the window is made, read by its handlers, cleared
// before it is freed. Windows-side header; the window's thread.
#pragma once

#include <windows.h>

// Stores the pointer in the slot; false when the window refused it.
template <typename Pointer>
bool SetWindowState(HWND window, int slot, Pointer state) {
  SetLastError(0);
  return SetWindowLongPtrW(window, slot, reinterpret_cast<LONG_PTR>(state)) || !GetLastError();
}

// What the slot holds; null before it is stored and after it is cleared.
template <typename Pointer>
Pointer WindowState(HWND window, int slot) {
  return reinterpret_cast<Pointer>(GetWindowLongPtrW(window, slot));
}

// Messages that come after this find no state: the caller frees what the slot held.
inline void ClearWindowState(HWND window, int slot) { SetWindowLongPtrW(window, slot, 0); }
