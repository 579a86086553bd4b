// The worksheet window: its block, children, the engine's lifetime, the scan's end and
// closing.
#include "app/Worksheet.h"

#include <commctrl.h>

#include <new>

#include "app/AfterScan.h"
#include "app/AutosaveNames.h"
#include "app/Frame.h"
#include "app/ListColumn.h"
#include "app/Settings.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "app/WindowPlacement.h"
#include "app/WorksheetFiles.h"
#include "app/WorksheetLists.h"
#include "engine/LinkFinder.h"
#include "engine/ResultRows.h"
#include "engine/TextCopy.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"
#include "toolkit/PushButton.h"
#include "toolkit/Win32Holders.h"
#include "toolkit/WindowState.h"

namespace {

void ReadWorksheetState(HWND worksheet, tagWORKSHEETSTATE* out) {
  const tagWORKSHEETDATA* data = WorksheetData(worksheet);
  out->RunState = WorksheetRunState(data);
  out->View = data ? data->View : 0;
  out->SitePanel = GetDlgItem(worksheet, WORKSHEET_SITE_PANEL);
}

const int kLinkColumns[] = {STR_Column_Link,       STR_Column_Status,       STR_Column_Comment,
                            STR_Column_Title,      STR_Column_Protocol,     STR_Column_ContentType,
                            STR_Column_Size,       STR_Column_LastModified, STR_Column_Charset,
                            STR_Column_AccessTime, STR_Column_Type,         STR_Column_DirLevel,
                            STR_Column_Location,   STR_Column_Page,         STR_Column_Position};

int LinkColumnCount() { return g_settings.DisplayAllLinks ? LINK_COLUMNS_ALL : LINK_COLUMNS; }

// The lists clip their header: every batch of rows invalidates a list, and a header drawn
// again each time (under a theme, image by image) would cost as much as the rows.
HWND CreateList(HWND window, int id, DWORD extraStyle, HINSTANCE instance) {
  HWND list =
      CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, u"",
                      WS_CHILD | WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT | LVS_SINGLESEL |
                          LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER | extraStyle,
                      0, 0, 0, 0, window, reinterpret_cast<HMENU>(INT_PTR{id}), instance, nullptr);
  if (!list) return nullptr;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  SendMessageW(list, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
  if (SubclassResultList(list)) SendMessageW(list, WM_LIST_CREATETIPS, 0, 0);
  return list;
}

// The banner's two centred lines; the second in three colours.
void DrawBanner(tagVBUTTONDRAW draw) {
  const tagWORKSHEETDATA* data = WorksheetData(GetParent(draw.button));
  LOGFONTW face = {};
  if (data && data->Font) GetObjectW(data->Font, sizeof face, &face);
  face.lfHeight = 16;
  const GdiHolder<HFONT> font(CreateFontIndirectW(&face));
  const SelectedObject selected(draw.dc, font.get());
  SetBkMode(draw.dc, TRANSPARENT);
  const GdiHolder<HRGN> clip(CreateRectRgnIndirect(&draw.client));
  SelectClipRgn(draw.dc, clip.get());
  struct Piece {
    const char16_t* text;
    COLORREF colour;
  };
  const Piece second[] = {{u"is available.", 0x800000},
                          {u"Click here", 0x008000},
                          {u"to try it for free now.", 0x000000}};
  const char16_t first[] = u"Commercial version of Tessaline";
  SIZE firstSize = {}, blank = {};
  GetTextExtentPoint32W(draw.dc, first, lstrlenW(first), &firstSize);
  GetTextExtentPoint32W(draw.dc, u" ", 1, &blank);
  int secondWidth = 2 * blank.cx;
  for (const Piece& piece : second) {
    SIZE size = {};
    GetTextExtentPoint32W(draw.dc, piece.text, lstrlenW(piece.text), &size);
    secondWidth += size.cx;
  }
  const int width = draw.client.right - draw.client.left;
  const int top = draw.client.top + (draw.client.bottom - draw.client.top - 2 * firstSize.cy) / 2;
  SetTextColor(draw.dc, 0x800000);
  TextOutW(draw.dc, draw.client.left + (width - firstSize.cx) / 2, top, first, lstrlenW(first));
  int x = draw.client.left + (width - secondWidth) / 2;
  for (const Piece& piece : second) {
    SetTextColor(draw.dc, piece.colour);
    TextOutW(draw.dc, x, top + firstSize.cy, piece.text, lstrlenW(piece.text));
    SIZE size = {};
    GetTextExtentPoint32W(draw.dc, piece.text, lstrlenW(piece.text), &size);
    x += size.cx + blank.cx;
  }
  SelectClipRgn(draw.dc, nullptr);
}

void CreateChildren(HWND window, tagWORKSHEETDATA* data) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  auto child = [&](DWORD exStyle, const char16_t* cls, const char16_t* text, DWORD style, int id) {
    HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | style, 0, 0, 0, 0, window,
                                   reinterpret_cast<HMENU>(INT_PTR{id}), instance, nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(data->Font), 0);
    return control;
  };
  RegisterPushButtonClass();
  HWND banner =
      child(0, VBUTTON_CLASS, u"SPECIAL OFFER", WS_VISIBLE | WS_TABSTOP, WORKSHEET_BANNER);
  static const tagVBUTTONCALLBACKS bannerDraw = {DrawBanner, nullptr};
  if (banner) {
    SendMessageW(banner, VBM_SETCALLBACKS, 0,
                 reinterpret_cast<LPARAM>(const_cast<tagVBUTTONCALLBACKS*>(&bannerDraw)));
  }
  CreateSiteFrame(window, WORKSHEET_SITE_PANEL, 0);
  child(0, u"BUTTON", LanguageText(STR_Site_Start), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
        WORKSHEET_START_STOP);
  child(WS_EX_CLIENTEDGE, u"EDIT", u"", WS_VISIBLE | ES_READONLY | ES_MULTILINE | WS_VSCROLL,
        WORKSHEET_DESCRIPTION);
  HWND tabs = child(0, WC_TABCONTROLW, u"", WS_CLIPSIBLINGS | WS_TABSTOP, WORKSHEET_TABS);
  for (int slot : {STR_Tabs_Processing, STR_Tabs_BrokenLink}) {
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char16_t*>(LanguageText(slot));
    SendMessageW(tabs, TCM_INSERTITEMW, SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0),
                 reinterpret_cast<LPARAM>(&item));
  }
  HWND links = CreateList(window, WORKSHEET_LINKS_LIST, 0, instance);
  for (int i = 0; i < LinkColumnCount(); ++i)
    InsertListColumn(links, i, 0, LanguageText(kLinkColumns[i]));
  HWND broken = CreateList(window, WORKSHEET_BROKEN_LIST, LVS_NOCOLUMNHEADER, instance);
  for (int i = 0; i < 3; ++i) InsertListColumn(broken, i, 0, LanguageText(STR_Column_Link));
  for (HWND list : {links, broken}) {
    if (list) SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(data->Font), 0);
  }
}

