// The site panel window: scrolling, focus, help texts and the change notices it sends to its
// worksheet. GUI thread.
#include "app/SitePanel.h"

#include <climits>
#include <cstdlib>
#include <string>

#include "app/ComboList.h"
#include "app/SettingsRecord.h"
#include "app/TemplateBuffer.h"
#include "engine/ControlWrappers.h"
#include "engine/TextCopy.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"
#include "toolkit/WindowState.h"

namespace {

const char16_t kFrameClass[] = u"Tessaline_SiteFrame_Class";
const char16_t kCaption[] = u"Tessaline Lite";

constexpr int kRecentUrls = SETTINGS_RECENT_URLS;
constexpr int kUrlTypedMax = 255;
constexpr int kLineStep = 1;
constexpr int kPageStep = 20;
constexpr int kRetryMin = 1;
constexpr int kRetryMax = 25;

// Focus codes of the dialog's controls: CBN_SETFOCUS, BN_SETFOCUS (CBN_EDITUPDATE shares
// the value; the combo's typing then refreshes the help line, which is harmless) and
// EN_SETFOCUS.
bool IsFocusCode(WORD code) { return code == 3 || code == 6 || code == 256; }

const int kEnabledIds[] = {IDC_SITE_URL_LABEL,     IDC_SITE_URL,          IDC_SITE_HYPERLINKS,
                           IDC_SITE_IMAGES,        IDC_SITE_OTHERS,       IDC_SITE_RECHECK_LABEL,
                           IDC_SITE_RECHECK,       IDC_SITE_RECHECK_SPIN, IDC_SITE_TIMES_LABEL,
                           IDC_SITE_IGNORE_ROBOTS, IDC_SITE_FIRST_ONLY,   IDC_SITE_NO_EXTERN,
                           IDC_SITE_IGNORE_CASE};

struct HelpText {
  int id;
  int slot;
};
const HelpText kHelpTexts[] = {
    {IDC_SITE_URL, STR_SiteDescr_StartURL},
    {IDC_SITE_HYPERLINKS, STR_SiteDescr_CheckHyperlinks},
    {IDC_SITE_IMAGES, STR_SiteDescr_CheckImages},
    {IDC_SITE_OTHERS, STR_SiteDescr_CheckOther},
    {IDC_SITE_RECHECK, STR_SiteDescr_RecheckBad},
    {IDC_SITE_IGNORE_ROBOTS, STR_SiteDescr_IgnoreRobots},
    {IDC_SITE_FIRST_ONLY, STR_SiteDescr_OnlyFirst},
    {IDC_SITE_NO_EXTERN, STR_SiteDescr_NoExtern},
    {IDC_SITE_IGNORE_CASE, STR_SiteDescr_IgnoreCase},
};

const char16_t* HelpTextOf(int id) {
  for (const HelpText& h : kHelpTexts)
    if (h.id == id) return LanguageText(h.slot);
  return nullptr;
}

SCROLLINFO ScrollInfo(UINT mask) {
  SCROLLINFO si = {};
  si.cbSize = sizeof(si);
  si.fMask = mask;
  return si;
}

SITEFRAMEDATA* DataOf(HWND frame) { return WindowState<SITEFRAMEDATA*>(frame, GWLP_USERDATA); }

// The dialog of a frame that has one, else null.
HWND PanelOf(HWND frame) {
  SITEFRAMEDATA* data = frame ? DataOf(frame) : nullptr;
  return data ? data->Panel : nullptr;
}

void NotifyParent(HWND frame, UINT code, const char16_t* text) {
  NMSITEPANEL nm = {};
  nm.hdr.hwndFrom = frame;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(frame));
  nm.hdr.code = code;
  nm.text = text;
  SendMessageW(GetParent(frame), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void NotifyChanged(HWND frame) {
  SITEFRAMEDATA* data = DataOf(frame);
  if (data && !(data->Flags & 1)) NotifyParent(frame, SFN_CHANGED, nullptr);
}

// The whole text of a window, or of the combo's entry `index` when index >= 0.
std::u16string TextOf(HWND panel, int id, int index = -1) {
  HWND control = GetDlgItem(panel, id);
  LRESULT length =
      index < 0 ? GetWindowTextLengthW(control) : SendMessageW(control, CB_GETLBTEXTLEN, index, 0);
  if (length <= 0) return std::u16string();
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  int room = static_cast<int>(text.size());
  if (index < 0)
    GetDlgItemTextU(panel, id, &text[0], room);
  else
    ComboBox_GetLBTextU(panel, id, index, &text[0], room);
  text.resize(std::char_traits<char16_t>::length(text.c_str()));
  return text;
}

bool IsChecked(HWND panel, int id) { return IsDlgButtonChecked(panel, id) == BST_CHECKED; }

void Check(HWND panel, int id, int on) {
  CheckDlgButton(panel, id, on ? BST_CHECKED : BST_UNCHECKED);
}

// Adds the non-empty recent URLs to the combo in their order.
void AddRecentUrls(HWND panel) {
  for (int i = 0; i < kRecentUrls; ++i)
    if (g_settings.Link[i][0]) ComboBox_AddStringU(panel, IDC_SITE_URL, g_settings.Link[i]);
}

// The up-down sits at the right edge of its buddy, which gives up that room. The dialog
// lays every control out in its cell after creating it, which leaves the up-down's empty
// cell (and so no width at all): setting the buddy again places it.
void PlaceRetrySpin(HWND panel) {
  SendDlgItemMessageW(panel, IDC_SITE_RECHECK_SPIN, UDM_SETBUDDY,
                      reinterpret_cast<WPARAM>(GetDlgItem(panel, IDC_SITE_RECHECK)), 0);
}

void SetRetryRange(HWND panel) {
  SendDlgItemMessageW(panel, IDC_SITE_RECHECK_SPIN, UDM_SETRANGE, 0,
                      MAKELPARAM(kRetryMax, kRetryMin));
}

// Moves the dialog to scroll position pos (clamped by the scroll bar).
void ScrollFrameTo(HWND frame, SITEFRAMEDATA* data, int pos) {
  SCROLLINFO si = ScrollInfo(SIF_POS);
  GetScrollInfo(frame, SB_VERT, &si);
  int old = si.nPos;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(frame, SB_VERT, &si, TRUE);
  GetScrollInfo(frame, SB_VERT, &si);
  if (si.nPos == old || !data->Panel) return;
  RECT r;
  GetWindowRect(data->Panel, &r);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(data->Panel, nullptr, r.left, r.top - (si.nPos - old), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ScrollFrameBy(HWND frame, SITEFRAMEDATA* data, int delta) {
  SCROLLINFO si = ScrollInfo(SIF_POS);
  GetScrollInfo(frame, SB_VERT, &si);
  ScrollFrameTo(frame, data, si.nPos + delta);
}

// Range 0 .. PanelHeight - client height, scrolling back first when beyond it.
void UpdateScrollRange(HWND frame, SITEFRAMEDATA* data) {
  RECT client;
  GetClientRect(frame, &client);
  int range = data->PanelHeight - client.bottom;
  if (range < 0) range = 0;
  SCROLLINFO si = ScrollInfo(SIF_POS);
  GetScrollInfo(frame, SB_VERT, &si);
  if (si.nPos > range) ScrollFrameTo(frame, data, range);
  si.fMask = SIF_RANGE;
  si.nMin = 0;
  si.nMax = range;
  SetScrollInfo(frame, SB_VERT, &si, TRUE);
}

void OnVScroll(HWND frame, SITEFRAMEDATA* data, WPARAM wParam) {
  SCROLLINFO si = ScrollInfo(SIF_POS | SIF_RANGE);
  GetScrollInfo(frame, SB_VERT, &si);
  switch (LOWORD(wParam)) {
    case SB_LINEUP:
      ScrollFrameBy(frame, data, -kLineStep);
      break;
    case SB_LINEDOWN:
      ScrollFrameBy(frame, data, kLineStep);
      break;
    case SB_PAGEUP:
      ScrollFrameBy(frame, data, -kPageStep);
      break;
    case SB_PAGEDOWN:
      ScrollFrameBy(frame, data, kPageStep);
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      ScrollFrameTo(frame, data, HIWORD(wParam));
      break;
    case SB_TOP:
      ScrollFrameTo(frame, data, si.nMin);
      break;
    case SB_BOTTOM:
      ScrollFrameTo(frame, data, si.nMax);
      break;
  }
}

// A focused control scrolls fully into view, its top first when it is taller.
void ScrollIntoView(HWND frame, SITEFRAMEDATA* data, HWND control) {
  RECT r, client;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
  GetClientRect(frame, &client);
  if (r.top < 0)
    ScrollFrameBy(frame, data, r.top);
  else if (r.bottom > client.bottom)
    ScrollFrameBy(frame, data, r.bottom - client.bottom);
}

// Check boxes 2202-2204 are not automatic: one of the three always stays checked.
void ClickResourceType(HWND panel, int id) {
  if (!IsChecked(panel, id)) {
    Check(panel, id, 1);
    return;
  }
  for (int other = IDC_SITE_HYPERLINKS; other <= IDC_SITE_OTHERS; ++other)
    if (other != id && IsChecked(panel, other)) {
      Check(panel, id, 0);
      return;
    }
}

INT_PTR CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND frame = GetParent(panel);
  switch (message) {
    case WM_INITDIALOG:
      PlaceRetrySpin(panel);
      SetRetryRange(panel);
      // The panel is part of the worksheet: it takes no focus of its own at creation.
      return FALSE;
    case WM_LBUTTONDOWN:
      if (!IsChild(panel, GetFocus())) SetFocus(frame);
      return FALSE;
    case WM_COMMAND: {
      WORD id = LOWORD(wParam);
      WORD code = HIWORD(wParam);
      if (IsFocusCode(code)) {
        NMHDR nm = {reinterpret_cast<HWND>(lParam), id, static_cast<UINT>(NM_SETFOCUS)};
        SendMessageW(frame, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&nm));
        return FALSE;
      }
      if (id == IDC_SITE_URL && code == CBN_SELENDOK) {
        LRESULT sel = SendDlgItemMessageW(panel, IDC_SITE_URL, CB_GETCURSEL, 0, 0);
        if (sel >= 0) {
          std::u16string entry = TextOf(panel, IDC_SITE_URL, static_cast<int>(sel));
          SetDlgItemTextU(panel, IDC_SITE_URL, &entry[0]);
        }
      }
      if (code == BN_CLICKED && id >= IDC_SITE_HYPERLINKS && id <= IDC_SITE_OTHERS)
        ClickResourceType(panel, id);
      if (code == BN_CLICKED || code == EN_UPDATE || code == CBN_SELENDOK) NotifyChanged(frame);
      return FALSE;
    }
  }
  return FALSE;
}

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowState(frame, GWLP_USERDATA, create->lpCreateParams);
    return 0;
  }
  SITEFRAMEDATA* data = DataOf(frame);
  if (!data) return DefWindowProcW(frame, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY:
      ClearWindowState(frame, GWLP_USERDATA);
      LocalFree(data);
      return 0;
    case WM_VSCROLL:
      OnVScroll(frame, data, wParam);
      return 0;
    case WM_MOUSEWHEEL: {
      int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      for (int steps = (delta < 0 ? -delta : delta) / WHEEL_DELTA; steps > 0; --steps)
        ScrollFrameBy(frame, data, delta < 0 ? kPageStep : -kPageStep);
      return 0;
    }
    case WM_SIZE:
      UpdateScrollRange(frame, data);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(frame);
      return 0;
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<NMHDR*>(lParam);
      if (nm->code != static_cast<UINT>(NM_SETFOCUS) || !data->Panel) break;
      NotifyParent(frame, SFN_HELPTEXT, HelpTextOf(static_cast<int>(nm->idFrom)));
      if (nm->hwndFrom) ScrollIntoView(frame, data, nm->hwndFrom);
      return 0;
    }
  }
  return DefWindowProcW(frame, message, wParam, lParam);
}

}  // namespace

