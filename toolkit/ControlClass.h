// Registration of the toolkit's own control classes. Windows-side header; GUI thread.
#pragma once

#include <windows.h>

// Registers a global class (no instance) once and answers its atom; a class already
// registered is left as it is. Each window keeps its state pointer in the pointer-sized
// extra bytes at offset 0. `background` CLR_INVALID: no background brush.
ATOM RegisterControlClass(const char16_t* name, UINT style, WNDPROC proc, HCURSOR cursor,
                          COLORREF background);
