// Registers the toolkit's own control classes. GUI thread.
#include "toolkit/ControlClass.h"

ATOM RegisterControlClass(const char16_t* name, UINT style, WNDPROC proc, HCURSOR cursor,
                          COLORREF background) {
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof(existing);
  if (ATOM atom = static_cast<ATOM>(GetClassInfoExW(nullptr, name, &existing))) return atom;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = style | CS_GLOBALCLASS;
  wc.lpfnWndProc = proc;
  // Pointer-sized: a state pointer does not fit a 32-bit slot on 64-bit Windows.
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = cursor;
  if (background != CLR_INVALID) wc.hbrBackground = CreateSolidBrush(background);
  wc.lpszClassName = name;
  return RegisterClassExW(&wc);
}
