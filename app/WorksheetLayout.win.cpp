// Where a worksheet's children go: the left column of banner, site panel, description and
// button; on the right both lists framed (view 1) or the tabs with one list (view 0), over
// the band the progress graphic paints.
#include <windows.h>

#include <commctrl.h>

#include "app/Startup.h"
#include "app/WindowPlacement.h"
#include "app/Worksheet.h"
#include "toolkit/Win32Holders.h"

namespace {

void Place(HWND window, int id, int x, int y, int cx, int cy) {
  HWND child = GetDlgItem(window, id);
  if (!child) return;
  MoveWindow(child, x, y, cx > 0 ? cx : 0, cy > 0 ? cy : 0, TRUE);
  ShowWindow(child, SW_SHOWNA);
}

}  // namespace

int SitePanelWidth(HWND window) {
  NormalPlacement panel;
  HWND child = GetDlgItem(window, WORKSHEET_SITE_PANEL);
  return child && GetNormalPlacement(child, &panel) ? panel.cx : 0;
}

int WorksheetCharHeight(HWND window, HFONT font) {
  const WindowDc dc(window);
  const SelectedObject selected(dc.get(), font);
  SIZE size = {};
  GetTextExtentPoint32W(dc.get(), u"0", 1, &size);
  return size.cy;
}

void LayOutWorksheet(HWND window, tagWORKSHEETDATA* data) {
  RECT client = {};
  GetClientRect(window, &client);
  const int width = client.right;
  const int height = client.bottom;
  const int panelWidth = SitePanelWidth(window);
  const int chr = WorksheetCharHeight(window, data->Font);
  const int frameY = GetSystemMetrics(SM_CYFRAME);
  const int frameX = GetSystemMetrics(SM_CXFRAME);
  const int descriptionHeight = 4 * chr + 2 * frameY;
  const int buttonHeight = chr + 2 * frameY;

  const int buttonTop = height - buttonHeight;
  const int descriptionTop = buttonTop - descriptionHeight;
  Place(window, WORKSHEET_BANNER, 0, 0, panelWidth, WORKSHEET_BANNER_HEIGHT);
  Place(window, WORKSHEET_SITE_PANEL, 0, WORKSHEET_BANNER_HEIGHT, panelWidth,
        descriptionTop - WORKSHEET_BANNER_HEIGHT);
  Place(window, WORKSHEET_DESCRIPTION, 0, descriptionTop, panelWidth, descriptionHeight);
  Place(window, WORKSHEET_START_STOP, 0, buttonTop, panelWidth, buttonHeight);

  if (data->View == 1) {
    const int q = (height - WORKSHEET_PROGRESS_HEIGHT) / 10;
    ShowWindow(GetDlgItem(window, WORKSHEET_TABS), SW_HIDE);
    Place(window, WORKSHEET_LINKS_LIST, panelWidth + 5, chr + 5, width - panelWidth - 10,
          5 * q - chr - 5);
    const int brokenTop = chr + 5 * q + 5;
    Place(window, WORKSHEET_BROKEN_LIST, panelWidth + 5, brokenTop, width - panelWidth - 10,
          height - WORKSHEET_PROGRESS_HEIGHT - brokenTop);
  } else {
    HWND tabs = GetDlgItem(window, WORKSHEET_TABS);
    Place(window, WORKSHEET_TABS, panelWidth + 5, 5, width - panelWidth - 10, height - 70);
    RECT item = {};
    const int tabBottom =
        SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)) ? item.bottom : 20;
    const int shown = data->Tab == 2 ? WORKSHEET_BROKEN_LIST : WORKSHEET_LINKS_LIST;
    const int hidden = data->Tab == 2 ? WORKSHEET_LINKS_LIST : WORKSHEET_BROKEN_LIST;
    ShowWindow(GetDlgItem(window, hidden), SW_HIDE);
    Place(window, shown, panelWidth + 10, tabBottom + 10, width - panelWidth - 20,
          height - tabBottom - 80);
    SetWindowPos(GetDlgItem(window, shown), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  HWND broken = GetDlgItem(window, WORKSHEET_BROKEN_LIST);
  int column = width - 2 * frameX - 290;
  if (column < data->MinBrokenColWidth) column = data->MinBrokenColWidth;
  if (SendMessageW(broken, LVM_GETCOLUMNWIDTH, 0, 0) != column) {
    SendMessageW(broken, LVM_SETCOLUMNWIDTH, 0, column);
  }
  data->MinTrackX = panelWidth + 2 * frameX + 60;
  data->MinTrackY = WORKSHEET_BANNER_HEIGHT + GetSystemMetrics(SM_CYCAPTION) + buttonHeight +
                    2 * frameY + descriptionHeight;
  g_worksheetCalls.RefreshListTooltips(GetDlgItem(window, WORKSHEET_LINKS_LIST));
  g_worksheetCalls.RefreshListTooltips(broken);
}

// Called after DefMDIChildProcW has filled the maximised size and place: only the minimum
// is raised, so that a maximised worksheet still fills the MDI client.
void GetWorksheetMinMax(const tagWORKSHEETDATA* data, MINMAXINFO* info) {
  if (info->ptMinTrackSize.x < data->MinTrackX) info->ptMinTrackSize.x = data->MinTrackX;
  if (info->ptMinTrackSize.y < data->MinTrackY) info->ptMinTrackSize.y = data->MinTrackY;
  if (info->ptMaxTrackSize.x < data->MinTrackX) info->ptMaxTrackSize.x = data->MinTrackX;
  if (info->ptMaxTrackSize.y < data->MinTrackY) info->ptMaxTrackSize.y = data->MinTrackY;
}
