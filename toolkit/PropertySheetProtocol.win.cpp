// The property sheet's page protocol: changing pages, Apply, OK and Cancel, and the pages'
// notifications. GUI thread.
#include "toolkit/PropertySheetState.h"

#include <algorithm>

namespace {

int PageCount(const CXmlPropertySheet& sheet) { return static_cast<int>(sheet.pages.size()); }

bool IsLastPage(const CXmlPropertySheet& sheet) { return sheet.current == PageCount(sheet) - 1; }

int PageOfWindow(const CXmlPropertySheet& sheet, HWND window) {
  for (int i = 0; window && i < PageCount(sheet); ++i)
    if (sheet.pages[i].window == window) return i;
  return -1;
}

void EnableApply(CXmlPropertySheet* sheet, bool enable) {
  if (sheet->desc.flags & XPSF_NOAPPLY) return;
  if (HWND apply = GetDlgItem(sheet->window, XPSID_APPLY)) EnableWindow(apply, enable);
}

void Relayout(CXmlPropertySheet* sheet) {
  MeasureButtons(sheet);
  LayOutSheet(sheet);
}

// The child identifier a button code presses; 0 when the code means nothing here.
int ButtonId(const CXmlPropertySheet& sheet, INT_PTR code) {
  bool wizard = IsWizard(sheet);
  switch (code) {
    case XPSB_BACK:
      return wizard ? XPSID_BACK : 0;
    case XPSB_NEXT:
    case XPSB_FINISH:
      return wizard ? XPSID_OK : 0;
    case XPSB_OK:
      return wizard ? 0 : XPSID_OK;
    case XPSB_APPLY:
      return wizard ? 0 : XPSID_APPLY;
    case XPSB_CANCEL:
      return XPSID_CANCEL;
    case XPSB_HELP:
      return XPSID_HELP;
    case XPSB_EXTRA:
      return XPSID_EXTRA;
    case XPSB_CLOSE:
      return sheet.closeState ? XPSID_OK : 0;
  }
  return 0;
}

// The button code a child reports in hints; `focus` tells the focus case from the mouse's.
int HintCode(const CXmlPropertySheet& sheet, int id, bool focus) {
  switch (id) {
    case XPSID_OK:
      if (IsWizard(sheet)) return IsLastPage(sheet) ? XPSB_FINISH : XPSB_NEXT;
      return focus && sheet.closeState ? XPSB_CLOSE : XPSB_OK;
    case XPSID_CANCEL:
      return XPSB_CANCEL;
    case XPSID_HELP:
      return XPSB_HELP;
    case XPSID_APPLY:
      return XPSB_APPLY;
    case XPSID_EXTRA:
      return XPSB_EXTRA;
    case XPSID_BACK:
      return XPSB_BACK;
  }
  return XPSB_NONE;
}

bool IsSheetButton(int id) {
  return id == XPSID_OK || id == XPSID_CANCEL || id == XPSID_HELP || id == XPSID_APPLY ||
         id == XPSID_EXTRA || id == XPSID_BACK;
}

void CancelSheet(CXmlPropertySheet* sheet, int id, HWND from) {
  HWND cancel = GetDlgItem(sheet->window, XPSID_CANCEL);
  INT_PTR fromButton = from && from == cancel && GetKeyState(VK_ESCAPE) >= 0 ? 1 : 0;
  if (NotifyPage(sheet, CurrentPageWindow(*sheet), XPSN_QUERYCANCEL, fromButton)) return;
  for (const XmlSheetPage& page : sheet->pages) NotifyPage(sheet, page.window, XPSN_RESET);
  CallSheetCallback(sheet, XPSCB_BUTTON, XPSB_CANCEL, nullptr);
  FinishSheet(sheet, id);
}

void OkTabbed(CXmlPropertySheet* sheet) {
  if (NotifyPage(sheet, CurrentPageWindow(*sheet), XPSN_KILLACTIVE)) return;
  bool refused = false;
  for (const XmlSheetPage& page : sheet->pages)
    if (page.window && NotifyPage(sheet, page.window, XPSN_APPLY)) refused = true;
  if (refused) return;
  CallSheetCallback(sheet, XPSCB_BUTTON, sheet->closeState ? XPSB_CLOSE : XPSB_OK, nullptr);
  FinishSheet(sheet, 1);
}

void NextOrFinish(CXmlPropertySheet* sheet) {
  HWND page = CurrentPageWindow(*sheet);
  if (NotifyPage(sheet, page, XPSN_KILLACTIVE)) return;
  if (!IsLastPage(*sheet)) {
    if (NotifyPage(sheet, page, XPSN_WIZNEXT)) return;
    CallSheetCallback(sheet, XPSCB_BUTTON, XPSB_NEXT, nullptr);
    SelectPage(sheet, sheet->current + 1);
  } else if (!NotifyPage(sheet, page, XPSN_WIZFINISH)) {
    CallSheetCallback(sheet, XPSCB_BUTTON, XPSB_FINISH, nullptr);
    FinishSheet(sheet, 1);
  }
}

void Command(CXmlPropertySheet* sheet, int id, HWND from) {
  if (sheet->tornDown) return;
  HWND page = CurrentPageWindow(*sheet);
  switch (id) {
    case XPSID_OK:
      if (IsWizard(*sheet))
        NextOrFinish(sheet);
      else
        OkTabbed(sheet);
      break;
    case XPSID_CANCEL:
      if (sheet->desc.flags & (XPSF_NOCLOSE | XPSF_NOCANCEL)) break;
      CancelSheet(sheet, id, from);
      break;
    case 3:
      CancelSheet(sheet, id, from);
      break;
    case XPSID_HELP:
      CallSheetCallback(sheet, XPSCB_BUTTON, XPSB_HELP, nullptr);
      NotifyPage(sheet, page, XPSN_HELP);
      break;
    case XPSID_APPLY:
      if (NotifyPage(sheet, page, XPSN_KILLACTIVE) || NotifyPage(sheet, page, XPSN_APPLY)) break;
      CallSheetCallback(sheet, XPSCB_BUTTON, XPSB_APPLY, nullptr);
      EnableApply(sheet, false);
      PostMessageW(sheet->window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(page), TRUE);
      break;
    case XPSID_EXTRA:
      CallSheetCallback(sheet, XPSCB_BUTTON, XPSB_EXTRA, nullptr);
      NotifyPage(sheet, page, XPSN_EXTRA);
      break;
    case XPSID_BACK:
      if (sheet->current <= 0 || NotifyPage(sheet, page, XPSN_WIZBACK)) break;
      CallSheetCallback(sheet, XPSCB_BUTTON, XPSB_BACK, nullptr);
      SelectPage(sheet, sheet->current - 1);
      break;
  }
}

bool TabChanging(CXmlPropertySheet* sheet) {
  if (!(sheet->desc.flags & XPSF_VALIDATETAB)) return false;
  HWND page = CurrentPageWindow(*sheet);
  return NotifyPage(sheet, page, XPSN_KILLACTIVE) || NotifyPage(sheet, page, XPSN_APPLY);
}

void TabChanged(CXmlPropertySheet* sheet) {
  HWND tab = GetDlgItem(sheet->window, XPSID_TAB);
  int index = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
  // A refused change puts the tab back over the page that stays.
  if (!SelectPage(sheet, index)) SendMessageW(tab, TCM_SETCURSEL, sheet->current, 0);
  SetFocus(tab);
}

void Hint(CXmlPropertySheet* sheet, int code) {
  NotifyPage(sheet, CurrentPageWindow(*sheet), XPSN_HINT, code);
}

void HintsFor(CXmlPropertySheet* sheet, const MSG& msg) {
  HWND focus = GetFocus();
  if (focus && GetParent(focus) == sheet->window && IsSheetButton(GetDlgCtrlID(focus)) &&
      focus != sheet->lastFocus) {
    sheet->lastFocus = focus;
    Hint(sheet, HintCode(*sheet, GetDlgCtrlID(focus), true));
  }
  if (msg.message != WM_MOUSEMOVE) return;
  POINT cursor;
  GetCursorPos(&cursor);
  HWND under = WindowFromPoint(cursor);
  int id = under && GetParent(under) == sheet->window ? GetDlgCtrlID(under) : 0;
  HWND hover = IsSheetButton(id) || id == XPSID_TAB || id == XPSID_ITEM11 ? under : nullptr;
  if (hover == sheet->lastHover) return;
  sheet->lastHover = hover;
  Hint(sheet, hover ? HintCode(*sheet, id, false) : XPSB_NONE);
}

LRESULT FilterMessage(CXmlPropertySheet* sheet, MSG* msg) {
  if (!msg || !sheet->window) return 0;
  if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_SPACE) &&
      msg->hwnd) {
    LRESULT code =
        SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    if (((code & DLGC_BUTTON) && (code & DLGC_DEFPUSHBUTTON)) || (code & DLGC_UNDEFPUSHBUTTON)) {
      SendMessageW(GetParent(msg->hwnd), WM_COMMAND,
                   MAKEWPARAM(GetDlgCtrlID(msg->hwnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(msg->hwnd));
      return 1;
    }
  }
  if (sheet->desc.flags & XPSF_STATUSBAR) HintsFor(sheet, *msg);
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
    if (IsWizard(*sheet)) return 1;
    HWND tab = GetDlgItem(sheet->window, XPSID_TAB);
    int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    NMHDR note = {tab, XPSID_TAB, static_cast<UINT>(TCN_SELCHANGING)};
    if (count <= 0 ||
        SendMessageW(sheet->window, WM_NOTIFY, XPSID_TAB, reinterpret_cast<LPARAM>(&note)))
      return 1;
    int at = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
    at = GetKeyState(VK_SHIFT) < 0 ? (at + count - 1) % count : (at + 1) % count;
    SendMessageW(tab, TCM_SETCURSEL, static_cast<WPARAM>(at), 0);
    note.code = static_cast<UINT>(TCN_SELCHANGE);
    SendMessageW(sheet->window, WM_NOTIFY, XPSID_TAB, reinterpret_cast<LPARAM>(&note));
    return 1;
  }
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1) return 1;
  return IsDialogMessageW(sheet->window, msg) ? 1 : 0;
}

