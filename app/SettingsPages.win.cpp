// The dialog procedures of the settings pages: filling the controls from the settings and reading
// them back. GUI thread.
#include "app/SettingsPages.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/ComboList.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "charset/Charset.h"
#include "engine/ControlWrappers.h"
#include "toolkit/PropertySheet.h"
#include "toolkit/WindowState.h"

namespace {

constexpr int kTextRoom = 256;
constexpr int kCharsetNameMax = 49;
const char kNoCharset[] = "";  // the converter name of "< Auto-Detect >"

const char16_t* const kAgentNames[] = {u"Tessaline",
                                       u"AOL v9",
                                       u"AOL v8",
                                       u"AOL v7",
                                       u"AOL v6",
                                       u"AOL v5",
                                       u"AOL v4",
                                       u"Internet Explorer v9",
                                       u"Internet Explorer v8",
                                       u"Internet Explorer v7",
                                       u"Internet Explorer v6",
                                       u"Internet Explorer v5",
                                       u"Internet Explorer v4",
                                       u"Internet Explorer v3",
                                       u"Netscape v6",
                                       u"Netscape v5",
                                       u"Netscape v4",
                                       u"Netscape v3",
                                       u"Netscape v2",
                                       u"Netscape v1"};
const char16_t* const kSystemNames[] = {
    u"Windows 95",        u"Windows 98",          u"Windows Me",          u"Windows NT",
    u"Windows 2000",      u"Windows XP",          u"Windows Vista",       u"Windows 7",
    u"Windows NT Server", u"Windows 2000 Server", u"Windows Server 2003", u"Windows Server 2008"};

struct NumberField {
  int edit;
  int spinner;
  uint32_t tagSETTINGS::*field;
  int low, high;
};
const NumberField kNumbers[] = {
    {IDC_OPT_TIMEOUT, IDC_OPT_TIMEOUT_SPIN, &tagSETTINGS::URLTimeout, 1, 1000},
    {IDC_OPT_SLOW, IDC_OPT_SLOW_SPIN, &tagSETTINGS::SlowTimeout, 1, 1000},
    {IDC_OPT_THREADS, IDC_OPT_THREADS_SPIN, &tagSETTINGS::NumThreads, 1, 50},
    {IDC_OPT_PER_SERVER, IDC_OPT_PER_SERVER_SPIN, &tagSETTINGS::ThreadsPerServer, 1, 50},
};

struct BoxField {
  int id;
  int32_t tagSETTINGS::*field;
};
const BoxField kOptionBoxes[] = {
    {IDC_OPT_AUTOSAVE, &tagSETTINGS::AutosaveWorksheets},
    {IDC_OPT_DISPLAY_ALL, &tagSETTINGS::DisplayAllLinks},
    {IDC_OPT_TOOLTIPS, &tagSETTINGS::DisplayToolTips},
    {IDC_OPT_FINISH_CLOSE, &tagSETTINGS::CloseWhenDone},
    {IDC_OPT_FINISH_DISCONNECT, &tagSETTINGS::DisconnWhenDone},
    {IDC_OPT_FINISH_SHUTDOWN, &tagSETTINGS::ShutdownWhenDone},
};

// The sheet's notification code of a WM_NOTIFY, or 0 for other senders' notifications.
int SheetCode(LPARAM lParam) {
  const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
  return header && header->idFrom == 0 && header->hwndFrom != nullptr
             ? static_cast<int>(header->code)
             : 0;
}

// A number edit: a text that is no unsigned number is out of range. Only digits make one
// (a pasted "12ab", which GetDlgItemInt reads as 12, is refused).
bool ReadNumber(HWND page, int id, uint32_t low, uint32_t high, uint32_t* value) {
  WCHAR text[16] = {};
  const int length = GetDlgItemTextW(page, id, text, 16);
  for (int i = 0; i < length; ++i)
    if (text[i] < u'0' || text[i] > u'9') return false;
  BOOL translated = FALSE;
  *value = GetDlgItemInt(page, id, &translated, FALSE);
  return translated && *value >= low && *value <= high;
}

void GetText(HWND page, int id, char16_t* field, int size) {
  GetDlgItemTextU(page, id, reinterpret_cast<WCHAR*>(field), size);
}
template <int N>
void GetText(HWND page, int id, char16_t (&field)[N]) {
  GetText(page, id, field, N);
}
void SetText(HWND page, int id, const char16_t* text) {
  SetDlgItemTextU(page, id, const_cast<WCHAR*>(reinterpret_cast<const WCHAR*>(text)));
}
void LimitText(HWND page, int id, int units) {
  SendDlgItemMessageW(page, id, EM_LIMITTEXT, units, 0);
}

void AddStrings(HWND combo, const char16_t* const* names, int count) {
  for (int i = 0; i < count; ++i)
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
  WidenComboList(combo);
}

// ---- Options ------------------------------------------------------------------------

const char* ConverterOfEntry(HWND combo, LRESULT index) {
  LRESULT data = SendMessageW(combo, CB_GETITEMDATA, index, 0);
  return index < 0 || data == CB_ERR ? nullptr : reinterpret_cast<const char*>(data);
}

bool SameCharset(const char* a, const char* b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a, static_cast<int>(strnlen(a, 49)), b,
                        static_cast<int>(strnlen(b, 49))) == CSTR_EQUAL;
}

