// Straight calls into a list view's own procedure.
#include "engine/ListViewCall.h"

LRESULT ListViewCall(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (GetWindowThreadProcessId(list, nullptr) != GetCurrentThreadId()) {
    return SendMessageW(list, message, wParam, lParam);
  }
  const auto own = reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC));
  return CallWindowProcW(own, list, message, wParam, lParam);
}
