// The frame's toolbar with its tooltips, the command states it and the worksheet menu
// show, and the icons beside menu items.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/Frame.h"
#include "app/IconShrink.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "app/Worksheet.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"
#include "toolkit/Win32Holders.h"

BOOL(WINAPI* g_setMenuInfo)(HMENU, LPCMENUINFO);
HIMAGELIST g_menuImages;

namespace {

constexpr int kImageSize = 24;
constexpr int kMenuImageSize = 16;
constexpr int kToolbarImages = 12;
constexpr int kMenuImages = 13;
constexpr COLORREF kStripMask = 0x808000;
constexpr int kTipSize = 1024;

struct ToolbarEntry {
  int image;  // -1: a separator
  int command;
  int textSlot;
  int tipSlot;
};

const ToolbarEntry kToolbar[] = {
    {0, 1100, STR_ToolBar_New, STR_ToolBar_NewTip},
    {1, 1101, STR_ToolBar_Open, STR_ToolBar_OpenTip},
    {2, 1102, STR_ToolBar_Save, STR_ToolBar_SaveTip},
    {-1, 0, 0, 0},
    {3, 1124, STR_ToolBar_Start, STR_ToolBar_StartTip},
    {4, 1128, STR_ToolBar_Pause, STR_ToolBar_PauseTip},
    {5, 1125, STR_ToolBar_Stop, STR_ToolBar_StopTip},
    {-1, 0, 0, 0},
    {7, 1106, STR_ToolBar_Settings, STR_ToolBar_SettingsTip},
    {-1, 0, 0, 0},
    {8, 1119, STR_ToolBar_Export, STR_ToolBar_ExportTip},
    {-1, 0, 0, 0},
    {9, 1132, STR_ToolBar_Framed, STR_ToolBar_FramedTip},
    {10, 1133, STR_ToolBar_Tabbed, STR_ToolBar_TabbedTip},
    {-1, 0, 0, 0},
    {11, 1111, STR_ToolBar_Help, STR_ToolBar_HelpTip},
};

const struct {
  UINT command;
  int image;
} kMenuIcons[] = {{1100, 0}, {1101, 1}, {1102, 2}, {1124, 4},  {1128, 5},
                  {1125, 6}, {1119, 7}, {1111, 8}, {1117, 11}, {1118, 12}};

// The tooltip shown last; the tooltip reads it while it shows.
char16_t g_tipText[kTipSize];

HIMAGELIST LoadMaskedImages(int bitmap, int size, int count, COLORREF mask, UINT colour) {
  const GdiHolder<HBITMAP> strip(static_cast<HBITMAP>(
      LoadImageW(g_instance, MAKEINTRESOURCEW(bitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!strip.held()) return nullptr;
  HIMAGELIST list = ImageList_Create(size, size, colour | ILC_MASK, count, 0);
  if (list) ImageList_AddMasked(list, strip.get(), mask);
  return list;
}

// Beside a check-or-bitmap menu's items Wine keeps only the check mark's column for the
// bitmap and starts the text right after it, whatever width WM_MEASUREITEM answers
// (Windows widens the column instead). Icons no larger than the check mark stand apart from
// their text on both; larger ones are shrunk to it.
HIMAGELIST LoadMenuImages() {
  const int side = std::min(
      {kMenuImageSize, GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK)});
  constexpr COLORREF kWhite = RGB(255, 255, 255);
  if (side <= 0 || side == kMenuImageSize) {
    return LoadMaskedImages(7, kMenuImageSize, kMenuImages, kWhite, ILC_COLOR32);
  }
  const GdiHolder<HBITMAP> strip(static_cast<HBITMAP>(
      LoadImageW(g_instance, MAKEINTRESOURCEW(7), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!strip.held()) return nullptr;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kMenuImages * kMenuImageSize;
  info.bmiHeader.biHeight = -kMenuImageSize;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> pixels(size_t(kMenuImages) * kMenuImageSize * kMenuImageSize);
  const WindowDc screen(nullptr);
  if (GetDIBits(screen.get(), strip.get(), 0, kMenuImageSize, pixels.data(), &info,
                DIB_RGB_COLORS) != kMenuImageSize) {
    return nullptr;
  }
  const std::vector<uint32_t> shrunk =
      ShrinkIconStrip(pixels, kMenuImages, kMenuImageSize, side, kWhite);
  info.bmiHeader.biWidth = kMenuImages * side;
  info.bmiHeader.biHeight = -side;
  void* bits = nullptr;
  const GdiHolder<HBITMAP> shrunkStrip(
      CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!shrunkStrip.held()) return nullptr;
  std::copy(shrunk.begin(), shrunk.end(), static_cast<uint32_t*>(bits));
  HIMAGELIST list = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, kMenuImages, 0);
  if (list) ImageList_AddMasked(list, shrunkStrip.get(), kWhite);
  return list;
}

void SetButton(UINT message, int command, BOOL on) {
  SendMessageW(g_toolbar, message, command, MAKELPARAM(on, 0));
}

void SetMenuItem(HMENU menu, int command, int enabled) {
  EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace

HWND CreateFrameToolbar(HWND frame, int colourDepth) {
  HWND toolbar = CreateToolbarEx(frame, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_TOOLTIPS,
                                 FRAME_TOOLBAR_ID, 0, nullptr, 0, nullptr, 0, 0, 0, kImageSize,
                                 kImageSize, sizeof(TBBUTTON));
  if (!toolbar) return nullptr;
  if (colourDepth < 256) {
    SendMessageW(toolbar, TB_SETIMAGELIST, 0,
                 reinterpret_cast<LPARAM>(ImageList_LoadImageW(g_instance, MAKEINTRESOURCEW(5),
                                                               kImageSize, 0, kStripMask,
                                                               IMAGE_BITMAP, LR_CREATEDIBSECTION)));
  } else {
    const struct {
      UINT message;
      int bitmap;
    } lists[] = {{TB_SETIMAGELIST, 2}, {TB_SETHOTIMAGELIST, 3}, {TB_SETDISABLEDIMAGELIST, 4}};
    for (const auto& list : lists) {
      SendMessageW(toolbar, list.message, 0,
                   reinterpret_cast<LPARAM>(LoadMaskedImages(
                       list.bitmap, kImageSize, kToolbarImages, RGB(255, 255, 255), ILC_COLOR32)));
    }
  }
  for (const ToolbarEntry& entry : kToolbar) {
    char16_t text[256] = {};
    TBBUTTON button = {};
    if (entry.image < 0) {
      button.fsStyle = BTNS_SEP;
    } else {
      FormatStringW(text, 256, LanguageText(entry.textSlot));
      button.iBitmap = entry.image;
      button.idCommand = entry.command;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON;
      button.iString = reinterpret_cast<INT_PTR>(text);
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
  }
  SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
  return toolbar;
}

void DestroyFrameToolbarImages(HWND toolbar) {
  for (UINT message : {TB_GETIMAGELIST, TB_GETHOTIMAGELIST, TB_GETDISABLEDIMAGELIST}) {
    auto* list = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, message, 0, 0));
    if (list) ImageList_Destroy(list);
  }
}

void FillToolbarTip(NMTTDISPINFOW* info) {
  for (const ToolbarEntry& entry : kToolbar) {
    if (entry.image < 0 || static_cast<UINT_PTR>(entry.command) != info->hdr.idFrom) continue;
    FormatStringW(g_tipText, kTipSize, LanguageText(entry.tipSlot));
    info->lpszText = g_tipText;
    info->hinst = nullptr;
    return;
  }
}

void UpdateCommandStates(HWND worksheet) {
  tagWORKSHEETSTATE state = {RUN_NONE, 0, nullptr};
  if (worksheet) g_worksheetCalls.ReadState(worksheet, &state);
  const tagCOMMANDSTATES row = GetCommandStates(worksheet ? state.RunState : RUN_NONE);
  if (g_toolbar) {
    for (int command : {1102, 1119, 1124}) SetButton(TB_ENABLEBUTTON, command, row.Start);
    SetButton(TB_ENABLEBUTTON, 1125, row.Stop);
    SetButton(TB_ENABLEBUTTON, 1128, row.Pause);
    SetButton(TB_HIDEBUTTON, 1132, !row.ShowViews);
    SetButton(TB_HIDEBUTTON, 1133, !row.ShowViews);
    if (worksheet) {
      SetButton(TB_CHECKBUTTON, 1132, state.View == 1);
      SetButton(TB_CHECKBUTTON, 1133, state.View != 1);
    }
  }
  if (worksheet) {
    for (int command : {1102, 1103, 1119, 1122, 1124}) {
      SetMenuItem(g_worksheetMenu, command, row.Start);
    }
    SetMenuItem(g_worksheetMenu, 1125, row.Stop);
    SetMenuItem(g_worksheetMenu, 1128, row.Pause);
    CheckMenuItem(g_worksheetMenu, 1132, MF_BYCOMMAND | (state.View == 1 ? MF_CHECKED : 0));
    CheckMenuItem(g_worksheetMenu, 1133, MF_BYCOMMAND | (state.View != 1 ? MF_CHECKED : 0));
    char16_t text[256];
    FormatStringW(text, 256, LanguageText(row.ButtonSlot));
    SetDlgItemTextW(worksheet, WORKSHEET_START_STOP, text);
    if (state.SitePanel) EnableSitePanel(state.SitePanel, row.SitePanel);
  }
  if (g_toolbar) InvalidateRect(g_toolbar, nullptr, TRUE);
}

void InitMenuIcons(int colourDepth) {
  g_setMenuInfo = nullptr;
  if (colourDepth <= 255) return;
  const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE user = GetModuleHandleW(u"User32.dll");
  g_setMenuInfo = user ? reinterpret_cast<BOOL(WINAPI*)(HMENU, LPCMENUINFO)>(
                             reinterpret_cast<void*>(GetProcAddress(user, "SetMenuInfo")))
                       : nullptr;
  SetErrorMode(previous);
  if (g_setMenuInfo) {
    g_menuImages = LoadMenuImages();
  }
}

void FreeMenuIcons() {
  if (g_menuImages) ImageList_Destroy(g_menuImages);
  g_menuImages = nullptr;
}

int GetMenuIcon(UINT command) {
  for (const auto& icon : kMenuIcons) {
    if (icon.command == command) return icon.image;
  }
  return -1;
}

void PrepareMenuIcons(HWND frame, HMENU popup, BOOL systemMenu) {
  if (systemMenu) popup = GetSystemMenu(frame, FALSE);
  MENUINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = MIM_STYLE;
  info.dwStyle = MNS_CHECKORBMP | MNS_AUTODISMISS;
  g_setMenuInfo(popup, &info);
  const int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_FTYPE;
    if (!GetMenuItemInfoW(popup, i, TRUE, &item)) continue;
    if ((item.fType & MFT_OWNERDRAW) || GetMenuIcon(item.wID) < 0) continue;
    item.fMask = MIIM_BITMAP;
    item.hbmpItem = HBMMENU_CALLBACK;
    SetMenuItemInfoW(popup, i, TRUE, &item);
  }
}

int MeasureMenuIcon(MEASUREITEMSTRUCT* item) {
  if (item->CtlType != ODT_MENU || GetMenuIcon(item->itemID) < 0) return 0;
  int width = kMenuImageSize, height = kMenuImageSize;
  if (g_menuImages) ImageList_GetIconSize(g_menuImages, &width, &height);
  item->itemWidth = width;
  item->itemHeight = height;
  return 1;
}

int DrawMenuIcon(const DRAWITEMSTRUCT* item) {
  const int icon = GetMenuIcon(item->itemID);
  if (item->CtlType != ODT_MENU || icon < 0 || !g_menuImages) return 0;
  const int x = item->rcItem.left, y = item->rcItem.top;
  ImageList_Draw(g_menuImages, icon, item->hDC, x, y, ILD_TRANSPARENT);
  if (!(item->itemState & ODS_GRAYED)) return 1;
  // Every opaque pixel of the icon in the grey-text colour: the mask drawn into a
  // monochrome bitmap picks the brush where it is 0 and keeps the menu where it is 1.
  int width = kMenuImageSize, height = kMenuImageSize;
  ImageList_GetIconSize(g_menuImages, &width, &height);
  const MemoryDc maskDc(CreateCompatibleDC(item->hDC));
  const GdiHolder<HBITMAP> mask(CreateBitmap(width, height, 1, 1, nullptr));
  const SelectedObject maskSelected(maskDc.get(), mask.get());
  PatBlt(maskDc.get(), 0, 0, width, height, WHITENESS);
  ImageList_Draw(g_menuImages, icon, maskDc.get(), 0, 0, ILD_MASK);
  const SelectedObject brush(item->hDC, GetSysColorBrush(COLOR_GRAYTEXT));
  const COLORREF oldText = SetTextColor(item->hDC, RGB(0, 0, 0));
  const COLORREF oldBack = SetBkColor(item->hDC, RGB(255, 255, 255));
  constexpr DWORD kPatternWhereSourceIsBlack = 0x00B8074A;
  BitBlt(item->hDC, x, y, width, height, maskDc.get(), 0, 0, kPatternWhereSourceIsBlack);
  SetTextColor(item->hDC, oldText);
  SetBkColor(item->hDC, oldBack);
  return 1;
}