// Selects the first entry whose converter is the stored charset: by name, else the entry
// of the converter that name opens (an alias names no entry), else `fallback`.
void SelectCharset(HWND combo, const char* list, const char16_t* stored, const char* fallback) {
  char name[kCharsetNameMax + 1] = {};
  WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const WCHAR*>(stored), -1, name, kCharsetNameMax,
                      nullptr, nullptr);
  char opened[kCharsetNameMax + 1] = {};
  CharsetConverterName(name, opened, sizeof(opened));
  const char* wanted[] = {name, opened, fallback};
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (const char* target : wanted) {
    const char* match = target == kNoCharset ? kNoCharset : nullptr;
    if (!match && !target[0]) continue;
    // The list's own order decides which entry is first; the combo is sorted.
    for (const char* at = list; at && *at && !match;) {
      const char* converter = at + std::strlen(at) + 1;
      if (SameCharset(converter, target)) match = converter;
      at = converter + std::strlen(converter) + 1;
    }
    for (LRESULT i = 0; match && i < count; ++i)
      if (ConverterOfEntry(combo, i) == match) {
        SendMessageW(combo, CB_SETCURSEL, i, 0);
        return;
      }
  }
}

char* FetchCharsetList() {
  uint32_t size = 0;
  GetCharsetList(nullptr, &size);
  char* list = size ? static_cast<char*>(std::malloc(size)) : nullptr;
  if (list && GetCharsetList(list, &size) != 0) {
    std::free(list);
    list = nullptr;
  }
  return list;
}

void FillCharsetLists(HWND page) {
  HWND charset = GetDlgItem(page, IDC_OPT_CHARSET);
  HWND fallback = GetDlgItem(page, IDC_OPT_DEFCHARSET);
  LRESULT index =
      SendMessageW(charset, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"< Auto-Detect >"));
  SendMessageW(charset, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(kNoCharset));
  char* list = FetchCharsetList();
  if (list && !SetWindowState(page, GWLP_USERDATA, list)) {
    std::free(list);
    list = nullptr;
  }
  for (const char* at = list; at && *at;) {
    const char* converter = at + std::strlen(at) + 1;
    WCHAR display[256] = {};
    MultiByteToWideChar(CP_ACP, 0, at, -1, display, 255);
    for (HWND combo : {charset, fallback}) {
      index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(display));
      SendMessageW(combo, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(converter));
    }
    at = converter + std::strlen(converter) + 1;
  }
  SelectCharset(charset, list, g_settingsWork.CharSet, kNoCharset);
  SelectCharset(fallback, list, g_settingsWork.DefCharSet, "US-ASCII");
  WidenComboList(charset);
  WidenComboList(fallback);
}

