// A worksheet's commands, notifications and list context menus. Stop and Pause only ask
// the engine; nothing here waits for a run.
#include <windows.h>

#include <commctrl.h>

#include <string_view>

#include "app/Frame.h"
#include "app/LinkListDialog.h"
#include "app/ListColumn.h"
#include "app/OpenLink.h"
#include "app/Settings.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "app/WebAddresses.h"
#include "app/Worksheet.h"
#include "app/WorksheetFiles.h"
#include "engine/ControlWrappers.h"
#include "engine/LinkFinder.h"
#include "engine/ResultRows.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"

namespace {

constexpr int kItemText = 2048;

bool IsPaused(const tagWORKSHEETDATA* data) {
  return data->Finder && !data->Running && data->Finder->IsPaused();
}
bool IsIdle(const tagWORKSHEETDATA* data) {
  return data->Finder && !data->Running && data->Finder->IsStopped() && !data->Finder->IsPaused();
}

void SetDescription(HWND window, const char16_t* text) {
  SetDlgItemTextW(window, WORKSHEET_DESCRIPTION, text ? text : u"");
}

void StartTimer(HWND window) { SetTimer(window, WORKSHEET_PROGRESS_TIMER, 1000, nullptr); }

// Page and Position follow the links list's other columns only while all links are shown.
// Columns that are already as they would be made again are kept: dropping and inserting a
// column draws the header and the list again.
void ResetExtraColumns(HWND window, CLinkFinder* finder) {
  HWND links = GetDlgItem(window, WORKSHEET_LINKS_LIST);
  const int* widths = finder->GetWindowSettings()->ColWidth;
  const int columns = ListColumnCount(links);
  auto keeps = [&](int column) {
    return SendMessageW(links, LVM_GETCOLUMNWIDTH, column, 0) == (widths[column] & 0xFFFF);
  };
  if (g_settings.DisplayAllLinks
          ? columns == LINK_COLUMNS_ALL && keeps(LINKCOL_PAGE) && keeps(LINKCOL_POSITION)
          : columns == LINK_COLUMNS)
    return;
  SendMessageW(links, LVM_DELETECOLUMN, LINKCOL_POSITION, 0);
  SendMessageW(links, LVM_DELETECOLUMN, LINKCOL_PAGE, 0);
  if (!g_settings.DisplayAllLinks) return;
  const int captions[] = {STR_Column_Page, STR_Column_Position};
  for (int i = 0; i < 2; ++i) {
    InsertListColumn(links, LINKCOL_PAGE + i, widths[LINKCOL_PAGE + i] & 0xFFFF,
                     LanguageText(captions[i]));
  }
}

void StartOrResume(HWND window, tagWORKSHEETDATA* data) {
  if (IsPaused(data)) {
    if (data->Finder->ResumeFinder()) {
      data->Running = 1;
      StartTimer(window);
    }
    UpdateWorksheetStates(window);
    return;
  }
  if (!IsIdle(data)) return;
  StoreWindowSettings(window, data);
  tagSITESETTINGS site = *data->Finder->GetSettings();
  char16_t url[256];
  if (!ReadSitePanel(GetDlgItem(window, WORKSHEET_SITE_PANEL), url, 256, &site, 0)) return;
  ResetExtraColumns(window, data->Finder);
  data->Finder->SetSettings(url, &site, g_settings.DisplayAllLinks);
  // The caption names the new address whether the start succeeds or not; set before the
  // workers start, it does not compete with them for the window system.
  SetWorksheetCaption(window, data);
  data->Running = 1;
  if (!data->Finder->StartFinder()) data->Running = 0;
  UpdateWorksheetStates(window);
  // Disabling the site panel took the focus from the URL box (Wine leaves no focus, so
  // keys arrive as system keys); the worksheet keeps the keyboard, as after a pause.
  HWND focus = GetFocus();
  if (!focus || !IsWindowEnabled(focus)) SetFocus(window);
  if (data->Running) StartTimer(window);
}

void Stop(HWND window, tagWORKSHEETDATA* data) {
  if (!data->Finder) return;
  if (data->Finder->StopFinder()) data->StopPending = 1;
  UpdateWorksheetStates(window);
}

void Pause(HWND window, tagWORKSHEETDATA* data) {
  if (!data->Finder) return;
  if (data->Finder->SuspendFinder()) data->StopPending = 1;
  UpdateWorksheetStates(window);
  SetFocus(window);
}

void SetView(HWND window, tagWORKSHEETDATA* data, int view) {
  if ((data->View == 1) != (view == 1)) {
    data->View = view;
    LayOutWorksheet(window, data);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    UpdateWorksheetStates(window);
  }
  g_settings.PrefView = view;
}

// The selected row's text of a column, empty without a selection.
bool SelectedText(HWND window, int listId, int column, char16_t* text, int size) {
  text[0] = 0;
  HWND list = GetDlgItem(window, listId);
  const int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  if (row < 0) return false;
  ListView_GetItemTextU(list, row, column, text, size);
  return true;
}

void CopySelected(HWND window, int listId, int column, int size) {
  char16_t text[kItemText];
  if (SelectedText(window, listId, column, text, size)) CopyTextToClipboard(window, text);
}

void OpenSelected(HWND window, int listId, int column) {
  char16_t text[kItemText];
  if (SelectedText(window, listId, column, text, kItemText)) {
    StartOpenLink(window, text, SW_SHOWMAXIMIZED, LanguageText(STR_Msg_AccessWeb));
  }
}

void ShowLinkList(HWND window, tagWORKSHEETDATA* data, int direction) {
  char16_t url[kItemText];
  if (!data->Finder || !SelectedText(window, WORKSHEET_LINKS_LIST, LINKCOL_LINK, url, kItemText))
    return;
  const LINKLISTREQUEST request = {direction, url, data->Finder};
  RunLinkListDialog(window, &request);
}

void CopyItemText(HWND window) {
  char16_t text[kItemText];
  if (!SelectedText(window, WORKSHEET_BROKEN_LIST, 0, text, kItemText)) return;
  char16_t expanded[kItemText];
  ExpandItemText(text, expanded, kItemText);
  CopyTextToClipboard(window, expanded);
}

bool IsFocusCode(WORD code) { return code == 3 || code == 6 || code == 256; }

}  // namespace

