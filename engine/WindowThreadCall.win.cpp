// Runs work on the thread that owns a set of windows through one hidden window's sent message.
#include "engine/WindowThreadCall.h"

namespace {

constexpr UINT WM_RUN_WORK = WM_APP + 1;
const WCHAR kClassName[] = u"TlWindowThreadCaller";

LRESULT CALLBACK CallerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_RUN_WORK) return DefWindowProcW(window, message, wParam, lParam);
  reinterpret_cast<void (*)(void*)>(wParam)(reinterpret_cast<void*>(lParam));
  return 1;
}

BOOL CALLBACK RegisterCallerClass(INIT_ONCE*, void*, void**) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = CallerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  return RegisterClassW(&wc) != 0;
}

}  // namespace

HWND CreateWindowThreadCaller() {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  if (!InitOnceExecuteOnce(&once, RegisterCallerClass, nullptr, nullptr)) return nullptr;
  return CreateWindowExW(0, kClassName, u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

void DestroyWindowThreadCaller(HWND caller) {
  if (!caller) return;
  if (GetWindowThreadProcessId(caller, nullptr) == GetCurrentThreadId()) {
    DestroyWindow(caller);
  } else {
    PostMessageW(caller, WM_CLOSE, 0, 0);
  }
}

void RunOnWindowThread(HWND caller, void (*work)(void*), void* arg) {
  if (!caller || GetWindowThreadProcessId(caller, nullptr) == GetCurrentThreadId()) {
    work(arg);
    return;
  }
  // Unanswered (the window or its thread is gone), the work falls to this thread, whose
  // control messages then fail as they would have anyway.
  if (!SendMessageW(caller, WM_RUN_WORK, reinterpret_cast<WPARAM>(work),
                    reinterpret_cast<LPARAM>(arg))) {
    work(arg);
  }
}
