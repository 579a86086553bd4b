// The message box's state and the steps of its dialog procedure. Windows-side header,
// private to the toolkit; the box's own thread only.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "toolkit/Animation.h"

constexpr int MSGBOX_TEXT_ID = 100;
constexpr int MSGBOX_ANIMATION_ID = 101;
constexpr int MSGBOX_COPY_ID = 102;
constexpr int MSGBOX_COPY_CAPTION = 7;

// One per box, on the stack of AnimatedMessageBox; the box's window keeps a pointer to it
// in its extra bytes after the dialog manager's.
struct MessageBoxState {
  UINT flags = 0;
  const char16_t* text = nullptr;
  int result = 0;
  bool ended = false;
  HWND disabledOwner = nullptr;
  HIMAGELIST images = nullptr;
  int animationId = 0;
  POINT animationAt = {};
  int buttonWidth = 0;
  int buttonHeight = 0;
  CAnimationPicture picture;
  CAnimation animation;
};

MessageBoxState* BoxStateOf(HWND box);

// Caption `index` of the language table's message-box captions (OK, Cancel, Abort, Retry,
// Ignore, Yes, No, Copy) as shown; empty when the table holds none.
std::u16string BoxCaption(int index);

// WM_INITDIALOG: button icons, buttons, text, animation, size and place. Answers the
// button that takes the focus first (null when none could be made).
HWND LayOutMessageBox(HWND box, MessageBoxState* state);

// Decodes the box's animation and shows it at its place; nothing without one.
void ShowBoxAnimation(HWND box, MessageBoxState* state);

// Plays the sound scheme's file for the icon type, when it has one that exists.
void PlayBoxSound(UINT flags);
