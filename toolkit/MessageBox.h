// The toolkit's message box and control set-up, reached through `finderstruct`.
// Windows-side header. InitCustomControls runs once on the GUI thread at start-up; a box
// may be shown on any thread that pumps messages (it runs its own loop there).
#pragma once

#include <windows.h>

// Keeps the host's module and resource names for the message box (class icon, the strip
// of button icons, the RCDATA animations for MB_ICONHAND, MB_ICONQUESTION and every other
// icon type; the names must stay valid) and registers the toolkit's text and button
// classes; answers the last registration's atom (0 on failure).
int InitCustomControls(HINSTANCE module, const char16_t* iconName, const char16_t* bitmapName,
                       int handAnimation, int questionAnimation, int otherAnimation);

// Shows `format` formatted with the arguments (FormatStringW) in a modal box with the
// buttons (flags & MB_TYPEMASK), picture and sound (flags & MB_ICONMASK) and first focus
// (MB_DEFBUTTON2, MB_DEFBUTTON3) of `flags`; a null caption is shown empty. The format is
// program text: a path, address, server or error text goes in as a %s argument, never as
// the format. The owner's top-level window is disabled while the box is up. Answers the
// chosen button's identifier (Escape and Alt+F4 choose as MessageBoxW does), or 0 when
// the box could not be made. A quit message that arrives while the box is up ends it as
// Escape would and stays queued for the caller's own loop.
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
