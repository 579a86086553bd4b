// The mouse and keyboard hooks that keep a template dialog's focused control in view. GUI thread.
#include <windows.h>

#include <algorithm>
#include <new>
#include <vector>

#include "toolkit/XmlDialogState.h"

namespace {

// One mouse and one keyboard hook per thread serve every watching dialog of the thread;
// each dialog keeps its own last window and focus, so it behaves as if it had its own pair.
struct ThreadWatch {
  HHOOK mouse = nullptr;
  HHOOK keyboard = nullptr;
  std::vector<HWND> dialogs;
};

thread_local ThreadWatch* tWatch = nullptr;

bool IsXmlDialogWindow(HWND window) {
  char16_t name[32] = {};
  GetClassNameW(window, name, 32);
  return std::char_traits<char16_t>::compare(name, kXmlDialogClass, 17) == 0;
}

// The dialog a window belongs to: the first popup or control parent on the way up that is
// one of ours.
HWND OwningDialog(HWND window) {
  while (window) {
    LONG style = GetWindowLongW(window, GWL_STYLE);
    LONG exstyle = GetWindowLongW(window, GWL_EXSTYLE);
    if (((style & WS_POPUP) || (exstyle & WS_EX_CONTROLPARENT)) && IsXmlDialogWindow(window))
      return window;
    window = GetParent(window);
  }
  return nullptr;
}

void ScrollIntoView(HWND dialog, XmlDialogState* state, HWND control) {
  RECT r, client;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  GetClientRect(dialog, &client);
  LONG style = GetWindowLongW(dialog, GWL_STYLE);
  if (style & WS_HSCROLL) {
    int delta = r.right > client.right ? r.right - client.right : (r.left < 0 ? r.left : 0);
    if (delta) SetXmlDialogScroll(dialog, state, SB_HORZ, -(state->hscroll - delta));
  }
  if (style & WS_VSCROLL) {
    int delta = r.bottom > client.bottom ? r.bottom - client.bottom : (r.top < 0 ? r.top : 0);
    if (delta) SetXmlDialogScroll(dialog, state, SB_VERT, -(state->vscroll - delta));
  }
}

LRESULT CALLBACK MouseWatch(int code, WPARAM wParam, LPARAM lParam) {
  ThreadWatch* watch = tWatch;
  HHOOK hook = watch ? watch->mouse : nullptr;
  if (watch && code == HC_ACTION && wParam == WM_MOUSEMOVE) {
    HWND under = WindowFromPoint(reinterpret_cast<MOUSEHOOKSTRUCT*>(lParam)->pt);
    HWND owner = OwningDialog(under);
    for (size_t i = 0; i < watch->dialogs.size(); ++i) {
      HWND dialog = watch->dialogs[i];
      XmlDialogState* state = GetXmlDialogState(dialog);
      if (!state) continue;
      if (under != state->lastMouse && owner == dialog)
        PostMessageW(dialog, WM_XMLDIALOG_INPUT, reinterpret_cast<WPARAM>(under), 1);
      state->lastMouse = under;
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

LRESULT CALLBACK KeyboardWatch(int code, WPARAM wParam, LPARAM lParam) {
  ThreadWatch* watch = tWatch;
  HHOOK hook = watch ? watch->keyboard : nullptr;
  if (watch && code == HC_ACTION) {
    HWND focus = GetFocus();
    HWND owner = focus && IsWindowVisible(focus) ? OwningDialog(focus) : nullptr;
    for (size_t i = 0; tWatch == watch && i < watch->dialogs.size(); ++i) {
      HWND dialog = watch->dialogs[i];
      XmlDialogState* state = GetXmlDialogState(dialog);
      if (!state) continue;
      if (focus != state->lastFocus && owner == dialog) {
        ScrollIntoView(dialog, state, focus);
        PostMessageW(dialog, WM_XMLDIALOG_INPUT, reinterpret_cast<WPARAM>(focus), 0);
      }
      state->lastFocus = focus;
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

void EndThreadWatch() {
  if (tWatch->mouse) UnhookWindowsHookEx(tWatch->mouse);
  if (tWatch->keyboard) UnhookWindowsHookEx(tWatch->keyboard);
  delete tWatch;
  tWatch = nullptr;
}

}  // namespace

bool StartWatchingInput(HWND dialog) {
  if (!tWatch) tWatch = new (std::nothrow) ThreadWatch;
  if (!tWatch) return false;
  DWORD thread = GetCurrentThreadId();
  if (!tWatch->mouse) tWatch->mouse = SetWindowsHookExW(WH_MOUSE, MouseWatch, nullptr, thread);
  if (!tWatch->keyboard)
    tWatch->keyboard = SetWindowsHookExW(WH_KEYBOARD, KeyboardWatch, nullptr, thread);
  try {
    if (tWatch->mouse || tWatch->keyboard) {
      tWatch->dialogs.push_back(dialog);
      return true;
    }
  } catch (const std::bad_alloc&) {
  }
  if (tWatch->dialogs.empty()) EndThreadWatch();
  return false;
}

void StopWatchingInput(HWND dialog) {
  if (!tWatch) return;
  auto& dialogs = tWatch->dialogs;
  dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
  if (dialogs.empty()) EndThreadWatch();
}
