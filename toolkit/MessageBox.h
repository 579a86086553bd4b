// The toolkit's message box and control set-up, reached through `finderstruct`.
// Windows-side header; GUI thread.
#pragma once

#include <windows.h>

// Keeps the host's module and resource names for the toolkit's controls; returns 1.
int InitCustomControls(HINSTANCE module, const char16_t* iconName, const char16_t* bitmapName,
                       int handAnimation, int questionAnimation, int otherAnimation);

// Shows `format` formatted with the arguments (FormatStringW) in a modal box with the
// buttons and icon of `flags`; returns the identifier of the button chosen. A quit
// message that arrives while the box is up ends it as Escape would and stays queued for
// the caller's own loop.
int AnimatedMessageBox(HWND owner, const char16_t* format, const char16_t* caption, UINT flags,
                       ...);

// What InitCustomControls kept.
struct tagCUSTOMCONTROLS {
  HINSTANCE module;
  const char16_t* iconName;
  const char16_t* bitmapName;
  int handAnimation;
  int questionAnimation;
  int otherAnimation;
};
extern tagCUSTOMCONTROLS g_customControls;