// Shows the stored text as it is; an entry is selected only when it is that text.
void ShowAgentText(HWND combo, const char16_t* stored) {
  SendMessageW(combo, CB_LIMITTEXT, 255, 0);
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  LRESULT selected = CB_ERR;
  for (LRESULT i = 0; i < count && selected == CB_ERR; ++i) {
    WCHAR entry[kTextRoom] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < kTextRoom)
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
    if (std::u16string_view(entry) == stored) selected = i;
  }
  SendMessageW(combo, CB_SETCURSEL, selected, 0);
  SetWindowTextU(combo, const_cast<WCHAR*>(reinterpret_cast<const WCHAR*>(stored)));
}

void InitOptions(HWND page) {
  for (const NumberField& n : kNumbers) {
    HWND spinner = GetDlgItem(page, n.spinner);
    // The dialog places the controls in their cells after creating them, which leaves the
    // up-down without width: naming its buddy again places it at the edit's edge.
    SendMessageW(spinner, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(page, n.edit)), 0);
    SendMessageW(spinner, UDM_SETRANGE, 0, MAKELPARAM(n.high, n.low));
    SendMessageW(spinner, UDM_SETPOS, 0, MAKELPARAM(g_settingsWork.*n.field, 0));
  }
  FillCharsetLists(page);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_CHARSET, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_OPT_CHARSET)));
  for (const BoxField& b : kOptionBoxes) SetCheck(page, b.id, g_settingsWork.*b.field);
  HWND agent = GetDlgItem(page, IDC_OPT_AGENT);
  AddStrings(agent, kAgentNames, sizeof(kAgentNames) / sizeof(kAgentNames[0]));
  ShowAgentText(agent, g_settingsWork.AgentType);
  HWND system = GetDlgItem(page, IDC_OPT_SYSTEM);
  AddStrings(system, kSystemNames, sizeof(kSystemNames) / sizeof(kSystemNames[0]));
  ShowAgentText(system, g_settingsWork.AgentOS);
  HWND version = GetDlgItem(page, IDC_OPT_HTTPVER);
  const char16_t* versions[] = {u"1.0", u"1.1"};
  AddStrings(version, versions, 2);
  SendMessageW(version, CB_SETCURSEL, g_settingsWork.HTTPVer, 0);
}

void StoreCharset(HWND page, int id, char16_t (&field)[50]) {
  HWND combo = GetDlgItem(page, id);
  const char* converter = ConverterOfEntry(combo, SendMessageW(combo, CB_GETCURSEL, 0, 0));
  if (!converter) return;
  char16_t name[kCharsetNameMax + 1] = {};
  MultiByteToWideChar(CP_ACP, 0, converter, static_cast<int>(strnlen(converter, kCharsetNameMax)),
                      reinterpret_cast<WCHAR*>(name), kCharsetNameMax);
  SetSettingsText(field, name);
}

INT_PTR ApplyOptions(HWND page) {
  uint32_t values[4] = {};
  for (int i = 0; i < 4; ++i) {
    const NumberField& n = kNumbers[i];
    LRESULT range = SendDlgItemMessageW(page, n.spinner, UDM_GETRANGE, 0, 0);
    if (!ReadNumber(page, n.edit, HIWORD(range), LOWORD(range), &values[i]))
      return RefuseApply(page, n.edit);
  }
  tagSETTINGS& s = g_settingsWork;
  for (int i = 0; i < 4; ++i) s.*kNumbers[i].field = values[i];
  if (WindowState<char*>(page, GWLP_USERDATA)) {
    StoreCharset(page, IDC_OPT_CHARSET, s.CharSet);
    StoreCharset(page, IDC_OPT_DEFCHARSET, s.DefCharSet);
  }
  for (const BoxField& b : kOptionBoxes) s.*b.field = IsCheckedBox(page, b.id);
  GetText(page, IDC_OPT_AGENT, s.AgentType);
  if (!s.AgentType[0]) SetSettingsText(s.AgentType, u"Internet Explorer v6");
  GetText(page, IDC_OPT_SYSTEM, s.AgentOS);
  if (!s.AgentOS[0]) BuildDefaultAgentOS(s.AgentOS);
  LRESULT version = SendDlgItemMessageW(page, IDC_OPT_HTTPVER, CB_GETCURSEL, 0, 0);
  if (version != CB_ERR) s.HTTPVer = static_cast<int32_t>(version);
  return AcceptApply(page);
}