void NewWorksheet(HWND window, tagWORKSHEETDATA* data) {
  char16_t name[1024];
  if (!MakeAutosaveFileName(data, AUTOSAVE_DATABASE, name, 1024)) {
    DestroySelf(window);
    return;
  }
  data->Finder = new (std::nothrow) CLinkFinder(OLDFORMAT_NONE, nullptr, name, &g_settings, g_frame,
                                                window, GetDlgItem(window, WORKSHEET_LINKS_LIST),
                                                nullptr, GetDlgItem(window, WORKSHEET_BROKEN_LIST),
                                                g_settings.DisplayAllLinks, CONSOLE_NONE, nullptr);
  if (!data->Finder || !data->Finder->Initialized()) {
    DeleteFinder(data);
    DestroySelf(window);
    return;
  }
  CopyField(data->DataFile, name);
  FillSitePanel(GetDlgItem(window, WORKSHEET_SITE_PANEL), data->Finder->SiteURL(),
                data->Finder->GetSettings());
  ApplyColumnWidths(window, data->Finder);
  SendMessageW(GetParent(window), WM_MDIRESTORE, reinterpret_cast<WPARAM>(window), 0);
  data->StopPending = 0;
  UpdateWorksheetStates(window);
}

void OnScanDone(HWND window, tagWORKSHEETDATA* data) {
  // A run the user stopped or paused is not done: closing the program or powering off
  // then would end the user's session in the middle of their work.
  const bool endedOnItsOwn = !data->StopPending;
  data->StopPending = 0;
  data->Running = 0;
  UpdateWorksheetStates(window);
  KillTimer(window, WORKSHEET_PROGRESS_TIMER);
  RefreshListTooltipsWhenSeen(GetDlgItem(window, WORKSHEET_LINKS_LIST));
  RefreshListTooltipsWhenSeen(GetDlgItem(window, WORKSHEET_BROKEN_LIST));
  // The actions may close this window and delete the engine: they wait until the engine's
  // end message has returned to the worker.
  if (endedOnItsOwn) PostMessageW(window, WM_WORKSHEET_AFTER_SCAN, 0, 0);
}

