// "VBUTTON_CLASS", the toolkit's push button: standard push-button notifications and
// messages towards its parent, double-buffered drawing with visual styles when they are
// available, fades between states and a pulsing default button. Windows-side header; the
// control lives on the GUI thread that created it.
#pragma once

#include <windows.h>

#include "toolkit/ThemeHelper.h"

#define VBUTTON_CLASS u"VBUTTON_CLASS"

// wParam non-zero repaints; lParam points to a tagVBUTTONCALLBACKS (null: no change).
// Answers 1.
constexpr UINT VBM_SETCALLBACKS = WM_USER + 1000;

// What a draw callback gets: the caption is its to draw into `dc` (the button's memory
// picture); `theme` is null when the button draws classically.
struct tagVBUTTONDRAW {
  HWND button;
  HDC dc;
  HTHEME theme;
  DWORD uiState;
  RECT client;
  RECT content;
  RECT text;
  UINT textFlags;
  BOOL enabled;
  int themeState;
};

typedef void (*VButtonDrawProc)(tagVBUTTONDRAW draw);
// keyboard is 1 for Space and Enter, 0 for the mouse.
typedef void (*VButtonPressProc)(HWND button, int keyboard);

// With a press handler set, releases send no WM_COMMAND.
struct tagVBUTTONCALLBACKS {
  VButtonDrawProc draw;
  VButtonPressProc press;
};

// Registers the class once (global, no instance); answers its atom.
ATOM RegisterPushButtonClass();

// Tests: the library buttons created afterwards take AlphaBlend from (null: "Msimg32.dll").
void SetPushButtonBlendLibrary(const char16_t* name);

// Draws a caption as the button draws its own: through the theme when `theme` is set,
// else in the button text colour, embossed when disabled. For draw callbacks; the caller
// has selected the font and background mode.
void DrawButtonText(HDC dc, HTHEME theme, int themeState, const char16_t* text, int length,
                    RECT rect, UINT flags, bool enabled);