void CharsetChanged(HWND page) {
  HWND combo = GetDlgItem(page, IDC_OPT_CHARSET);
  const char* converter = ConverterOfEntry(combo, SendMessageW(combo, CB_GETCURSEL, 0, 0));
  // A default charset only matters when the charset is detected.
  const BOOL detect = converter && !converter[0];
  for (int id : {IDC_OPT_DEFCHARSET_LABEL, IDC_OPT_DEFCHARSET, IDC_OPT_CHARSET_NOTE})
    EnableWindow(GetDlgItem(page, id), detect);
}

// ---- Connection ---------------------------------------------------------------------

struct ProxyRow {
  int label;
  int32_t tagSETTINGS::*type;
  char16_t (tagSETTINGS::*address)[256];
  uint16_t tagSETTINGS::*port;
};
const ProxyRow kProxyRows[] = {
    {IDC_CON_HTTP_LABEL, &tagSETTINGS::HTTPProxyType, &tagSETTINGS::HTTPProxyAddress,
     &tagSETTINGS::HTTPProxyPort},
    {IDC_CON_HTTPS_LABEL, &tagSETTINGS::HTTPSProxyType, &tagSETTINGS::HTTPSProxyAddress,
     &tagSETTINGS::HTTPSProxyPort},
    {IDC_CON_FTP_LABEL, &tagSETTINGS::FTPProxyType, &tagSETTINGS::FTPProxyAddress,
     &tagSETTINGS::FTPProxyPort},
};
constexpr int kAddress = 1, kPort = 2, kType = 3;  // offsets from a row's label

void EnableRange(HWND page, int first, int last, BOOL enable) {
  for (int id = first; id <= last; ++id) EnableWindow(GetDlgItem(page, id), enable);
}

void UpdateProxyStates(HWND page) {
  const BOOL proxy = IsCheckedBox(page, IDC_CON_PROXY);
  EnableRange(page, IDC_CON_HEAD_PROTOCOL, IDC_CON_HTTP_TYPE, proxy);
  for (int id : {IDC_CON_SAME, IDC_CON_BYPASS, IDC_CON_AUTH})
    EnableWindow(GetDlgItem(page, id), proxy);
  EnableRange(page, IDC_CON_HTTPS_LABEL, IDC_CON_FTP_TYPE,
              proxy && !IsCheckedBox(page, IDC_CON_SAME));
  EnableRange(page, IDC_CON_USER_LABEL, IDC_CON_PASSWORD,
              proxy && IsCheckedBox(page, IDC_CON_AUTH));
}

// Copies one column of the HTTP row (kAddress, kPort or kType) into the other two rows.
void CopyHttpColumn(HWND page, int column) {
  const int from = IDC_CON_HTTP_LABEL + column;
  if (column == kType) {
    const LRESULT index = SendDlgItemMessageW(page, from, CB_GETCURSEL, 0, 0);
    for (int row = 1; row < 3; ++row) {
      HWND types = GetDlgItem(page, kProxyRows[row].label + column);
      // A type the row does not offer (SOCKS5 for FTP) leaves it without a selection.
      const LRESULT count = SendMessageW(types, CB_GETCOUNT, 0, 0);
      SendMessageW(types, CB_SETCURSEL, index < count ? index : -1, 0);
    }
    return;
  }
  char16_t text[kTextRoom] = {};
  GetText(page, from, text);
  for (int row = 1; row < 3; ++row) SetText(page, kProxyRows[row].label + column, text);
}

