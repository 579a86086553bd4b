// Runs work on the thread that owns a set of windows through one hidden window's sent message,
// and a periodic tick there.
#include "engine/WindowThreadCall.h"

#include <new>

namespace {

constexpr UINT WM_RUN_WORK = WM_APP + 1;
constexpr UINT WM_TICK_AGAIN = WM_APP + 2;
constexpr UINT_PTR kTickTimer = 1;
const WCHAR kClassName[] = u"TlWindowThreadCaller";

struct Tick {
  bool (*run)(void*);
  std::shared_ptr<void> state;
};

// A tick that asks for more runs again from a posted message: after what was posted to the
// thread meanwhile, before the thread next paints.
void RunTick(HWND window) {
  auto* tick = reinterpret_cast<Tick*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (tick && tick->run(tick->state.get())) PostMessageW(window, WM_TICK_AGAIN, 0, 0);
}

LRESULT CALLBACK CallerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_RUN_WORK:
      reinterpret_cast<void (*)(void*)>(wParam)(reinterpret_cast<void*>(lParam));
      return 1;
    case WM_TICK_AGAIN:
      RunTick(window);
      return 0;
    case WM_TIMER:
      if (wParam == kTickTimer) {
        RunTick(window);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      delete reinterpret_cast<Tick*>(SetWindowLongPtrW(window, GWLP_USERDATA, 0));
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

BOOL CALLBACK RegisterCallerClass(INIT_ONCE*, void*, void**) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = CallerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  return RegisterClassW(&wc) != 0;
}

}  // namespace

HWND CreateWindowThreadCaller(bool (*tick)(void*), std::shared_ptr<void> state, UINT intervalMs) {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  if (!InitOnceExecuteOnce(&once, RegisterCallerClass, nullptr, nullptr)) return nullptr;
  HWND caller = CreateWindowExW(0, kClassName, u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!caller || !tick) return caller;
  auto* held = new (std::nothrow) Tick{tick, std::move(state)};
  if (!held || !SetTimer(caller, kTickTimer, intervalMs, nullptr)) {
    delete held;
    DestroyWindow(caller);
    return nullptr;
  }
  SetWindowLongPtrW(caller, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(held));
  return caller;
}

void DestroyWindowThreadCaller(HWND caller) {
  if (!caller) return;
  if (OnWindowThread(caller)) {
    DestroyWindow(caller);
  } else {
    PostMessageW(caller, WM_CLOSE, 0, 0);
  }
}

bool OnWindowThread(HWND caller) {
  return !caller || GetWindowThreadProcessId(caller, nullptr) == GetCurrentThreadId();
}

void RunOnWindowThread(HWND caller, void (*work)(void*), void* arg) {
  if (OnWindowThread(caller)) {
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
