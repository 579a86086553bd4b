// The toolkit's property sheet: a window of template pages with tabs, buttons and a status line.
// GUI thread.
#include "toolkit/PropertySheet.h"

#include <commctrl.h>

#include <algorithm>
#include <new>

#include "toolkit/ControlMeasure.h"
#include "toolkit/PropertySheetState.h"
#include "toolkit/Win32Holders.h"
#include "toolkit/WindowState.h"

namespace {

const int kSheetLong = DLGWINDOWEXTRA;
const int kGap = 10;
const char16_t kTabProcProperty[] = u"XmlSheetTabProc";

const char16_t* TextOrEmpty(const std::u16string& text) { return text.c_str(); }

INT_PTR CALLBACK SheetDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

int TabRowsHeight(const CXmlPropertySheet& sheet) {
  HWND tab = GetDlgItem(sheet.window, XPSID_TAB);
  if (!tab || SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0) <= 0) return 0;
  RECT item = {};
  SendMessageW(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  return (item.bottom - item.top) * static_cast<int>(SendMessageW(tab, TCM_GETROWCOUNT, 0, 0));
}

int StatusHeight(const CXmlPropertySheet& sheet) {
  RECT r;
  return sheet.statusBar && GetWindowRect(sheet.statusBar, &r) ? r.bottom - r.top : 0;
}

SIZE PageSize(const XmlSheetPage& page) {
  if (page.tree) return SIZE{page.tree->layoutwidth, page.tree->layoutheight};
  tagXMLDIALOGLAYOUT block = {};
  if (page.window &&
      SendMessageW(page.window, WM_XMLDIALOG_GETLAYOUT, 0, reinterpret_cast<LPARAM>(&block)))
    return SIZE{block.layoutwidth, block.layoutheight};
  return SIZE{0, 0};
}

void TabSubclassPaint(HWND tab, CXmlPropertySheet* sheet, HRGN update) {
  HMODULE theme = GetModuleHandleW(u"UxTheme.dll");
  UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  auto isThemeActive = theme ? reinterpret_cast<BOOL(WINAPI*)()>(
                                   reinterpret_cast<void*>(GetProcAddress(theme, "IsThemeActive")))
                             : nullptr;
  SetErrorMode(oldMode);
  if (!isThemeActive || !isThemeActive()) return;
  RECT body;
  GetClientRect(tab, &body);
  body.top += TabRowsHeight(*sheet);
  InflateRect(&body, -GetSystemMetrics(SM_CXDLGFRAME), -GetSystemMetrics(SM_CYDLGFRAME));
  const GdiHolder<HRGN> fill(CreateRectRgnIndirect(&body));
  CombineRgn(fill.get(), fill.get(), update, RGN_AND);
  HWND page = CurrentPageWindow(*sheet);
  RECT pageRect = {};
  if (page && IsWindowVisible(page)) {
    GetWindowRect(page, &pageRect);
    MapWindowPoints(nullptr, tab, reinterpret_cast<POINT*>(&pageRect), 2);
    const GdiHolder<HRGN> pageRgn(CreateRectRgnIndirect(&pageRect));
    if (CombineRgn(pageRgn.get(), pageRgn.get(), update, RGN_AND) != NULLREGION)
      InvalidateRect(page, nullptr, TRUE);
    CombineRgn(fill.get(), fill.get(), pageRgn.get(), RGN_DIFF);
  }
  FillRgn(WindowDc(tab).get(), fill.get(), GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK TabSubclassProc(HWND tab, UINT message, WPARAM wParam, LPARAM lParam) {
  CXmlPropertySheet* sheet = GetSheet(GetParent(tab));
  auto original = reinterpret_cast<WNDPROC>(GetPropW(tab, kTabProcProperty));
  if (message == WM_PAINT && sheet) {
    const GdiHolder<HRGN> update(CreateRectRgn(0, 0, 0, 0));
    GetUpdateRgn(tab, update.get(), FALSE);
    LRESULT result = CallWindowProcW(original, tab, message, wParam, lParam);
    TabSubclassPaint(tab, sheet, update.get());
    return result;
  }
  if (message == WM_SETFOCUS && sheet) {
    sheet->lastFocus = tab;
    NotifyPage(sheet, CurrentPageWindow(*sheet), XPSN_HINT, XPSB_NONE);
  }
  if (message == WM_NCDESTROY) RemovePropW(tab, kTabProcProperty);
  return CallWindowProcW(original, tab, message, wParam, lParam);
}

HWND AddButton(CXmlPropertySheet* sheet, int id, DWORD style, int caption) {
  return CreateWindowExW(0, u"Button", TextOrEmpty(sheet->captions[caption]),
                         WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, sheet->window,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), sheet->desc.instance,
                         nullptr);
}

BOOL InitSheet(HWND window, CXmlPropertySheet* sheet) {
  if (!SetWindowState(window, kSheetLong, sheet)) {
    sheet->result = 3;
    TearDownSheet(sheet);
    DestroyWindow(window);
    return FALSE;
  }
  sheet->window = window;
  const tagXMLPROPSHEET& d = sheet->desc;
  SetWindowTextW(window, TextOrEmpty(sheet->title));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(d.bigIcon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(d.smallIcon));
  if (d.flags & XPSF_NOCLOSE)
    EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  for (XmlSheetPage& page : sheet->pages) PreparePage(sheet, &page);
  RecomputePageArea(sheet);
  if (IsWizard(*sheet) && d.callback) {
    int height = 0;
    if (d.callback(window, XPSCB_HEADERHEIGHT, reinterpret_cast<INT_PTR>(&height), nullptr))
      sheet->headerHeight = std::max(0, height);
  }
  if (!IsWizard(*sheet)) {
    HWND tab = CreateWindowExW(0, WC_TABCONTROLW, u"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                   WS_GROUP | WS_TABSTOP | TCS_MULTILINE,
                               0, 0, 0, 0, window, reinterpret_cast<HMENU>(XPSID_TAB), d.instance,
                               nullptr);
    SetPropW(tab, kTabProcProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrW(tab, GWLP_WNDPROC)));
    SetWindowLongPtrW(tab, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TabSubclassProc));
    SendMessageW(tab, WM_SETFONT, reinterpret_cast<WPARAM>(sheet->font), FALSE);
    sheet->images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
    SendMessageW(tab, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(sheet->images));
    for (int i = 0; i < static_cast<int>(sheet->pages.size()); ++i) InsertTab(sheet, i);
    AddButton(sheet, XPSID_OK, WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON | BS_CENTER, kOkCaption);
    if (!(d.flags & XPSF_NOAPPLY))
      AddButton(sheet, XPSID_APPLY, WS_TABSTOP | BS_CENTER, kApplyCaption);
  } else {
    AddButton(sheet, XPSID_BACK, WS_GROUP | WS_TABSTOP | BS_CENTER, kBackCaption);
    AddButton(sheet, XPSID_OK, WS_TABSTOP | BS_DEFPUSHBUTTON | BS_CENTER, kNextCaption);
  }
  if (!(d.flags & XPSF_NOCANCEL))
    AddButton(sheet, XPSID_CANCEL, WS_TABSTOP | BS_CENTER, kCancelCaption);
  if (d.flags & XPSF_HELP) AddButton(sheet, XPSID_HELP, WS_TABSTOP | BS_CENTER, kHelpCaption);
  if (!(d.flags & XPSF_NOEXTRA))
    AddButton(sheet, XPSID_EXTRA, WS_TABSTOP | BS_CENTER, kExtraCaption);
  MeasureButtons(sheet);
  if (d.flags & XPSF_STATUSBAR) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    if (d.flags & XPSF_RESIZABLE) style |= SBARS_SIZEGRIP;
    sheet->statusBar = CreateStatusWindowW(style, u"", window, XPSID_STATUS);
  }
  FitSheet(sheet);
  int count = static_cast<int>(sheet->pages.size());
  int start = std::max(0, std::min(sheet->current, count - 1));
  sheet->current = -1;
  if (!IsWizard(*sheet))
    SendDlgItemMessageW(window, XPSID_TAB, TCM_SETCURSEL, static_cast<WPARAM>(start), 0);
  SendMessageW(window, XPSM_SELECTPAGE, static_cast<WPARAM>(start), 0);
  if (IsWizard(*sheet) && CurrentPageWindow(*sheet)) SetFocus(CurrentPageWindow(*sheet));
  return FALSE;
}