HWND CreateSiteFrame(HWND parent, int id, int flags) {
  WNDCLASSW wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = finderstruct.module;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFrameClass;
  // Registered with every frame; the second registration finds the class there.
  if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
  auto* data = static_cast<SITEFRAMEDATA*>(LocalAlloc(LPTR, sizeof(SITEFRAMEDATA)));
  if (!data) return nullptr;
  data->Flags = flags;
  HWND frame = CreateWindowExW(
      WS_EX_STATICEDGE | WS_EX_CONTROLPARENT, kFrameClass, u"",
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL, 0, 0, 0, 0, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), finderstruct.module, data);
  if (!frame) {
    LocalFree(data);
    return nullptr;
  }
  CreateSiteFramePanel(frame);
  return frame;
}

int CreateSiteFramePanel(HWND frame) {
  SITEFRAMEDATA* data = frame ? DataOf(frame) : nullptr;
  if (!data) return 0;
  char16_t* text = nullptr;
  int length = WriteTemplateText(&text, WriteSitePanelTemplate, nullptr);
  if (!text) return 0;
  if (data->Panel) {
    SendMessageW(data->Panel, WM_XMLDIALOG_SETTEMPLATE, reinterpret_cast<WPARAM>(text), length);
    PlaceRetrySpin(data->Panel);
  } else {
    data->Panel = reinterpret_cast<HWND>(finderstruct.CreateXmlDialog(
        finderstruct.module, frame, PanelProc, reinterpret_cast<LPARAM>(frame), text, length, FALSE,
        nullptr));
  }
  std::free(text);
  if (!data->Panel) return 0;
  RECT panel, frameRect;
  GetWindowRect(data->Panel, &panel);
  GetWindowRect(frame, &frameRect);
  SetWindowPos(data->Panel, nullptr, 4, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  data->PanelHeight = panel.bottom - panel.top;
  SCROLLINFO si = ScrollInfo(SIF_POS);
  SetScrollInfo(frame, SB_VERT, &si, FALSE);
  SetWindowPos(frame, nullptr, 0, 0, panel.right - panel.left + GetSystemMetrics(SM_CXVSCROLL) + 8,
               frameRect.bottom - frameRect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateScrollRange(frame, data);
  return 1;
}

int FillSitePanel(HWND frame, const char16_t* url, const tagSITESETTINGS* site) {
  HWND panel = PanelOf(frame);
  if (!panel || !site) return 1;
  SendDlgItemMessageW(panel, IDC_SITE_URL, CB_RESETCONTENT, 0, 0);
  SendDlgItemMessageW(panel, IDC_SITE_URL, CB_LIMITTEXT, kUrlTypedMax, 0);
  AddRecentUrls(panel);
  WidenComboList(GetDlgItem(panel, IDC_SITE_URL));
  std::u16string shown = url ? url : u"";
  SetDlgItemTextU(panel, IDC_SITE_URL, &shown[0]);
  SendMessageW(panel, WM_COMMAND, MAKEWPARAM(IDC_SITE_URL, CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_SITE_URL)));
  Check(panel, IDC_SITE_HYPERLINKS, site->CheckHyperlinks);
  Check(panel, IDC_SITE_IMAGES, site->CheckImages);
  Check(panel, IDC_SITE_OTHERS, site->CheckOthers);
  SetRetryRange(panel);
  SendDlgItemMessageW(panel, IDC_SITE_RECHECK_SPIN, UDM_SETPOS, 0,
                      MAKELPARAM(LOWORD(site->RecheckBadLinksTimes), 0));
  SendDlgItemMessageW(panel, IDC_SITE_RECHECK, EM_LIMITTEXT, 2, 0);
  SendMessageW(panel, WM_COMMAND, MAKEWPARAM(IDC_SITE_RECHECK, EN_CHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_SITE_RECHECK)));
  Check(panel, IDC_SITE_IGNORE_ROBOTS, site->IgnoreRobotsTxt);
  Check(panel, IDC_SITE_FIRST_ONLY, site->CheckFirstOnly);
  Check(panel, IDC_SITE_NO_EXTERN, site->CheckNoExtern);
  Check(panel, IDC_SITE_IGNORE_CASE, site->CheckIgnoreCase);
  DataOf(frame)->Filled = 1;
  NotifyChanged(frame);
  return 1;
}