LRESULT InsertPage(CXmlPropertySheet* sheet, int after, const tagXMLPROPSHEETPAGE* page) {
  SetLastError(0);
  if (sheet->tornDown || after < -1 || after >= PageCount(*sheet)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!AddPage(sheet, after, page)) return 0;
  int at = after + 1;
  PreparePage(sheet, &sheet->pages[at]);
  RecomputePageArea(sheet);
  if (!IsWizard(*sheet)) InsertTab(sheet, at);
  if (sheet->current >= at) {
    ++sheet->current;
    SendDlgItemMessageW(sheet->window, XPSID_TAB, TCM_SETCURSEL, sheet->current, 0);
  }
  FitSheet(sheet);
  LayOutSheet(sheet);
  return 1;
}

LRESULT RemovePage(CXmlPropertySheet* sheet, int index) {
  if (sheet->tornDown || index < 0 || index >= PageCount(*sheet)) return 0;
  XmlSheetPage& page = sheet->pages[index];
  if (page.window) {
    if (NotifyPage(sheet, page.window, XPSN_KILLACTIVE)) return 0;
    DestroyWindow(page.window);
  } else {
    DeleteXmlDialog(page.tree);
  }
  sheet->pages.erase(sheet->pages.begin() + index);
  if (!IsWizard(*sheet)) SendDlgItemMessageW(sheet->window, XPSID_TAB, TCM_DELETEITEM, index, 0);
  InvalidateRect(sheet->window, nullptr, TRUE);
  if (index < sheet->current) {
    --sheet->current;
    SendDlgItemMessageW(sheet->window, XPSID_TAB, TCM_SETCURSEL, sheet->current, 0);
  } else if (index == sheet->current) {
    // The current page's window is gone: nothing may be told to leave it.
    sheet->current = -1;
    SelectPage(sheet, std::min(index, PageCount(*sheet) - 1));
  }
  return 1;
}

