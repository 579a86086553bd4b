// The MDI frame window: its procedure, the worksheets it holds, closing and dropped files.
#include "app/Frame.h"

#include <shellapi.h>

#include <cstdlib>

#include "app/Settings.h"
#include "app/Startup.h"
#include "app/SystemActions.h"
#include "app/WindowPlacement.h"
#include "app/Worksheet.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"

HWND g_toolbar;
int g_colourDepth;
HWND g_closingActiveWorksheet;

namespace {

constexpr int kMdiClientId = 1;
constexpr UINT kFirstWorksheetId = 104;

void CreateMdiClient(HWND frame) {
  CLIENTCREATESTRUCT client = {};
  client.hWindowMenu = g_frameWindowMenu;
  client.idFirstChild = kFirstWorksheetId;
  g_mdiClient =
      CreateWindowExW(0, u"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                      frame, reinterpret_cast<HMENU>(INT_PTR{kMdiClientId}), g_instance, &client);
}

void StoreFramePlacement(HWND frame) {
  NormalPlacement placement;
  if (!GetNormalPlacement(frame, &placement)) return;
  g_settings.MainWndX = placement.x;
  g_settings.MainWndY = placement.y;
  g_settings.MainWndCX = placement.cx;
  g_settings.MainWndCY = placement.cy;
  g_settings.MainWndMaximized = placement.show == SW_SHOWMAXIMIZED ? 1 : 0;
}

void LayOut(int width, int height) {
  int top = 0;
  if (g_toolbar) {
    RECT bar = {};
    GetWindowRect(g_toolbar, &bar);
    top = bar.bottom - bar.top;
    MoveWindow(g_toolbar, 0, 0, width, top, TRUE);
  }
  if (g_mdiClient) MoveWindow(g_mdiClient, 0, top, width, height > top ? height - top : 0, TRUE);
}

void OpenDroppedFiles(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    // Wine counts one empty name in a drop of none.
    if (!length) continue;
    auto* path = static_cast<char16_t*>(calloc(length + 1, sizeof(char16_t)));
    if (!path) continue;
    DragQueryFileW(drop, i, path, length + 1);
    if (HWND worksheet = CreateWorksheet()) {
      SendMessageW(worksheet, WM_WORKSHEET_OPEN, 0, reinterpret_cast<LPARAM>(path));
    }
    free(path);
  }
  DragFinish(drop);
}

// WM_CLOSE and WM_QUERYENDSESSION: true when the default handling may go on. Worksheets are
// destroyed without being asked, so their autosave files stay for the next start.
bool CloseWorksheets(HWND frame) {
  g_closingActiveWorksheet = ActiveWorksheet();
  g_settings.ActiveFileName[0] = 0;
  if (AnyWorksheetBlocksClosing()) {
    ShowCloseRefusal(frame);
    g_restart = 0;
    return false;
  }
  for (HWND worksheet : ListWorksheets()) {
    SendMessageW(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(worksheet), 0);
  }
  return ListWorksheets().empty();
}

}  // namespace

HWND ActiveWorksheet() {
  return g_mdiClient ? reinterpret_cast<HWND>(SendMessageW(g_mdiClient, WM_MDIGETACTIVE, 0, 0))
                     : nullptr;
}

std::vector<HWND> ListWorksheets() {
  std::vector<HWND> worksheets;
  if (!g_mdiClient) return worksheets;
  for (HWND child = GetWindow(g_mdiClient, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!GetWindow(child, GW_OWNER)) worksheets.push_back(child);
  }
  return worksheets;
}

HWND CreateWorksheet() {
  if (!g_mdiClient) return nullptr;
  MDICREATESTRUCTW create = {};
  create.szClass = WORKSHEET_CLASS;
  create.szTitle = LanguageText(STR_Msg_MainTitle);
  create.hOwner = g_instance;
  create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
  create.style = WS_MINIMIZE;
  return reinterpret_cast<HWND>(
      SendMessageW(g_mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
}

bool AnyWorksheetBlocksClosing() {
  for (HWND worksheet : ListWorksheets()) {
    tagWORKSHEETSTATE state = {};
    g_worksheetCalls.ReadState(worksheet, &state);
    if (BlocksClosing(state.RunState)) return true;
  }
  return false;
}

void ShowCloseRefusal(HWND frame) {
  finderstruct.AnimatedMessageBox(frame, LanguageText(STR_Msg_CloseProgress), u"Tessaline Lite",
                                  MB_ICONERROR);
}

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      g_frame = window;
      DragAcceptFiles(window, TRUE);
      g_colourDepth = g_systemActions.ColourDepth(window);
      g_toolbar = CreateFrameToolbar(window, g_colourDepth);
      CreateMdiClient(window);
      UpdateCommandStates(nullptr);
      InitMenuIcons(g_colourDepth);
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) LayOut(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_COMMAND:
      if (HandleFrameCommand(window, wParam, lParam)) return 0;
      break;
    case WM_DROPFILES:
      OpenDroppedFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_FRAME_MENU_CHANGED:
      DrawMenuBar(window);
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == TTN_GETDISPINFOW) {
        FillToolbarTip(reinterpret_cast<NMTTDISPINFOW*>(lParam));
        return 0;
      }
      break;
    }
    case WM_INITMENUPOPUP:
      if (g_setMenuInfo) PrepareMenuIcons(window, reinterpret_cast<HMENU>(wParam), HIWORD(lParam));
      break;
    case WM_MEASUREITEM:
      if (MeasureMenuIcon(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_DRAWITEM:
      if (DrawMenuIcon(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
      if (!CloseWorksheets(window)) return 0;
      break;
    case WM_DESTROY:
      // Wine's MDI client frees its list of children on its own WM_DESTROY, which comes before
      // theirs, and each child's default handling then reads that list: worksheets still open
      // (a destroy without WM_CLOSE) go first.
      for (HWND worksheet : ListWorksheets()) {
        SendMessageW(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(worksheet), 0);
      }
      DragAcceptFiles(window, FALSE);
      StoreFramePlacement(window);
      FreeMenuIcons();
      DestroyFrameToolbarImages(g_toolbar);
      SaveSettings();
      g_mdiClient = nullptr;
      g_toolbar = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefFrameProcW(window, g_mdiClient, message, wParam, lParam);
}
