#include "tests/toolkit/ButtonHost.h"

#include "toolkit/PushButton.h"

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* host = reinterpret_cast<ButtonHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (host && message == WM_COMMAND) {
    host->notes.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
    if (host->destroyOnClick && HIWORD(wParam) == BN_CLICKED)
      DestroyWindow(reinterpret_cast<HWND>(lParam));
    return 0;
  }
  if (host && message == WM_CTLCOLORBTN && host->answerBrush)
    return reinterpret_cast<LRESULT>(host->brush);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

ButtonHost::ButtonHost() {
  RegisterPushButtonClass();
  WNDCLASSW wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = u"ButtonHost";
  RegisterClassW(&wc);
  window = CreateWindowExW(0, u"ButtonHost", u"Buttons", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                           420, 240, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ButtonHost::~ButtonHost() { DestroyWindow(window); }

HWND ButtonHost::Add(const char16_t* caption, DWORD style, int id, int x, int y, int width,
                     int height) {
  HWND button =
      CreateWindowExW(0, VBUTTON_CLASS, caption, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                      window, reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
  UpdateWindow(button);
  return button;
}

int ButtonHost::Count(int code) const {
  int n = 0;
  for (const ButtonNote& note : notes) n += note.code == code;
  return n;
}
