// The link list dialog, its template in memory and its persisted geometry.
#include "app/LinkListDialog.h"

#include <commctrl.h>

#include <cstring>

#include "app/ListColumn.h"
#include "app/OpenLink.h"
#include "app/SettingsRecord.h"
#include "app/Startup.h"
#include "app/WindowPlacement.h"
#include "engine/ControlWrappers.h"
#include "engine/LinkFinder.h"
#include "engine/TextCopy.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"
#include "toolkit/Win32Holders.h"

namespace {

constexpr int IDC_LINKS_HEADER = 1800;
constexpr int IDC_LINKS_LIST = 1801;
constexpr int IDM_COPY_LINK = 1802;
constexpr int IDM_OPEN_LINK = 1803;
constexpr int kLinkBitmap = 6;
constexpr int kDefaultWidth = 400;
constexpr int kDefaultHeight = 250;
constexpr int kFontNameMax = 50;

// A standard dialog template without controls: header, no menu, default class, caption,
// point size, font name. The caller frees the block.
HGLOBAL BuildLinkListTemplate() {
  const char16_t* caption =
      LanguageText(STR_ViewLinks_Caption) ? LanguageText(STR_ViewLinks_Caption) : u"";
  char16_t font[kFontNameMax + 1] = {};
  MultiByteToWideChar(CP_ACP, 0, "MS Sans Serif", -1, font, kFontNameMax);
  const size_t captionUnits = std::char_traits<char16_t>::length(caption) + 1;
  const size_t fontUnits = std::char_traits<char16_t>::length(font) + 1;
  const size_t bytes = sizeof(DLGTEMPLATE) + (3 + captionUnits + fontUnits) * sizeof(WORD);
  HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, bytes);
  if (!block) return nullptr;
  auto* dialog = static_cast<DLGTEMPLATE*>(GlobalLock(block));
  dialog->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX |
                  DS_MODALFRAME | DS_SETFONT;
  dialog->x = 10;
  dialog->y = 0;
  dialog->cx = 250;
  dialog->cy = 180;
  auto* words = reinterpret_cast<WORD*>(dialog + 1);
  words += 2;  // no menu, the default class
  memcpy(words, caption, captionUnits * sizeof(WORD));
  words += captionUnits;
  *words++ = 8;
  memcpy(words, font, fontUnits * sizeof(WORD));
  GlobalUnlock(block);
  return block;
}

// A stored size a user could work with; else the default.
SIZE UsableSize(int width, int height, const RECT& screen) {
  const bool fits = width >= GetSystemMetrics(SM_CXMINTRACK) &&
                    height >= GetSystemMetrics(SM_CYMINTRACK) &&
                    width <= screen.right - screen.left && height <= screen.bottom - screen.top;
  return fits ? SIZE{width, height} : SIZE{kDefaultWidth, kDefaultHeight};
}

// The stored rectangle, in workspace coordinates, where it can be seen: a negative or
// off-screen position keeps the system's.
void PlaceDialog(HWND dialog) {
  const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const SIZE size = UsableSize(g_settings.LinksInOutCX, g_settings.LinksInOutCY, screen);
  const int left = work.left + g_settings.LinksInOutX;
  const int top = work.top + g_settings.LinksInOutY;
  RECT wanted = {left, top, left + static_cast<int>(size.cx), top + static_cast<int>(size.cy)};
  RECT seen;
  const bool keepPosition = g_settings.LinksInOutX < 0 || g_settings.LinksInOutY < 0 ||
                            !IntersectRect(&seen, &wanted, &screen);
  SetWindowPos(dialog, nullptr, left, top, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE | (keepPosition ? SWP_NOMOVE : 0));
}

void InitLinkListDialog(HWND dialog, const LINKLISTREQUEST* request) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  char16_t header[2200];
  finderstruct.FormatStringW(
      header, 2200, u"%s %s\r\n%s", LanguageText(STR_ViewLinks_Page),
      request->Url ? request->Url : u"",
      LanguageText(request->Direction ? STR_ViewLinks_From : STR_ViewLinks_To));
  HWND edit = CreateWindowExW(
      0, u"EDIT", header,
      WS_CHILD | WS_VISIBLE | ES_READONLY | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0, 0, 0,
      dialog, reinterpret_cast<HMENU>(IDC_LINKS_HEADER), g_instance, nullptr);
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(2, 2));
  HWND list = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, u"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 0,
      0, dialog, reinterpret_cast<HMENU>(IDC_LINKS_LIST), g_instance, nullptr);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  InsertListColumn(list, 0, g_settings.LinksInOutW2, LanguageText(STR_Column_Location));
  InsertListColumn(list, 0, g_settings.LinksInOutW1, LanguageText(STR_Column_Link));
  for (int kind : {LVSIL_SMALL, LVSIL_NORMAL}) {
    SendMessageW(list, LVM_SETIMAGELIST, kind,
                 reinterpret_cast<LPARAM>(
                     ImageList_LoadImageW(g_instance, MAKEINTRESOURCEW(kLinkBitmap), 16, 0,
                                          RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION)));
  }
  if (request->Finder) request->Finder->FillLinksInOutList(list, request->Url, request->Direction);
  PlaceDialog(dialog);
}