void EraseSheet(CXmlPropertySheet* sheet, HDC dc) {
  RECT client;
  GetClientRect(sheet->window, &client);
  if (IsWizard(*sheet) && sheet->desc.callback) {
    RECT band = {0, 0, client.right, sheet->headerHeight};
    sheet->desc.callback(sheet->window, XPSCB_ERASEHEADER, reinterpret_cast<INT_PTR>(dc), &band);
    client.top = sheet->headerHeight;
  }
  FillRect(dc, &client, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

LRESULT CALLBACK SheetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG)
    return InitSheet(window, reinterpret_cast<CXmlPropertySheet*>(lParam));
  CXmlPropertySheet* sheet = GetSheet(window);
  if (!sheet) return DefDlgProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  if (HandleSheetMessage(sheet, message, wParam, lParam, &result)) return result;
  switch (message) {
    case WM_SIZE:
      LayOutSheet(sheet);
      return 0;
    case WM_ERASEBKGND:
      EraseSheet(sheet, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT:
      if (IsWizard(*sheet) && sheet->desc.callback) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        RECT band = {0, 0, client.right, sheet->headerHeight};
        sheet->desc.callback(window, XPSCB_PAINTHEADER, reinterpret_cast<INT_PTR>(dc), &band);
        EndPaint(window, &paint);
        return 0;
      }
      break;
    case WM_SETFONT: {
      HFONT font = reinterpret_cast<HFONT>(wParam);
      SendDlgItemMessageW(window, XPSID_TAB, WM_SETFONT, wParam, FALSE);
      if (sheet->font && sheet->font != font) DeleteObject(sheet->font);
      sheet->font = font;
      MeasureButtons(sheet);
      LayOutSheet(sheet);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    }
    case WM_MENUSELECT:
      if (HWND page = CurrentPageWindow(*sheet)) SendMessageW(page, message, wParam, lParam);
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = sheet->minWidth;
      info->ptMinTrackSize.y = sheet->minHeight;
      return 0;
    }
    case WM_CLOSE:
      if (!sheet->result) SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
      return 0;
    case WM_DESTROY:
      TearDownSheet(sheet);
      if (sheet->font) DeleteObject(sheet->font);
      sheet->font = nullptr;
      if (sheet->images) ImageList_Destroy(sheet->images);
      sheet->images = nullptr;
      break;
    case WM_NCDESTROY:
      sheet->window = nullptr;
      ClearWindowState(window, kSheetLong);
      break;
  }
  return DefDlgProcW(window, message, wParam, lParam);
}