LRESULT SetPageFont(CXmlPropertySheet* sheet, int index, const XPSPAGEFONT* font) {
  if (sheet->tornDown || index < 0 || index >= PageCount(*sheet) || !font) return 0;
  if (HWND page = sheet->pages[index].window) {
    // The page's dialog deletes fonts it is given, so it gets its own copy.
    LOGFONTW description = {};
    HFONT copy = GetObjectW(font->font, sizeof(description), &description)
                     ? CreateFontIndirectW(&description)
                     : nullptr;
    if (copy) SendMessageW(page, WM_SETFONT, reinterpret_cast<WPARAM>(copy), font->redraw);
  }
  RecomputePageArea(sheet);
  FitSheet(sheet);
  LayOutSheet(sheet);
  return 1;
}

LRESULT SetPageTemplate(CXmlPropertySheet* sheet, int index, const XPSPAGETEMPLATE* text) {
  if (sheet->tornDown || index < 0 || index >= PageCount(*sheet) || !text || !text->text) return 0;
  XmlSheetPage& page = sheet->pages[index];
  std::u16string title;
  if (page.window) {
    tagXMLDIALOG* replaced = ReplaceXmlDialogTemplate(page.window, text->text, text->length);
    if (!replaced) return 0;
    page.scalable = replaced->scalable;
    title = replaced->title;
  } else {
    tagXMLDIALOG* tree = ParseForDialog(text->text, text->length);
    if (!tree) return 0;
    DeleteXmlDialog(page.tree);
    page.tree = tree;
    page.scalable = tree->scalable;
    PreparePage(sheet, &page);
    title = tree->title;
  }
  if (!IsWizard(*sheet)) {
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<LPWSTR>(title.data());
    SendDlgItemMessageW(sheet->window, XPSID_TAB, TCM_SETITEMW, index,
                        reinterpret_cast<LPARAM>(&item));
  }
  RecomputePageArea(sheet);
  FitSheet(sheet);
  LayOutSheet(sheet);
  return 1;
}