void LayOut(HWND dialog) {
  HWND edit = GetDlgItem(dialog, IDC_LINKS_HEADER);
  SIZE zero = {};
  {
    const WindowDc dc(edit);
    const SelectedObject font(dc.get(),
                              reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32W(dc.get(), u"0", 1, &zero);
  }
  RECT client;
  GetClientRect(dialog, &client);
  const int headerHeight = 2 * zero.cy + 2;
  MoveWindow(edit, 0, 0, client.right, headerHeight, TRUE);
  MoveWindow(GetDlgItem(dialog, IDC_LINKS_LIST), 0, headerHeight, client.right,
             client.bottom - headerHeight > 0 ? client.bottom - headerHeight : 0, TRUE);
}

// Column 0 of the selected row; false without a selection.
bool SelectedLink(HWND dialog, char16_t* text, int size) {
  HWND list = GetDlgItem(dialog, IDC_LINKS_LIST);
  const int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  if (row < 0) return false;
  text[0] = 0;
  ListView_GetItemTextU(list, row, 0, text, size);
  return true;
}

void SaveGeometry(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_LINKS_LIST);
  g_settings.LinksInOutW1 = static_cast<int32_t>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
  g_settings.LinksInOutW2 = static_cast<int32_t>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
  NormalPlacement placement;
  if (!GetNormalPlacement(dialog, &placement)) return;
  g_settings.LinksInOutX = placement.x;
  g_settings.LinksInOutY = placement.y;
  g_settings.LinksInOutCX = placement.cx;
  g_settings.LinksInOutCY = placement.cy;
}

INT_PTR CALLBACK LinkListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      GiveProgramIcon(dialog);
      InitLinkListDialog(dialog, reinterpret_cast<const LINKLISTREQUEST*>(lParam));
      return FALSE;
    case WM_SIZE:
      LayOut(dialog);
      return TRUE;
    case WM_CONTEXTMENU: {
      HWND list = GetDlgItem(dialog, IDC_LINKS_LIST);
      if (reinterpret_cast<HWND>(wParam) != list) return FALSE;
      HMENU menu = BuildLinkListMenu(list);
      POINT at;
      GetCursorPos(&at);
      TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, dialog, nullptr);
      DestroyMenu(menu);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDM_COPY_LINK || id == IDM_OPEN_LINK) {
        char16_t link[2048];
        if (!SelectedLink(dialog, link, 2048)) return TRUE;
        if (id == IDM_COPY_LINK) {
          CopyTextToClipboard(dialog, link);
        } else {
          StartOpenLink(dialog, link, SW_SHOWMAXIMIZED, LanguageText(STR_Msg_AccessWeb));
        }
        return TRUE;
      }
      if (id >= IDOK && id <= IDABORT) EndDialog(dialog, id);
      return TRUE;
    }
    case WM_DESTROY:
      SaveGeometry(dialog);
      return FALSE;
  }
  return FALSE;
}

}  // namespace

HMENU BuildLinkListMenu(HWND list) {
  const UINT state =
      SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED) < 0 ? MF_GRAYED : MF_ENABLED;
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING | state, IDM_COPY_LINK, LanguageText(STR_Msg_CopyLink));
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING | state, IDM_OPEN_LINK, LanguageText(STR_Msg_OpenLink));
  return menu;
}

void RunLinkListDialog(HWND owner, const LINKLISTREQUEST* request) {
  HGLOBAL block = BuildLinkListTemplate();
  if (!block) return;
  DialogBoxIndirectParamW(g_instance, static_cast<DLGTEMPLATE*>(GlobalLock(block)), owner,
                          LinkListDlgProc, reinterpret_cast<LPARAM>(request));
  GlobalUnlock(block);
  GlobalFree(block);
}