std::vector<WORD> SheetTemplate(const CXmlPropertySheet& sheet) {
  uint32_t flags = sheet.desc.flags;
  DLGTEMPLATE t = {};
  t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;
  if (flags & XPSF_RESIZABLE) t.style |= WS_THICKFRAME;
  if (flags & XPSF_CONTEXTHELP) t.style |= DS_CONTEXTHELP;
  if (flags & XPSF_MAXIMIZEBOX) t.style |= WS_MAXIMIZEBOX;
  if (flags & XPSF_MINIMIZEBOX) t.style |= WS_MINIMIZEBOX;
  if (flags & XPSF_CONTEXTHELP) t.dwExtendedStyle |= WS_EX_CONTEXTHELP;
  if (flags & XPSF_RTLREADING) t.dwExtendedStyle |= WS_EX_RTLREADING;
  if (flags & XPSF_TOPMOST) t.dwExtendedStyle |= WS_EX_TOPMOST;
  t.x = static_cast<short>(sheet.desc.x);
  t.y = static_cast<short>(sheet.desc.y);
  if (flags & (XPSF_FIXEDSIZE | XPSF_MINSIZE)) {
    t.cx = static_cast<short>(sheet.desc.width);
    t.cy = static_cast<short>(sheet.desc.height);
  }
  std::vector<WORD> words(sizeof(t) / sizeof(WORD));
  std::copy_n(reinterpret_cast<const WORD*>(&t), words.size(), words.begin());
  words.push_back(0);  // no menu
  for (const char16_t* c = kXmlPropertySheetClass; *c; ++c) words.push_back(*c);
  words.push_back(0);
  words.push_back(0);  // empty title
  return words;
}

void RegisterSheetClass(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  // No CS_NOCLOSE: a class style would let the first sheet decide every later one's close
  // box; the no-close flag works per window instead.
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = SheetWindowProc;
  wc.cbWndExtra = DLGWINDOWEXTRA + sizeof(void*);
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kXmlPropertySheetClass;
  RegisterClassExW(&wc);
}

}  // namespace

