// The MDI frame window: its client area, closing and the settings it keeps.
#include <windows.h>

#include "app/Settings.h"
#include "app/Startup.h"

namespace {

constexpr int kMdiClientId = 1;
constexpr UINT kFirstWorksheetId = 104;
constexpr int kFileExit = 1105;

void CreateMdiClient(HWND frame) {
  CLIENTCREATESTRUCT client = {};
  client.hWindowMenu = g_frameWindowMenu;
  client.idFirstChild = kFirstWorksheetId;
  g_mdiClient =
      CreateWindowExW(0, u"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                      frame, reinterpret_cast<HMENU>(INT_PTR{kMdiClientId}), g_instance, &client);
}

void StoreFramePlacement(HWND frame) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(frame, &placement)) return;
  const RECT& normal = placement.rcNormalPosition;
  g_settings.MainWndX = normal.left;
  g_settings.MainWndY = normal.top;
  g_settings.MainWndCX = normal.right - normal.left;
  g_settings.MainWndCY = normal.bottom - normal.top;
  g_settings.MainWndMaximized = placement.showCmd == SW_SHOWMAXIMIZED ? 1 : 0;
}

}  // namespace

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      g_frame = window;
      CreateMdiClient(window);
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && g_mdiClient) {
        MoveWindow(g_mdiClient, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kFileExit) {
        SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
      g_settings.ActiveFileName[0] = 0;
      break;
    case WM_DESTROY:
      StoreFramePlacement(window);
      SaveSettings();
      g_mdiClient = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefFrameProcW(window, g_mdiClient, message, wParam, lParam);
}