// True when the window may go.
bool ConfirmClose(HWND window, tagWORKSHEETDATA* data) {
  if (data->Running || WorksheetRunState(data) == RUN_RUNNING) {
    finderstruct.AnimatedMessageBox(g_frame, LanguageText(STR_Msg_CloseProgress), u"Tessaline Lite",
                                    MB_ICONERROR);
    return false;
  }
  if (!data->UserFile[0] &&
      finderstruct.AnimatedMessageBox(window, LanguageText(STR_Msg_CloseWindow), u"Tessaline Lite",
                                      MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    return false;
  }
  DeleteFinder(data);
  if (data->DataFile[0]) DeleteFileW(data->DataFile);
  data->DataFile[0] = 0;
  return true;
}

void OnDestroy(HWND window, tagWORKSHEETDATA* data) {
  KillTimer(window, WORKSHEET_PROGRESS_TIMER);
  if (data->Finder) {
    if (!data->Running) StoreSettings(window, data, SITE_READ_KEEP | SITE_READ_NO_RECENT);
    char16_t fresh[1024] = {};
    const bool renamed =
        g_settings.AutosaveWorksheets && data->DataFile[0] &&
        MakeAutosaveFileName(data, data->UserFile[0] ? AUTOSAVE_LOCATOR : AUTOSAVE_DATABASE, fresh,
                             1024);
    DeleteFinder(data);
    if (g_settings.AutosaveWorksheets) {
      if (renamed && MoveFileW(data->DataFile, fresh)) CopyField(data->DataFile, fresh);
    } else if (data->DataFile[0]) {
      DeleteFileW(data->DataFile);
      data->DataFile[0] = 0;
    }
  }
  if (g_settings.AutosaveWorksheets && data->DataFile[0] && window == g_closingActiveWorksheet) {
    const char16_t* name = data->DataFile;
    for (const char16_t* at = data->DataFile; *at; ++at)
      if (*at == u'\\') name = at + 1;
    CopyField(g_settings.ActiveFileName, name);
  }
  if (data->Font) DeleteObject(data->Font);
  ClearWindowState(window, 0);
  HeapFree(GetProcessHeap(), 0, data);
}

void OnActivate(HWND window, HWND activated) {
  const bool active = activated == window;
  SendMessageW(GetParent(window), WM_MDISETMENU,
               reinterpret_cast<WPARAM>(active ? g_worksheetMenu : g_frameMenu),
               reinterpret_cast<LPARAM>(active ? g_worksheetWindowMenu : g_frameWindowMenu));
  PostMessageW(g_frame, WM_FRAME_MENU_CHANGED, 0, 0);
  UpdateCommandStates(activated);
}

// WM_USER+400: the next or previous tab, wrapping.
void CycleTab(HWND window, tagWORKSHEETDATA* data, int forward) {
  HWND tabs = GetDlgItem(window, WORKSHEET_TABS);
  const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
  if (count <= 0) return;
  const int index = data->Tab == 2 ? 1 : 0;
  const int next = (index + (forward ? 1 : count - 1)) % count;
  SendMessageW(tabs, TCM_SETCURSEL, next, 0);
  NMHDR change = {tabs, WORKSHEET_TABS, static_cast<UINT>(TCN_SELCHANGE)};
  WorksheetNotify(window, data, &change);
  SetFocus(tabs);
}

void Paint(HWND window, tagWORKSHEETDATA* data) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (data->View == 1) {
    const SelectedObject font(dc, data->Font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    for (int id : {WORKSHEET_LINKS_LIST, WORKSHEET_BROKEN_LIST}) {
      RECT list = {};
      GetWindowRect(GetDlgItem(window, id), &list);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&list), 2);
      TEXTMETRICW metrics = {};
      GetTextMetricsW(dc, &metrics);
      const char16_t* caption =
          LanguageText(id == WORKSHEET_LINKS_LIST ? STR_Tabs_Processing : STR_Tabs_BrokenLink);
      TextOutW(dc, list.left, list.top - metrics.tmHeight - 2, caption, lstrlenW(caption));
    }
  }
  EndPaint(window, &paint);
  if (data->Finder) data->Finder->DrawRelativeProgress(1);
}