namespace {

// The number in the retry field. Only digits make a number: anything else (a pasted "1a",
// which GetDlgItemInt would read as 1) gives 0, which the range check refuses.
UINT RetryCount(HWND panel) {
  UINT value = 0;
  for (char16_t c : TextOf(panel, IDC_SITE_RECHECK)) {
    if (c < u'0' || c > u'9' || value > (UINT_MAX - 9) / 10) return 0;
    value = value * 10 + static_cast<UINT>(c - u'0');
  }
  return value;
}

int Refuse(HWND frame, HWND panel, int slot, int focus) {
  finderstruct.AnimatedMessageBox(frame, LanguageText(slot), kCaption, MB_OK | MB_ICONERROR);
  SetFocus(GetDlgItem(panel, focus));
  return 0;
}

// Puts url on top of the combo's list, drops an entry equal to it (ignoring case) further
// down, and copies the first entries into g_settings.Link.
void UpdateRecentUrls(HWND panel, char16_t* url) {
  HWND combo = GetDlgItem(panel, IDC_SITE_URL);
  bool known = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(url)) != CB_ERR;
  ComboBox_InsertStringU(panel, IDC_SITE_URL, 0, url);
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  if (known) {
    LRESULT older = SendMessageW(combo, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(url));
    if (older > 0) SendMessageW(combo, CB_DELETESTRING, older, 0);
  }
  int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < kRecentUrls; ++i) {
    std::u16string entry = i < count ? TextOf(panel, IDC_SITE_URL, i) : std::u16string();
    SetSettingsText(g_settings.Link[i], entry.c_str());
  }
}

}  // namespace