int ExpandItemText(const WCHAR* text, WCHAR* out, int size) {
  if (size <= 0) return 0;
  int length = 0;
  for (const WCHAR* at = text; *at; ++at) {
    if (*at == 8 || *at == 12) continue;
    const int need = *at == u'\n' ? 2 : 1;
    if (length + need > size - 1) break;
    if (*at == u'\n') out[length++] = u'\r';
    out[length++] = *at;
  }
  out[length] = 0;
  return length;
}

void SetWorksheetCaption(HWND worksheet, const tagWORKSHEETDATA* data) {
  if (!data->Finder) return;
  char16_t caption[2400];
  if (data->UserFile[0]) {
    FormatStringW(caption, 2400, u"%s %s - %s", LanguageText(STR_Msg_MainTitle),
                  data->Finder->SiteURL(), data->UserFile);
  } else {
    FormatStringW(caption, 2400, u"%s %s", LanguageText(STR_Msg_MainTitle),
                  data->Finder->SiteURL());
  }
  // A maximised worksheet's caption is the frame's too, and setting it draws the frame
  // again: the same caption is left as it is.
  char16_t shown[2400];
  if (GetWindowTextW(worksheet, shown, 2400) > 0 && std::u16string_view(shown) == caption) return;
  SetWindowTextW(worksheet, caption);
}

void WorksheetCommand(HWND window, tagWORKSHEETDATA* data, WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const WORD code = HIWORD(wParam);
  if (lParam && id != WORKSHEET_DESCRIPTION && id != WORKSHEET_TABS && IsFocusCode(code)) {
    SetDescription(window, nullptr);
  }
  HWND panel = GetDlgItem(window, WORKSHEET_SITE_PANEL);
  switch (id) {
    case 1102:
    case 1103:
      SaveWorksheet(window, data, id == 1103);
      break;
    case 1119:
    case 1122:
      ExportWorksheet(window, data, id);
      break;
    case 1123:
      ShowSiteUrlList(panel, !IsSiteUrlDropped(panel));
      break;
    case 1124:
      StartOrResume(window, data);
      break;
    case 1125:
      Stop(window, data);
      break;
    case 1126:
    case 1127:
      if (IsSiteUrlDropped(panel))
        ShowSiteUrlList(panel, 0);
      else if (id == 1126)
        StartOrResume(window, data);
      else
        Stop(window, data);
      break;
    case 1128:
      Pause(window, data);
      break;
    case 1132:
      SetView(window, data, 1);
      break;
    case 1133:
      SetView(window, data, 0);
      break;
    case WORKSHEET_BANNER:
      if (code == BN_CLICKED) {
        StartOpenLink(window, kProductHomePage, SW_SHOWNORMAL, LanguageText(STR_Msg_AccessWeb));
      }
      break;
    case WORKSHEET_START_STOP:
      if (code != BN_CLICKED) break;
      if (IsPaused(data) || IsIdle(data))
        StartOrResume(window, data);
      else
        Stop(window, data);
      break;
    case 2900:
      CopySelected(window, WORKSHEET_LINKS_LIST, LINKCOL_LINK, kItemText);
      break;
    case 2901:
      OpenSelected(window, WORKSHEET_LINKS_LIST, LINKCOL_LINK);
      break;
    case 2902:
    case 2903:
      ShowLinkList(window, data, id == 2902 ? 1 : 0);
      break;
    case 2908:
    case 2909:
      CopySelected(window, WORKSHEET_BROKEN_LIST, id - 2907, 1024);
      break;
    case 2910:
      CopyItemText(window);
      break;
    case 2911:
    case 2912:
      OpenSelected(window, WORKSHEET_BROKEN_LIST, id - 2910);
      break;
  }
}