LRESULT OnCreate(HWND window) {
  auto* data = static_cast<tagWORKSHEETDATA*>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(tagWORKSHEETDATA)));
  if (!data) return -1;
  SetWindowState(window, 0, data);
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  data->Font = CreateFontIndirectW(&metrics.lfMessageFont);
  data->View = g_settings.PrefView == 1 ? 1 : 0;
  CreateChildren(window, data);
  LayOutWorksheet(window, data);
  return 0;
}

}  // namespace

// Column widths of the links list from the engine's window settings.
void ApplyColumnWidths(HWND window, CLinkFinder* finder) {
  const tagWINDOWSETTINGS* settings = finder->GetWindowSettings();
  HWND links = GetDlgItem(window, WORKSHEET_LINKS_LIST);
  for (int i = 0; i < LinkColumnCount(); ++i) {
    SendMessageW(links, LVM_SETCOLUMNWIDTH, i, settings->ColWidth[i] & 0xFFFF);
  }
}

void DestroySelf(HWND window) {
  SendMessageW(GetParent(window), WM_MDIDESTROY, reinterpret_cast<WPARAM>(window), 0);
}

// The engine is deleted only while no run is flagged, its pointer cleared first: an end
// message handled while the engine waits for its workers finds none.
void DeleteFinder(tagWORKSHEETDATA* data) {
  CLinkFinder* finder = data->Finder;
  data->Finder = nullptr;
  delete finder;
}

void StoreSettings(HWND window, tagWORKSHEETDATA* data, int readFlags) {
  StoreWindowSettings(window, data);
  tagSITESETTINGS site = *data->Finder->GetSettings();
  char16_t url[256];
  if (ReadSitePanel(GetDlgItem(window, WORKSHEET_SITE_PANEL), url, 256, &site, readFlags)) {
    data->Finder->SetSettings(url, &site, g_settings.DisplayAllLinks);
  }
}

void StoreWindowSettings(HWND window, tagWORKSHEETDATA* data) {
  NormalPlacement placement;
  GetNormalPlacement(window, &placement);
  tagWINDOWSETTINGS settings = *data->Finder->GetWindowSettings();
  settings.WindowX = placement.x;
  settings.WindowY = placement.y;
  settings.WindowCX = placement.cx;
  settings.WindowCY = placement.cy;
  settings.WindowShow = placement.show;
  settings.View1 = data->View;
  settings.View2 = data->Tab;
  HWND links = GetDlgItem(window, WORKSHEET_LINKS_LIST);
  const int columns = ListColumnCount(links);
  for (int i = 0; i < columns && i < LINK_COLUMNS_ALL; ++i) {
    settings.ColWidth[i] = static_cast<int32_t>(SendMessageW(links, LVM_GETCOLUMNWIDTH, i, 0));
  }
  data->Finder->SetWindowSettings(&settings);
}