int ReadSitePanel(HWND frame, char16_t* url, int urlMax, tagSITESETTINGS* out, int flags) {
  HWND panel = PanelOf(frame);
  if (!panel) {
    if (url && urlMax > 0) url[0] = 0;
    return 0;
  }
  const bool keep = flags & SITE_READ_KEEP;
  UINT times = RetryCount(panel);
  if (!keep) {
    LRESULT range = SendDlgItemMessageW(panel, IDC_SITE_RECHECK_SPIN, UDM_GETRANGE, 0, 0);
    // UDM_GETRANGE answers the maximum in the low word and the minimum in the high word.
    if (times < HIWORD(range) || times > LOWORD(range))
      return Refuse(frame, panel, STR_Msg_ValueOutRange, IDC_SITE_RECHECK);
  }
  std::u16string typed = TextOf(panel, IDC_SITE_URL);
  if (url && urlMax > 0) CopyText(url, urlMax, typed.c_str());
  if (!keep && (!url || !url[0])) return Refuse(frame, panel, STR_Msg_EmptyURL, IDC_SITE_URL);
  if (!keep && !IsChecked(panel, IDC_SITE_HYPERLINKS) && !IsChecked(panel, IDC_SITE_IMAGES) &&
      !IsChecked(panel, IDC_SITE_OTHERS))
    return Refuse(frame, panel, STR_Msg_EmptyResType, IDC_SITE_HYPERLINKS);
  const bool recent = !(flags & SITE_READ_NO_RECENT) && url && url[0];
  if (recent) UpdateRecentUrls(panel, url);
  if (out) {
    out->RecheckBadLinksTimes = times;
    out->CheckHyperlinks = IsChecked(panel, IDC_SITE_HYPERLINKS);
    out->CheckImages = IsChecked(panel, IDC_SITE_IMAGES);
    out->CheckOthers = IsChecked(panel, IDC_SITE_OTHERS);
    out->IgnoreRobotsTxt = IsChecked(panel, IDC_SITE_IGNORE_ROBOTS);
    out->CheckFirstOnly = IsChecked(panel, IDC_SITE_FIRST_ONLY);
    out->CheckNoExtern = IsChecked(panel, IDC_SITE_NO_EXTERN);
    out->CheckIgnoreCase = IsChecked(panel, IDC_SITE_IGNORE_CASE);
  }
  if (recent) NotifyParent(frame, SFN_RECENTCHANGED, nullptr);
  return 1;
}