LRESULT WorksheetNotify(HWND window, tagWORKSHEETDATA* data, NMHDR* header) {
  const int id = static_cast<int>(header->idFrom);
  if (id == WORKSHEET_SITE_PANEL && header->code == SFN_HELPTEXT) {
    SetDescription(window, reinterpret_cast<NMSITEPANEL*>(header)->text);
  } else if (id == WORKSHEET_SITE_PANEL && header->code == SFN_RECENTCHANGED) {
    SaveSettings();
    for (HWND worksheet : ListWorksheets()) SendMessageW(worksheet, WM_WORKSHEET_RECENT, 0, 0);
  } else if (header->code == NM_SETFOCUS && id == WORKSHEET_LINKS_LIST) {
    SetDescription(window, LanguageText(STR_SiteDescr_Found));
  } else if (header->code == NM_SETFOCUS && id == WORKSHEET_BROKEN_LIST) {
    SetDescription(window, LanguageText(STR_SiteDescr_Broken));
  } else if (header->code == static_cast<UINT>(TCN_SELCHANGE) && id == WORKSHEET_TABS) {
    data->Tab = SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0) == 0 ? 0 : 2;
    LayOutWorksheet(window, data);
    if (!IsIconic(window)) {
      SetDescription(window,
                     LanguageText(data->Tab == 0 ? STR_SiteDescr_Found : STR_SiteDescr_Broken));
    }
  } else if (header->code == static_cast<UINT>(LVN_INSERTITEM) && id == WORKSHEET_BROKEN_LIST) {
    NoteBrokenRow(window, data, reinterpret_cast<NMLISTVIEW*>(header)->iItem);
  } else if (header->code == static_cast<UINT>(LVN_DELETEALLITEMS) && id == WORKSHEET_BROKEN_LIST) {
    RECT client = {};
    GetClientRect(header->hwndFrom, &client);
    SendMessageW(header->hwndFrom, LVM_SETCOLUMNWIDTH, 0, client.right);
    data->MinBrokenColWidth = 0;
  }
  return 0;
}

void WorksheetContextMenu(HWND worksheet, HWND list, LPARAM screenPoint) {
  const int id = GetDlgCtrlID(list);
  if (GetParent(list) != worksheet || (id != WORKSHEET_LINKS_LIST && id != WORKSHEET_BROKEN_LIST)) {
    return;
  }
  const bool selected = SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED) >= 0;
  const UINT grey = selected ? MF_STRING : MF_STRING | MF_GRAYED;
  HMENU menu = CreatePopupMenu();
  if (id == WORKSHEET_LINKS_LIST) {
    AppendMenuW(menu, grey, 2900, LanguageText(STR_Msg_CopyLink));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, grey, 2901, LanguageText(STR_Msg_OpenLink));
    if (selected) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, 2902, LanguageText(STR_Msg_ViewLinksIn));
      AppendMenuW(menu, MF_STRING, 2903, LanguageText(STR_Msg_ViewLinksOut));
    }
  } else {
    AppendMenuW(menu, grey, 2908, LanguageText(STR_Msg_CopyLink));
    AppendMenuW(menu, grey, 2909, LanguageText(STR_Msg_CopyBrokenLink));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, grey, 2910, LanguageText(STR_Msg_CopyItemText));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, grey, 2911, LanguageText(STR_Msg_OpenLink));
    AppendMenuW(menu, grey, 2912, LanguageText(STR_Msg_OpenBrokenLink));
  }
  POINT at = {static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
  if (screenPoint == -1) GetCursorPos(&at);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, worksheet, nullptr);
  DestroyMenu(menu);
}