CXmlPropertySheet* GetSheet(HWND window) {
  if (!window) return nullptr;
  WCHAR name[64];
  if (!GetClassNameW(window, name, 64) ||
      std::u16string(reinterpret_cast<const char16_t*>(name)) != kXmlPropertySheetClass)
    return nullptr;
  return WindowState<CXmlPropertySheet*>(window, kSheetLong);
}

HWND CurrentPageWindow(const CXmlPropertySheet& sheet) {
  if (sheet.tornDown || sheet.current < 0 || sheet.current >= static_cast<int>(sheet.pages.size()))
    return nullptr;
  return sheet.pages[sheet.current].window;
}

bool NotifyPage(CXmlPropertySheet* sheet, HWND page, int code, INT_PTR value) {
  if (!page) return false;
  SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
  XPSNOTIFY note = {{sheet->window, 0, static_cast<UINT>(code)}, value};
  LRESULT sent = SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&note));
  return sent && GetWindowLongPtrW(page, DWLP_MSGRESULT);
}

void CallSheetCallback(CXmlPropertySheet* sheet, int kind, INT_PTR value, void* extra) {
  if (sheet->desc.callback) sheet->desc.callback(sheet->window, kind, value, extra);
}

bool PreparePage(CXmlPropertySheet* sheet, XmlSheetPage* page) {
  return page->tree && LayOutXmlDialog(page->tree, page->measure, sheet->window);
}

void RecomputePageArea(CXmlPropertySheet* sheet) {
  uint32_t flags = sheet->desc.flags;
  bool given = flags & (XPSF_FIXEDSIZE | XPSF_MINSIZE);
  sheet->areaWidth = given ? sheet->desc.width : 0;
  sheet->areaHeight = given ? sheet->desc.height : 0;
  if (flags & XPSF_FIXEDSIZE) return;
  for (const XmlSheetPage& page : sheet->pages) {
    SIZE size = PageSize(page);
    sheet->areaWidth = std::max<int>(sheet->areaWidth, size.cx);
    sheet->areaHeight = std::max<int>(sheet->areaHeight, size.cy);
  }
}

void InsertTab(CXmlPropertySheet* sheet, int index) {
  XmlSheetPage& page = sheet->pages[index];
  int image = -1;
  if (page.icon) image = ImageList_AddIcon(sheet->images, page.icon);
  if (page.iconId) {
    HICON icon = LoadIconW(page.instance, MAKEINTRESOURCEW(page.iconId));
    if (icon) {
      image = ImageList_AddIcon(sheet->images, icon);
      DestroyIcon(icon);
    }
  }
  std::u16string title;
  if (page.tree)
    title = page.tree->title;
  else if (page.window) {
    WCHAR text[256] = {};
    GetWindowTextW(page.window, text, 256);
    title = reinterpret_cast<const char16_t*>(text);
  }
  TCITEMW item = {};
  item.mask = TCIF_TEXT | TCIF_IMAGE;
  item.pszText = reinterpret_cast<LPWSTR>(title.data());
  item.iImage = image;
  SendDlgItemMessageW(sheet->window, XPSID_TAB, TCM_INSERTITEMW, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(&item));
}

void SetButtonText(CXmlPropertySheet* sheet, int id, const std::u16string& text) {
  if (HWND button = GetDlgItem(sheet->window, id)) SetWindowTextW(button, TextOrEmpty(text));
}

void MeasureButtons(CXmlPropertySheet* sheet) {
  static const int kIds[] = {XPSID_BACK,   XPSID_OK,   XPSID_APPLY,
                             XPSID_CANCEL, XPSID_HELP, XPSID_EXTRA};
  const WindowDc dc(sheet->window);
  const SelectedObject font(dc.get(), sheet->font ? sheet->font : GetStockObject(DEFAULT_GUI_FONT));
  sheet->rowHeight = 0;
  sheet->rowWidth = 0;
  int shown = 0;
  for (int id : kIds) {
    HWND button = GetDlgItem(sheet->window, id);
    if (!button) continue;
    WCHAR caption[257] = {};
    GetWindowTextW(button, caption, 257);
    DWORD style = static_cast<DWORD>(GetWindowLongW(button, GWL_STYLE)) & ~BS_MULTILINE;
    XmlMeasureRequest request = {
        u"Button", reinterpret_cast<const char16_t*>(caption), style, 0, id, 70, 16, 1.0, 1.0};
    XmlMeasureResult measured = {};
    MeasureControlBuiltIn(dc.get(), request, &measured);
    SetWindowLongW(button, GWL_STYLE,
                   static_cast<LONG>(style | (measured.styleBits & BS_MULTILINE)));
    SetWindowPos(button, nullptr, 0, 0, measured.width, measured.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(sheet->font), TRUE);
    sheet->rowHeight = std::max<int>(sheet->rowHeight, measured.height);
    sheet->rowWidth += measured.width + (shown++ ? kGap : 0);
  }
}

