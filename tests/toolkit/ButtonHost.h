// A visible top-level window holding push buttons; it records the WM_COMMAND
// notifications they send.
#pragma once

#include <windows.h>

#include <vector>

struct ButtonNote {
  int id;
  int code;
  HWND from;
};

class ButtonHost {
 public:
  ButtonHost();
  ~ButtonHost();
  ButtonHost(const ButtonHost&) = delete;
  ButtonHost& operator=(const ButtonHost&) = delete;

  HWND Add(const char16_t* caption, DWORD style, int id, int x = 20, int y = 20, int width = 100,
           int height = 30);
  int Count(int code) const;

  HWND window = nullptr;
  std::vector<ButtonNote> notes;
  // The button that sends BN_CLICKED is destroyed inside the notification.
  bool destroyOnClick = false;
  // When set, WM_CTLCOLORBTN answers `brush`, null included.
  bool answerBrush = false;
  HBRUSH brush = nullptr;
};
