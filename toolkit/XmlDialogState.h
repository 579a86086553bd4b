// Private to the XML dialog files: the state block of one dialog window and what its
// files share. Windows-side; the dialog's thread only.
#pragma once

#include <windows.h>

#include <vector>

#include "toolkit/XmlDialog.h"

extern const char16_t kXmlDialogClass[];

// One cell of the laid-out tree, with the origin of its table (pixels at scale 1, scroll
// offsets not included) and the window made for it (a control or a group box), if any.
struct XmlPlacement {
  tagXMLNODE* node;
  int32_t originX;
  int32_t originY;
  HWND window;
};

struct XmlDialogState {
  LPARAM userData = 0;
  bool* attached = nullptr;        // set when the window takes the state over
  tagXMLDIALOG* dialog = nullptr;  // owned
  XMLMEASUREPROC measure = nullptr;
  HFONT font = nullptr;  // owned
  bool laidOut = false;
  int32_t hscroll = 0;  // minus the scroll positions
  int32_t vscroll = 0;
  double xscale = 1.0;  // stretch of a scalable dialog
  double yscale = 1.0;
  std::vector<XmlPlacement> placements;  // every cell, in document order
  std::vector<tagXMLRECT> rects;         // stored rectangles
  bool inRelayout = false;
  bool watching = false;
  HWND lastMouse = nullptr;
  HWND lastFocus = nullptr;
};

XmlDialogState* GetXmlDialogState(HWND dialog);

// The rectangle a cell gives its control or group box, at scale 1 without scroll offsets.
RECT PlacementRect(const XmlDialogState& state, const XmlPlacement& placement);

// Fits a scalable dialog to its client area (stretch or scroll bars) or sizes any other one
// to its layout, moves every control to its place and recomputes the stored rectangles.
void RelayoutXmlDialog(HWND dialog, XmlDialogState* state);

// WM_HSCROLL / WM_VSCROLL of the dialog's own scroll bars.
void ScrollXmlDialog(HWND dialog, XmlDialogState* state, int bar, int code);

// Sets the scroll offset of one axis from its scroll bar position; true when it changed.
bool SetXmlDialogScroll(HWND dialog, XmlDialogState* state, int bar, int position);

// The dialog's size for its layout: the layout size plus the frame, caption and menu.
SIZE XmlDialogWindowSize(HWND dialog, const XmlDialogState& state);

// The mouse and keyboard watch of `watchinput` dialogs.
bool StartWatchingInput(HWND dialog);
void StopWatchingInput(HWND dialog);