void EnableSitePanel(HWND frame, int enable) {
  HWND panel = PanelOf(frame);
  if (!panel) return;
  for (int id : kEnabledIds) EnableWindow(GetDlgItem(panel, id), enable ? TRUE : FALSE);
}

int IsSiteUrlDropped(HWND frame) {
  HWND panel = PanelOf(frame);
  if (!panel) return 0;
  return SendDlgItemMessageW(panel, IDC_SITE_URL, CB_GETDROPPEDSTATE, 0, 0) ? 1 : 0;
}

void ShowSiteUrlList(HWND frame, int show) {
  HWND panel = PanelOf(frame);
  if (!panel) return;
  HWND combo = GetDlgItem(panel, IDC_SITE_URL);
  // The dropped list takes Down and Enter only while its box holds the keyboard.
  if (show) SetFocus(combo);
  SendMessageW(combo, CB_SHOWDROPDOWN, show ? TRUE : FALSE, 0);
}

void RefreshSiteUrlList(HWND frame) {
  HWND panel = PanelOf(frame);
  if (!panel) return;
  // The whole typed text is kept: a start URL may be longer than an entry of the list.
  std::u16string kept = TextOf(panel, IDC_SITE_URL);
  SendDlgItemMessageW(panel, IDC_SITE_URL, CB_RESETCONTENT, 0, 0);
  AddRecentUrls(panel);
  int index = 0;
  for (int i = 0; i < kRecentUrls; ++i) {
    if (!g_settings.Link[i][0]) continue;
    if (kept == g_settings.Link[i]) {
      SendDlgItemMessageW(panel, IDC_SITE_URL, CB_SETCURSEL, index, 0);
      return;
    }
    ++index;
  }
  SetDlgItemTextU(panel, IDC_SITE_URL, &kept[0]);
}