void InitConnection(HWND page) {
  const tagSETTINGS& s = g_settingsWork;
  for (const ProxyRow& row : kProxyRows) {
    LimitText(page, row.label + kAddress, 255);
    LimitText(page, row.label + kPort, 5);
    SetText(page, row.label + kAddress, s.*row.address);
    SetDlgItemInt(page, row.label + kPort, s.*row.port, FALSE);
    HWND types = GetDlgItem(page, row.label + kType);
    const char16_t* names[] = {u"HTTP", u"SOCKS5"};
    AddStrings(types, names, row.label == IDC_CON_FTP_LABEL ? 1 : 2);
    SendMessageW(types, CB_SETCURSEL, s.*row.type - 1, 0);
  }
  LimitText(page, IDC_CON_USER, 255);
  LimitText(page, IDC_CON_PASSWORD, 255);
  SetText(page, IDC_CON_USER, s.ProxyUserName);
  SetText(page, IDC_CON_PASSWORD, s.ProxyPassword);
  SetCheck(page, IDC_CON_PROXY, s.UseProxy);
  SetCheck(page, IDC_CON_BYPASS, s.ProxyBypassLocal);
  SetCheck(page, IDC_CON_AUTH, s.ProxyUseAuth);
  const bool same =
      CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE,
                     reinterpret_cast<const WCHAR*>(s.HTTPProxyAddress), -1,
                     reinterpret_cast<const WCHAR*>(s.HTTPSProxyAddress), -1) == CSTR_EQUAL &&
      CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE,
                     reinterpret_cast<const WCHAR*>(s.HTTPProxyAddress), -1,
                     reinterpret_cast<const WCHAR*>(s.FTPProxyAddress), -1) == CSTR_EQUAL &&
      s.HTTPProxyPort == s.HTTPSProxyPort && s.HTTPProxyType == s.HTTPSProxyType;
  SetCheck(page, IDC_CON_SAME, same);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_CON_PROXY, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_CON_PROXY)));
}

void ConnectionCommand(HWND page, int id, int code) {
  switch (id) {
    case IDC_CON_PROXY:
    case IDC_CON_AUTH:
      UpdateProxyStates(page);
      break;
    case IDC_CON_SAME:
      UpdateProxyStates(page);
      if (IsCheckedBox(page, IDC_CON_SAME))
        for (int column : {kAddress, kPort, kType}) CopyHttpColumn(page, column);
      break;
    default:
      if (!IsCheckedBox(page, IDC_CON_SAME)) break;
      if ((id == IDC_CON_HTTP_ADDRESS || id == IDC_CON_HTTP_PORT) && code == EN_CHANGE)
        CopyHttpColumn(page, id - IDC_CON_HTTP_LABEL);
      else if (id == IDC_CON_HTTP_TYPE && code == CBN_SELCHANGE)
        CopyHttpColumn(page, kType);
      break;
  }
}

