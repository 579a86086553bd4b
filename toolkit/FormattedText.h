// "SIMPLE_TEXT_FMT_CONTROL_CLASS": the window text shown as formatted, word-wrapped and
// justified text with backslash mark-up, pictures from the parent and up to 10 links that
// the mouse or the keyboard activates. Windows-side header; the control lives on the GUI
// thread that created it.
#pragma once

#include <windows.h>

#define FORMATTED_TEXT_CLASS u"SIMPLE_TEXT_FMT_CONTROL_CLASS"

// Style bit: plain text, no mark-up; lines may also break after '\' and '/'.
constexpr DWORD FTS_PLAIN = 0x0001;

// wParam: a width in pixels; answers the height of the text laid out for it, margins
// included. Nothing is drawn.
constexpr UINT FTM_MEASURE = WM_USER + 1102;
constexpr UINT FTM_SETMARGIN = WM_USER + 1103;      // wParam: pixels; answers it
constexpr UINT FTM_SETCURSOR = WM_USER + 1104;      // wParam: HCURSOR, now the control's
constexpr UINT FTM_SETLINKCURSOR = WM_USER + 1105;  // wParam: HCURSOR, now the control's
constexpr UINT FTM_GETVERSION = WM_USER + 1106;     // answers 0x00010002

// WM_NOTIFY codes besides NM_CLICK and NM_RCLICK.
constexpr int FTN_PICTURE = -100;
constexpr int FTN_LINK = -101;
constexpr int FTN_KEYDOWN = -104;

// The parent fills in `bitmap` (or leaves it null); the control deletes it after use.
struct tagFTPICTURE {
  NMHDR hdr;
  int number;
  HBITMAP bitmap;
  DWORD rop;
  int align;  // 0 top, 1 centre, 2 bottom of the line
};

// The parent may destroy the control, or change its text, while handling this.
struct tagFTLINK {
  NMHDR hdr;
  int value;
  int keyboard;  // 1 by the Return key, 0 by the mouse
};

struct tagFTKEY {
  NMHDR hdr;
  WPARAM key;
  LPARAM data;
};

// Registers the class once (global, no instance); answers its atom.
ATOM RegisterFormattedTextClass();
