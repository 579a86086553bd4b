// The Cookies page (the stored cookies as a tree, with its menu) and the About page of the settings
// dialog. GUI thread.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>

#include "app/OpenLink.h"
#include "app/SettingsPages.h"
#include "app/Startup.h"
#include "app/WebAddresses.h"
#include "engine/ControlWrappers.h"
#include "net/Cookies.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/FormattedText.h"
#include "toolkit/LanguageText.h"

SettingsDialogActions g_settingsDialogActions = {StartOpenLink, CopyTextToClipboard};

namespace {

constexpr int kCookieBitmap = 6;
constexpr int kLinkCursor = 1;
constexpr int kItemTextRoom = 4096;
constexpr int kAboutRoom = 2048;
constexpr int kMakerLink = 4;
constexpr int kProductLink = 6;

// ---- Cookies ------------------------------------------------------------------------

HWND TreeOf(HWND page) { return GetDlgItem(page, IDC_COOKIE_TREE); }

void RefillTree(HWND tree) {
  SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  CookiesFillTreeView(tree);
}

HTREEITEM SelectedItem(HWND tree) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

bool HasParent(HWND tree, HTREEITEM item) {
  return item && SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item));
}

// The selected item's text (at most kItemTextRoom - 1 units); false without a selection.
bool SelectedText(HWND tree, char16_t (&text)[kItemTextRoom]) {
  TVITEMW item = {};
  item.mask = TVIF_TEXT;
  item.hItem = SelectedItem(tree);
  item.pszText = reinterpret_cast<WCHAR*>(text);
  item.cchTextMax = kItemTextRoom;
  text[0] = 0;
  return item.hItem && TreeView_GetItemU(tree, &item);
}

void ShowCookiesMenu(HWND page) {
  HMENU menu = BuildCookiesMenu(TreeOf(page));
  if (!menu) return;
  POINT cursor;
  GetCursorPos(&cursor);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, page, nullptr);
  DestroyMenu(menu);
}

// A right click first selects the item under the cursor.
void SelectItemUnderCursor(HWND tree) {
  TVHITTESTINFO hit = {};
  GetCursorPos(&hit.pt);
  ScreenToClient(tree, &hit.pt);
  HTREEITEM item = reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (item) SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void InitCookies(HWND page) {
  char16_t text[SETTINGS_PATH_SIZE + 300];
  finderstruct.FormatStringW(text, SETTINGS_PATH_SIZE + 300, u"%s:\r\n%s",
                             LanguageText(STR_CookiesDlg_File), g_settings.CookiesFile);
  SetDlgItemTextU(page, IDC_COOKIE_FILE, reinterpret_cast<WCHAR*>(text));
  HWND tree = TreeOf(page);
  HIMAGELIST images = ImageList_LoadImageW(g_instance, MAKEINTRESOURCEW(kCookieBitmap), 16, 0,
                                           RGB(255, 255, 255), IMAGE_BITMAP, 0);
  if (images) SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
  CookiesFillTreeView(tree);
}

void CookiesCommand(HWND page, int id) {
  HWND tree = TreeOf(page);
  char16_t text[kItemTextRoom];
  switch (id) {
    case IDC_COOKIE_CLEAR:
      CookiesDeleteCookie(g_settings.CookiesFile, nullptr);
      RefillTree(tree);
      break;
    case IDC_COOKIE_COPY:
      if (SelectedText(tree, text) && g_settingsDialogActions.copyText)
        g_settingsDialogActions.copyText(page, text);
      break;
    case IDC_COOKIE_DELETE:
      if (HasParent(tree, SelectedItem(tree)) && SelectedText(tree, text)) {
        CookiesDeleteCookie(g_settings.CookiesFile, text);
        RefillTree(tree);
      }
      break;
    case IDC_COOKIE_REFRESH:
      RefillTree(tree);
      break;
  }
}

// ---- About --------------------------------------------------------------------------

void ShowAboutText(HWND control) {
  char16_t text[kAboutRoom];
  BuildAboutText(text, kAboutRoom);
  SetWindowTextW(control, reinterpret_cast<WCHAR*>(text));
}

void InitAbout(HWND page) {
  RECT r;
  GetClientRect(page, &r);
  HWND control = CreateWindowExW(
      WS_EX_STATICEDGE, FORMATTED_TEXT_CLASS, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, r.left + 10,
      r.top + 15, r.right - r.left - 20, r.bottom - r.top - 25, page,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_ABOUT_TEXT)), g_instance, nullptr);
  if (!control) return;
  SendMessageW(control, FTM_SETMARGIN, 2, 0);
  HANDLE cursor =
      LoadImageW(g_instance, MAKEINTRESOURCEW(kLinkCursor), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE);
  if (cursor) SendMessageW(control, FTM_SETLINKCURSOR, reinterpret_cast<WPARAM>(cursor), 0);
  ShowAboutText(control);
}