void UpdateWorksheetStates(HWND worksheet) {
  UpdateCommandStates(worksheet);
  HWND active = ActiveWorksheet();
  if (active && active != worksheet) UpdateCommandStates(active);
}

tagWORKSHEETCALLS g_worksheetCalls = {ReadWorksheetState, ApplyAutosaveSetting,
                                      RefreshListTooltips};

tagWORKSHEETDATA* WorksheetData(HWND worksheet) {
  return worksheet ? WindowState<tagWORKSHEETDATA*>(worksheet, 0) : nullptr;
}

int WorksheetRunState(const tagWORKSHEETDATA* data) {
  if (!data || !data->Finder || !data->Finder->Initialized()) return RUN_PENDING;
  const int stopped = data->Finder->IsStopped();
  const int paused = data->Finder->IsPaused();
  if (data->Running) return stopped || paused || data->StopPending ? RUN_PENDING : RUN_RUNNING;
  if (paused) return RUN_PAUSED;
  return stopped ? RUN_STOPPED : RUN_RUNNING;
}

LRESULT CALLBACK WorksheetWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    if (OnCreate(window) < 0) return -1;
    return DefMDIChildProcW(window, message, wParam, lParam);
  }
  tagWORKSHEETDATA* data = WorksheetData(window);
  if (!data) {
    if (message == WM_MEASUREITEM) return 0;
    return DefMDIChildProcW(window, message, wParam, lParam);
  }
  switch (message) {
    case WM_SIZE:
      LayOutWorksheet(window, data);
      break;
    case WM_WORKSHEET_LAYOUT:
      LayOutWorksheet(window, data);
      return 0;
    case WM_GETMINMAXINFO:
      DefMDIChildProcW(window, message, wParam, lParam);
      GetWorksheetMinMax(data, reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_FINDER_DONE:
      OnScanDone(window, data);
      return 0;
    case WM_WORKSHEET_AFTER_SCAN:
      RunAfterScanActions(window);
      return 0;
    case WM_FINDER_PANEL_WIDTH:
      return SitePanelWidth(window);
    case WM_WORKSHEET_NEW:
      NewWorksheet(window, data);
      return 0;
    case WM_WORKSHEET_OPEN:
      OpenWorksheet(window, data, static_cast<int>(wParam), reinterpret_cast<const WCHAR*>(lParam));
      return 0;
    case WM_WORKSHEET_NEXT:
      CycleTab(window, data, static_cast<int>(wParam));
      return 1;
    case WM_WORKSHEET_RECENT:
      RefreshSiteUrlList(GetDlgItem(window, WORKSHEET_SITE_PANEL));
      return 0;
    case WM_TIMER:
      if (wParam == WORKSHEET_PROGRESS_TIMER && data->Finder) data->Finder->DrawRelativeProgress(0);
      return 0;
    case WM_PAINT:
      Paint(window, data);
      return 0;
    case WM_MDIACTIVATE:
      OnActivate(window, reinterpret_cast<HWND>(lParam));
      break;
    case WM_MEASUREITEM:
      MeasureWorksheetRow(window, data, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      return 1;
    case WM_DRAWITEM:
      DrawWorksheetRow(data, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return 1;
    case WM_COMMAND:
      WorksheetCommand(window, data, wParam, lParam);
      return 0;
    case WM_NOTIFY:
      return WorksheetNotify(window, data, reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU:
      WorksheetContextMenu(window, reinterpret_cast<HWND>(wParam), lParam);
      return 0;
    case WM_CLOSE:
      if (ConfirmClose(window, data)) DestroySelf(window);
      return 0;
    case WM_DESTROY:
      OnDestroy(window, data);
      break;
  }
  return DefMDIChildProcW(window, message, wParam, lParam);
}