void SetCaptions(CXmlPropertySheet* sheet, const char16_t* const* captions) {
  for (int i = 0; captions && i < kCaptionCount; ++i)
    sheet->captions[i] = captions[i] ? captions[i] : u"";
  int first = kOkCaption;
  if (IsWizard(*sheet))
    first = IsLastPage(*sheet) ? kFinishCaption : kNextCaption;
  else if (sheet->closeState)
    first = kCloseCaption;
  SetButtonText(sheet, XPSID_OK, sheet->captions[first]);
  SetButtonText(sheet, XPSID_CANCEL, sheet->captions[kCancelCaption]);
  SetButtonText(sheet, XPSID_APPLY, sheet->captions[kApplyCaption]);
  SetButtonText(sheet, XPSID_EXTRA, sheet->captions[kExtraCaption]);
  SetButtonText(sheet, XPSID_HELP, sheet->captions[kHelpCaption]);
  SetButtonText(sheet, XPSID_BACK, sheet->captions[kBackCaption]);
  Relayout(sheet);
}

LRESULT SetWizardButtons(CXmlPropertySheet* sheet, LPARAM flags) {
  if (!IsWizard(*sheet)) return 0;
  EnableWindow(GetDlgItem(sheet->window, XPSID_BACK), (flags & XPSWB_BACK) != 0);
  bool finish = flags & (XPSWB_FINISH | XPSWB_DISABLEDFINISH);
  SetButtonText(sheet, XPSID_OK, sheet->captions[finish ? kFinishCaption : kNextCaption]);
  EnableWindow(GetDlgItem(sheet->window, XPSID_OK),
               finish ? (flags & XPSWB_FINISH) != 0 : (flags & XPSWB_NEXT) != 0);
  Relayout(sheet);
  return 1;
}

LRESULT SetWizardText(CXmlPropertySheet* sheet, WPARAM which, const char16_t* text) {
  if (!IsWizard(*sheet) || which > 3) return 0;
  std::u16string value = text ? text : u"";
  if (which == 0) SetButtonText(sheet, XPSID_BACK, value);
  if ((which == 1 && !IsLastPage(*sheet)) || (which == 2 && IsLastPage(*sheet)))
    SetButtonText(sheet, XPSID_OK, value);
  if (which == 3) SetButtonText(sheet, XPSID_CANCEL, value);
  Relayout(sheet);
  return 1;
}

}  // namespace