void AboutLink(HWND page, const tagFTLINK* link) {
  const char16_t* address = link->value == kMakerLink     ? kMakerHomePage
                            : link->value == kProductLink ? kProductHomePage
                                                          : nullptr;
  if (!address) return;
  if (g_settingsDialogActions.openLink)
    g_settingsDialogActions.openLink(page, address, SW_SHOWMAXIMIZED,
                                     LanguageText(STR_Msg_AccessWeb));
  ShowAboutText(link->hdr.hwndFrom);
}

}  // namespace

HMENU BuildCookiesMenu(HWND tree) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return nullptr;
  HTREEITEM selected = SelectedItem(tree);
  if (selected) {
    AppendMenuW(menu, MF_STRING, IDC_COOKIE_COPY,
                reinterpret_cast<const WCHAR*>(LanguageListText(STR_CAPTIONS, 7)));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (HasParent(tree, selected)) {
      AppendMenuW(menu, MF_STRING, IDC_COOKIE_DELETE,
                  reinterpret_cast<const WCHAR*>(LanguageText(STR_Msg_Delete)));
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    }
  }
  AppendMenuW(menu, MF_STRING, IDC_COOKIE_REFRESH,
              reinterpret_cast<const WCHAR*>(LanguageText(STR_Msg_Refresh)));
  return menu;
}

int BuildAboutText(char16_t* out, int size) {
  const unsigned major = static_cast<unsigned>(PROGRAM_VERSION >> 48);
  const unsigned minor = static_cast<unsigned>(PROGRAM_VERSION >> 32) & 0xFFFF;
  const unsigned build = static_cast<unsigned>(PROGRAM_VERSION) & 0xFFFF;
  // Backslashes are the control's mark-up: \s size, \b bold, \h1,N link N up to \h0.
  finderstruct.FormatStringW(
      out, size,
      u"\\s14\\b1Tessaline Lite\\b0\\s10\n"
      u"Version %u.%u build %u\n\n"
      u"A link checker for web sites: it follows the links of a site and reports the broken "
      u"ones.\n\n"
      u"Copyright \u00a9 Tessaline Software.\n\n"
      u"Web site: \\h1,4%s\\h0\n"
      u"Product page: \\h1,6%s\\h0\n",
      major, minor, build, kMakerHomePage, kProductHomePage);
  return 1;
}

INT_PTR CALLBACK CookiesDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitCookies(page);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // The read-only file name sits on the page as if it were a label.
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_COOKIE_FILE) return FALSE;
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
      CookiesCommand(page, LOWORD(wParam));
      return TRUE;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) == TreeOf(page)) ShowCookiesMenu(page);
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_COOKIE_TREE && header->code == static_cast<UINT>(NM_RCLICK)) {
        SelectItemUnderCursor(TreeOf(page));
        ShowCookiesMenu(page);
        SetWindowLongPtrW(page, DWLP_MSGRESULT, 1);
        return TRUE;
      }
      return SheetNotice(page, lParam, nullptr, u"::/html/settings.htm#cookies");
    }
    case WM_DESTROY: {
      HIMAGELIST images = reinterpret_cast<HIMAGELIST>(
          SendMessageW(TreeOf(page), TVM_SETIMAGELIST, TVSIL_NORMAL, 0));
      if (images) ImageList_Destroy(images);
      return TRUE;
    }
  }
  return FALSE;
}

INT_PTR CALLBACK AboutDlgProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitAbout(page);
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_ABOUT_TEXT && header->code == static_cast<UINT>(FTN_LINK)) {
        AboutLink(page, reinterpret_cast<const tagFTLINK*>(lParam));
        return TRUE;
      }
      return SheetNotice(page, lParam, nullptr, u"::/html/about-lite.htm");
    }
  }
  return FALSE;
}