INT_PTR ApplyConnection(HWND page) {
  uint32_t ports[3] = {};
  const bool proxy = IsCheckedBox(page, IDC_CON_PROXY);
  for (int i = 0; i < 3; ++i) {
    const int edit = kProxyRows[i].label + kPort;
    // A disabled edit cannot take the focus: its row is fixed through the proxy box or the
    // HTTP row it copies.
    if (!ReadNumber(page, edit, 0, 65535, &ports[i]))
      return RefuseApply(page, !proxy                                    ? IDC_CON_PROXY
                               : IsWindowEnabled(GetDlgItem(page, edit)) ? edit
                                                                         : IDC_CON_HTTP_PORT);
  }
  tagSETTINGS& s = g_settingsWork;
  s.UseProxy = proxy;
  for (int i = 0; i < 3; ++i) {
    const ProxyRow& row = kProxyRows[i];
    GetText(page, row.label + kAddress, s.*row.address);
    s.*row.port = static_cast<uint16_t>(ports[i]);
    LRESULT type = SendDlgItemMessageW(page, row.label + kType, CB_GETCURSEL, 0, 0);
    // No selection (an FTP row told to copy SOCKS5) stores the type loading would give.
    s.*row.type = type == CB_ERR ? 1 : static_cast<int32_t>(type) + 1;
  }
  s.ProxyBypassLocal = IsCheckedBox(page, IDC_CON_BYPASS);
  s.ProxyUseAuth = IsCheckedBox(page, IDC_CON_AUTH);
  GetText(page, IDC_CON_USER, s.ProxyUserName);
  GetText(page, IDC_CON_PASSWORD, s.ProxyPassword);
  return AcceptApply(page);
}

// ---- HTTP Options -------------------------------------------------------------------

struct TextField {
  int id;
  char16_t (tagSETTINGS::*field)[256];
};
const TextField kHttpTexts[] = {
    {IDC_HTTP_CODES, &tagSETTINGS::HTTPCodes},
    {IDC_HTTP_EXT_FIRST_LABEL + 1, &tagSETTINGS::ExtApp},
    {IDC_HTTP_EXT_FIRST_LABEL + 3, &tagSETTINGS::ExtAudio},
    {IDC_HTTP_EXT_FIRST_LABEL + 5, &tagSETTINGS::ExtHTML},
    {IDC_HTTP_EXT_FIRST_LABEL + 7, &tagSETTINGS::ExtImage},
    {IDC_HTTP_EXT_FIRST_LABEL + 9, &tagSETTINGS::ExtText},
    {IDC_HTTP_EXT_FIRST_LABEL + 11, &tagSETTINGS::ExtVideo},
};

INT_PTR ApplyHttpOptions(HWND page) {
  for (const TextField& t : kHttpTexts) GetText(page, t.id, g_settingsWork.*t.field);
  return AcceptApply(page);
}

}  // namespace

void SetCheck(HWND page, int id, int on) {
  CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED);
}

int IsCheckedBox(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

INT_PTR AcceptApply(HWND page) {
  SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
  return TRUE;
}

INT_PTR SheetNotice(HWND page, LPARAM lParam, INT_PTR (*apply)(HWND), const char16_t* topic) {
  switch (SheetCode(lParam)) {
    case XPSN_APPLY:
      return apply ? apply(page) : AcceptApply(page);
    case XPSN_HELP:
      ShowPageHelp(topic);
      return TRUE;
  }
  return FALSE;
}

void ShowPageHelp(const char16_t* topic) {
  ShowHelp(g_frame, reinterpret_cast<const WCHAR*>(topic), 0, 0);
}

INT_PTR CALLBACK OptionsDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitOptions(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_OPT_CHARSET && HIWORD(wParam) == CBN_SELCHANGE)
        CharsetChanged(page);
      return TRUE;
    case WM_NOTIFY:
      return SheetNotice(page, lParam, ApplyOptions, u"::/html/settings.htm#options");
    case WM_DESTROY:
      std::free(WindowState<char*>(page, GWLP_USERDATA));
      ClearWindowState(page, GWLP_USERDATA);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK ConnectionDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitConnection(page);
      return TRUE;
    case WM_COMMAND:
      ConnectionCommand(page, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      return SheetNotice(page, lParam, ApplyConnection, u"::/html/settings.htm#connection");
  }
  return FALSE;
}

INT_PTR CALLBACK HTTPOptionsDlgProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      for (const TextField& t : kHttpTexts) {
        LimitText(page, t.id, 255);
        SetText(page, t.id, g_settingsWork.*t.field);
      }
      return TRUE;
    case WM_NOTIFY:
      return SheetNotice(page, lParam, ApplyHttpOptions, u"::/html/settings.htm#httpoptions");
  }
  return FALSE;
}