bool HandleSheetMessage(CXmlPropertySheet* sheet, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT* result) {
  HWND window = sheet->window;
  bool tabbed = !IsWizard(*sheet);
  switch (message) {
    case WM_COMMAND:
      Command(sheet, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
      *result = 0;
      return true;
    case WM_NOTIFY: {
      const auto* note = reinterpret_cast<const NMHDR*>(lParam);
      if (!note || note->idFrom != XPSID_TAB) return false;
      if (note->code == static_cast<UINT>(TCN_SELCHANGING)) *result = TabChanging(sheet);
      if (note->code == static_cast<UINT>(TCN_SELCHANGE)) TabChanged(sheet);
      return true;
    }
    case XPSM_SELECTWINDOW: {
      int index = PageOfWindow(*sheet, reinterpret_cast<HWND>(wParam));
      *result = index < 0 ? -1 : SelectPage(sheet, index);
      return true;
    }
    case XPSM_SELECTPAGE:
      *result = SelectPage(sheet, static_cast<int>(wParam));
      return true;
    case XPSM_INSERTPAGE:
      *result = InsertPage(sheet, static_cast<int>(wParam),
                           reinterpret_cast<const tagXMLPROPSHEETPAGE*>(lParam));
      return true;
    case XPSM_REMOVEPAGE:
      *result = RemovePage(sheet, static_cast<int>(wParam));
      return true;
    case XPSM_CHANGED:
    case XPSM_UNCHANGED:
      *result = PageOfWindow(*sheet, reinterpret_cast<HWND>(wParam)) >= 0;
      if (*result) EnableApply(sheet, message == XPSM_CHANGED);
      return true;
    case XPSM_CANCELTOCLOSE:
      EnableWindow(GetDlgItem(window, XPSID_CANCEL), FALSE);
      SetButtonText(sheet, XPSID_OK, sheet->captions[kCloseCaption]);
      sheet->closeState = true;
      *result = 1;
      return true;
    case XPSM_APPLYNOW:
      SendMessageW(window, WM_COMMAND, XPSID_APPLY, 0);
      *result = 1;
      return true;
    case XPSM_RESERVED:
      *result = 0;
      return true;
    case XPSM_SETTITLE:
      SetWindowTextW(window, lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"");
      *result = 0;
      return true;
    case XPSM_SETWIZBUTTONS:
      *result = SetWizardButtons(sheet, lParam);
      return true;
    case XPSM_PRESSBUTTON:
    case XPSM_FOCUSBUTTON: {
      int id = ButtonId(*sheet, static_cast<INT_PTR>(wParam));
      HWND button = id ? GetDlgItem(window, id) : nullptr;
      if (id && message == XPSM_PRESSBUTTON)
        SendMessageW(window, WM_COMMAND, id, reinterpret_cast<LPARAM>(button));
      else if (id)
        PostMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
      *result = id != 0;
      return true;
    }
    case XPSM_SETBUTTONTEXT:
      *result = SetWizardText(sheet, wParam, reinterpret_cast<const char16_t*>(lParam));
      return true;
    case XPSM_SETSTATUSTEXT:
      *result = sheet->statusBar != nullptr;
      if (*result) {
        SendMessageW(sheet->statusBar, SB_SIMPLE, TRUE, 0);
        SendMessageW(sheet->statusBar, SB_SETTEXTW, SB_SIMPLEID,
                     lParam ? lParam : reinterpret_cast<LPARAM>(u""));
      }
      return true;
    case XPSM_GETTABCONTROL:
      *result = tabbed ? reinterpret_cast<LRESULT>(GetDlgItem(window, XPSID_TAB)) : 0;
      return true;
    case XPSM_GETITEM11:
      *result = tabbed ? reinterpret_cast<LRESULT>(GetDlgItem(window, XPSID_ITEM11)) : 0;
      return true;
    case XPSM_ISDIALOGMESSAGE:
      *result = FilterMessage(sheet, reinterpret_cast<MSG*>(lParam));
      return true;
    case XPSM_GETCURRENTPAGEHWND:
      *result = reinterpret_cast<LRESULT>(CurrentPageWindow(*sheet));
      return true;
    case XPSM_GETCURRENTPAGE:
      *result = sheet->tornDown ? -1 : sheet->current;
      return true;
    case XPSM_GETPAGECOUNT:
      *result = PageCount(*sheet);
      return true;
    case XPSM_SETPAGEFONT:
      *result = SetPageFont(sheet, static_cast<int>(wParam),
                            reinterpret_cast<const XPSPAGEFONT*>(lParam));
      return true;
    case XPSM_SETPAGETEMPLATE:
      *result = SetPageTemplate(sheet, static_cast<int>(wParam),
                                reinterpret_cast<const XPSPAGETEMPLATE*>(lParam));
      return true;
    case XPSM_SETCAPTIONS:
      SetCaptions(sheet, reinterpret_cast<const char16_t* const*>(lParam));
      *result = 1;
      return true;
    case XPSM_DESTROYEXTRA:
      if (HWND extra = GetDlgItem(window, XPSID_EXTRA)) DestroyWindow(extra);
      *result = 1;
      return true;
  }
  return false;
}