void FitSheet(CXmlPropertySheet* sheet) {
  int width = std::max(sheet->areaWidth, sheet->rowWidth);
  int height = sheet->areaHeight + sheet->rowHeight + kGap + StatusHeight(*sheet);
  if (IsWizard(*sheet)) {
    height += sheet->headerHeight;
  } else {
    width += 2 * GetSystemMetrics(SM_CXDLGFRAME);
    height += 3 * GetSystemMetrics(SM_CYDLGFRAME) + TabRowsHeight(*sheet);
  }
  width += 2 * GetSystemMetrics(SM_CXFRAME) + 2 * kGap;
  height += GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + 2 * kGap;
  if (GetMenu(sheet->window)) height += GetSystemMetrics(SM_CYMENU);
  sheet->minWidth = width;
  sheet->minHeight = height;
  RECT now, work;
  GetWindowRect(sheet->window, &now);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int x = now.left, y = now.top;
  if (sheet->desc.flags & XPSF_CENTER) {
    if (!sheet->fitted) {
      x = GetSystemMetrics(SM_CXFULLSCREEN) / 2 - width / 2 + work.left;
      y = GetSystemMetrics(SM_CYFULLSCREEN) / 2 - height / 2 + work.top;
    } else {
      x -= (width - (now.right - now.left)) / 2;
      y -= (height - (now.bottom - now.top)) / 2;
    }
  } else {
    if (x + width > work.right) x = work.right - width;
    if (y + height > work.bottom) y = work.bottom - height;
    // A sheet larger than the work area keeps its caption on screen.
    x = std::max<int>(x, work.left);
    y = std::max<int>(y, work.top);
  }
  sheet->fitted = true;
  if (x == now.left && y == now.top && width == now.right - now.left &&
      height == now.bottom - now.top)
    return;
  SetWindowPos(sheet->window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOutSheet(CXmlPropertySheet* sheet) {
  if (sheet->inLayout || !sheet->window) return;
  sheet->inLayout = true;
  HWND window = sheet->window;
  RECT c;
  GetClientRect(window, &c);
  int fx = GetSystemMetrics(SM_CXDLGFRAME), fy = GetSystemMetrics(SM_CYDLGFRAME);
  int s = StatusHeight(*sheet), b = sheet->rowHeight;
  int cw = c.right - c.left, ch = c.bottom - c.top;
  RECT area;
  if (IsWizard(*sheet)) {
    int h = sheet->headerHeight;
    SetRect(&area, c.left + kGap, c.top + h + kGap, c.left + kGap + cw - 2 * kGap,
            c.top + h + kGap + ch - (h + s + b + 3 * kGap));
  } else {
    MoveWindow(GetDlgItem(window, XPSID_TAB), kGap, kGap, cw - 2 * kGap, ch - (b + s + 3 * kGap),
               TRUE);
    int rows = TabRowsHeight(*sheet);
    int top = kGap + rows + 2 * fy;
    SetRect(&area, kGap + fx, top, kGap + fx + cw - 2 * kGap - 2 * fx,
            top + ch - (b + s + 3 * kGap) - rows - 3 * fy);
  }
  if (HWND page = CurrentPageWindow(*sheet)) {
    const XmlSheetPage& current = sheet->pages[sheet->current];
    int aw = area.right - area.left, ah = area.bottom - area.top;
    if (current.scalable) {
      SetWindowPos(page, HWND_TOP, area.left, area.top, aw, ah, SWP_SHOWWINDOW);
    } else {
      RECT r;
      GetWindowRect(page, &r);
      int pw = r.right - r.left, ph = r.bottom - r.top;
      SetWindowPos(page, HWND_TOP, area.left + (aw - pw) / 2, area.top + (ah - ph) / 2, 0, 0,
                   SWP_NOSIZE | SWP_SHOWWINDOW);
    }
  }
  if (!(sheet->desc.flags & XPSF_RESIZABLE)) FitSheet(sheet);
  GetClientRect(window, &c);
  int y = c.bottom - b - s - kGap, x = c.right - fx - kGap;
  static const int kWizardOrder[] = {XPSID_HELP, XPSID_CANCEL, XPSID_OK, XPSID_BACK};
  static const int kTabbedOrder[] = {XPSID_APPLY, XPSID_HELP, XPSID_CANCEL, XPSID_OK};
  for (int id : IsWizard(*sheet) ? kWizardOrder : kTabbedOrder) {
    HWND button = GetDlgItem(window, id);
    if (!button) continue;
    RECT r;
    GetWindowRect(button, &r);
    int w = r.right - r.left;
    MoveWindow(button, x - w, y, w, r.bottom - r.top, TRUE);
    x -= w + kGap;
  }
  if (HWND extra = GetDlgItem(window, XPSID_EXTRA)) {
    RECT r;
    GetWindowRect(extra, &r);
    MoveWindow(extra, fx + kGap, y, r.right - r.left, r.bottom - r.top, TRUE);
  }
  if (HWND apply = GetDlgItem(window, XPSID_APPLY)) EnableWindow(apply, FALSE);
  if (sheet->statusBar) SendMessageW(sheet->statusBar, WM_SIZE, 0, 0);
  sheet->inLayout = false;
}

bool SelectPage(CXmlPropertySheet* sheet, int index) {
  int count = static_cast<int>(sheet->pages.size());
  if (!sheet->window || sheet->tornDown || index < 0 || index >= count) return false;
  if (index == sheet->current) return true;
  if (HWND old = CurrentPageWindow(*sheet)) {
    if (NotifyPage(sheet, old, XPSN_KILLACTIVE)) return false;
    ShowWindow(old, SW_HIDE);
    EnableWindow(old, FALSE);
  }
  sheet->current = index;
  if (IsWizard(*sheet)) {
    EnableWindow(GetDlgItem(sheet->window, XPSID_BACK), index > 0);
    SetButtonText(sheet, XPSID_OK,
                  sheet->captions[index == count - 1 ? kFinishCaption : kNextCaption]);
    SetButtonText(sheet, XPSID_BACK, sheet->captions[kBackCaption]);
    SetButtonText(sheet, XPSID_CANCEL, sheet->captions[kCancelCaption]);
    MeasureButtons(sheet);
  }
  XmlSheetPage& page = sheet->pages[index];
  if (!page.window) {
    tagXMLDIALOG* tree = page.tree;
    page.tree = nullptr;  // the dialog takes it over, also when creation fails
    page.window = CreateXmlChildDialog(page.instance, sheet->window, page.proc, page.userData, tree,
                                       page.measure);
    if (!page.window) return false;
  }
  EnableWindow(page.window, TRUE);
  SetWindowPos(page.window, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (IsWizard(*sheet)) {
    if (sheet->headerHeight) {
      RECT client;
      GetClientRect(sheet->window, &client);
      RECT band = {0, 0, client.right, sheet->headerHeight};
      InvalidateRect(sheet->window, &band, TRUE);
    }
    LayOutSheet(sheet);
    SetFocus(page.window);
  } else {
    HWND tab = GetDlgItem(sheet->window, XPSID_TAB);
    SendMessageW(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    LayOutSheet(sheet);
    SetFocus(tab);
  }
  if (HWND apply = GetDlgItem(sheet->window, XPSID_APPLY)) EnableWindow(apply, FALSE);
  NotifyPage(sheet, page.window, XPSN_SETACTIVE);
  return true;
}

bool AddPage(CXmlPropertySheet* sheet, int after, const tagXMLPROPSHEETPAGE* description) {
  if (!description) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  XmlSheetPage page;
  page.instance = description->instance;
  page.measure = description->measure;
  page.icon = description->icon;
  page.iconId = description->iconId;
  page.proc = description->proc;
  page.userData = description->userData;
  page.tree = ParseForDialog(description->templ ? description->templ : u"",
                             description->templ ? description->length : 0);
  if (!page.tree) return false;
  page.scalable = page.tree->scalable;
  try {
    sheet->pages.insert(sheet->pages.begin() + (after + 1), page);
  } catch (const std::bad_alloc&) {
    DeleteXmlDialog(page.tree);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  return true;
}

void TearDownSheet(CXmlPropertySheet* sheet) {
  if (!sheet->tornDown) {
    sheet->tornDown = true;
    for (XmlSheetPage& page : sheet->pages) {
      if (page.window) DestroyWindow(page.window);
      DeleteXmlDialog(page.tree);
    }
    sheet->pages.clear();
  }
  if (sheet->owner) EnableWindow(sheet->owner, TRUE);
  sheet->owner = nullptr;
}

void FinishSheet(CXmlPropertySheet* sheet, INT_PTR result) {
  sheet->result = result;
  TearDownSheet(sheet);
}

CXmlPropertySheet* CreatePropertySheet(const tagXMLPROPSHEET* description) {
  if (!description) return nullptr;
  auto* sheet = new (std::nothrow) CXmlPropertySheet;
  if (!sheet) return nullptr;
  sheet->desc = *description;
  auto copy = [](const char16_t* text) { return std::u16string(text ? text : u""); };
  sheet->title = copy(description->title);
  sheet->fontSpec = description->font ? description->font : tagXMLDIALOG().font;
  const char16_t* captions[kCaptionCount] = {
      description->okCaption,    description->cancelCaption, description->closeCaption,
      description->applyCaption, description->extraCaption,  description->helpCaption,
      description->backCaption,  description->nextCaption,   description->finishCaption};
  for (int i = 0; i < kCaptionCount; ++i) sheet->captions[i] = copy(captions[i]);
  sheet->font = CreateSpecFont(sheet->fontSpec);
  return sheet;
}

int AddPropertySheetPage(CXmlPropertySheet* sheet, const tagXMLPROPSHEETPAGE* page) {
  SetLastError(0);
  if (!sheet || sheet->window || sheet->tornDown) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return AddPage(sheet, static_cast<int>(sheet->pages.size()) - 1, page) ? 1 : 0;
}

INT_PTR RunPropertySheet(CXmlPropertySheet* sheet, int startPage) {
  SetLastError(0);
  if (!sheet || sheet->tornDown || sheet->window) return 0;
  sheet->current = startPage;
  const tagXMLPROPSHEET& d = sheet->desc;
  RegisterSheetClass(d.instance);
  HWND owner = d.parent;
  while (owner && (GetWindowLongW(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
  if (owner && IsWindowEnabled(owner) && !(d.flags & XPSF_NODISABLEOWNER)) {
    EnableWindow(owner, FALSE);
    sheet->owner = owner;
  }
  std::vector<WORD> words = SheetTemplate(*sheet);
  HWND window =
      CreateDialogIndirectParamW(d.instance, reinterpret_cast<const DLGTEMPLATE*>(words.data()),
                                 owner, SheetDialogProc, reinterpret_cast<LPARAM>(sheet));
  if (!window) {
    if (sheet->owner) EnableWindow(sheet->owner, TRUE);
    sheet->owner = nullptr;
    return 0;
  }
  sheet->result = 0;
  sheet->lastHover = sheet->lastFocus = nullptr;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetForegroundWindow(window);
  if (d.flags & XPSF_MODELESS) return reinterpret_cast<INT_PTR>(window);
  MSG msg;
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (!got) {
      // Somebody else's quit: end the sheet cleanly and leave the quit for the outer loop.
      if (sheet->window) {
        TearDownSheet(sheet);
        DestroyWindow(sheet->window);
        PostQuitMessage(static_cast<int>(msg.wParam));
      }
      break;
    }
    if (!sheet->window ||
        !SendMessageW(sheet->window, XPSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg))) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (sheet->window && !SendMessageW(sheet->window, XPSM_GETCURRENTPAGEHWND, 0, 0)) {
      DestroyWindow(sheet->window);
      PostQuitMessage(0);
    }
  }
  return sheet->result;
}

INT_PTR GetPropertySheetResult(CXmlPropertySheet* sheet) { return sheet ? sheet->result : 0; }

int FreePropertySheet(CXmlPropertySheet* sheet) {
  if (!sheet || sheet->window) return 0;
  for (XmlSheetPage& page : sheet->pages) DeleteXmlDialog(page.tree);
  if (sheet->font) DeleteObject(sheet->font);
  delete sheet;
  return 1;
}
