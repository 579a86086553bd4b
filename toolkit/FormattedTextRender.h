// Inside the formatted-text control: its state and the painting and measuring of its
// text. Windows-side; GUI thread only.
#pragma once

#include <windows.h>

constexpr int kMaxLinks = 10;

struct FormattedLink {
  HRGN region = nullptr;
  int value = 0;
};

struct FormattedTextState {
  HWND window = nullptr;
  FormattedLink links[kMaxLinks];
  int linkCount = 0;
  int focusedLink = -1;
  int margin = 0;
  HCURSOR normalCursor = nullptr;
  HCURSOR linkCursor = nullptr;
  HBITMAP checker = nullptr;
  HBRUSH checkerBrush = nullptr;
  HBITMAP cache = nullptr;
  SIZE cacheSize = {};
  bool tabStop = false;
  LRESULT dialogCode = DLGC_STATIC;
};

// Draws the text into a new cache bitmap of the client size and rebuilds the link table.
void RenderFormattedText(FormattedTextState* s);
// The height of the text laid out for `width` pixels, margins included.
int MeasureFormattedText(FormattedTextState* s, int width);
// Deletes the link regions.
void ClearFormattedLinks(FormattedTextState* s);
