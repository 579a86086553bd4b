// Sizing of a combo box's drop-down list. Windows-side header; the combo's thread.
#pragma once

#include <windows.h>

// Makes the drop-down list as wide as the widest entry in the combo's font, with room for
// the frame and a scroll bar; never narrower than it is.
void WidenComboList(HWND combo);
