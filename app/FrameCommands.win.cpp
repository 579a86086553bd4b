// The frame's commands: worksheets, settings pages, languages, help, web pages, window
// arrangement and closing; every other command goes to the active worksheet.
#include <windows.h>

#include <htmlhelp.h>

#include "app/FileDialogs.h"
#include "app/Frame.h"
#include "app/Language.h"
#include "app/OpenLink.h"
#include "app/Settings.h"
#include "app/SettingsDialog.h"
#include "app/Startup.h"
#include "app/UpdateCheck.h"
#include "app/WebAddresses.h"
#include "app/Worksheet.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"
#include "toolkit/Languages.h"

int (*g_runSettingsDialog)(HWND, int) = RunSettingsDialog;

namespace {

void OpenWorksheetFile(HWND frame) {
  char16_t path[FILE_DIALOG_PATH_SIZE];
  if (!ShowOpenDialog(frame, u"", 0, path, FILE_DIALOG_PATH_SIZE)) return;
  if (HWND worksheet = CreateWorksheet()) {
    SendMessageW(worksheet, WM_WORKSHEET_OPEN, 0, reinterpret_cast<LPARAM>(path));
  }
}

void OpenWebPage(HWND frame, const char16_t* address) {
  StartOpenLink(frame, address, SW_SHOWMAXIMIZED, LanguageText(STR_Msg_AccessWeb));
}

// Without its file the help viewer would show nothing at all.
void OpenHelp(HWND frame, const char16_t* fileOrTopic) {
  if (!FileExists(g_helpFile)) {
    finderstruct.AnimatedMessageBox(frame, LanguageText(STR_Msg_NoHelpFile), u"Tessaline Lite",
                                    MB_ICONERROR, g_helpFile);
    return;
  }
  ShowHelp(frame, fileOrTopic, HH_DISPLAY_TOC, 0);
}

void CloseActiveWorksheet(HWND frame) {
  HWND worksheet = ActiveWorksheet();
  if (!worksheet) return;
  tagWORKSHEETSTATE state = {};
  g_worksheetCalls.ReadState(worksheet, &state);
  if (BlocksClosing(state.RunState)) {
    ShowCloseRefusal(frame);
    return;
  }
  SendMessageW(worksheet, WM_CLOSE, 0, 0);
}

void CloseAllWorksheets(HWND frame) {
  if (AnyWorksheetBlocksClosing()) {
    ShowCloseRefusal(frame);
    return;
  }
  for (HWND worksheet : ListWorksheets()) SendMessageW(worksheet, WM_CLOSE, 0, 0);
}

void ChangeToLanguage(HWND frame, int index) {
  if (!finderstruct.BitArrayOp(g_languageBits, BITARRAY_TEST, index)) return;
  ChangeLanguage(frame, index, &g_restart);
}

}  // namespace

void RunSettingsPage(HWND frame, int page) {
  if (g_runSettingsDialog(frame, page) == 1) {
    SaveSettings();
    const std::vector<HWND> worksheets = ListWorksheets();
    for (HWND worksheet : worksheets) g_worksheetCalls.ApplyAutosaveSetting(worksheet);
    for (HWND worksheet : worksheets) {
      g_worksheetCalls.RefreshListTooltips(GetDlgItem(worksheet, WORKSHEET_LINKS_LIST));
    }
  }
  if (g_restart) SendMessageW(frame, WM_CLOSE, 0, 0);
}

int HandleFrameCommand(HWND frame, WPARAM wParam, LPARAM lParam) {
  const int command = LOWORD(wParam);
  switch (command) {
    case 1100:
      if (HWND worksheet = CreateWorksheet()) SendMessageW(worksheet, WM_WORKSHEET_NEW, 0, 0);
      return 1;
    case 1101:
      OpenWorksheetFile(frame);
      return 1;
    case 1105:
      SendMessageW(frame, WM_CLOSE, 0, 0);
      return 1;
    case 1106:
    case 1107:
    case 1108:
    case 1109:
      RunSettingsPage(frame, command - 1106);
      return 1;
    case 1118:
      RunSettingsPage(frame, 4);
      return 1;
    case 1110:
      OpenWebPage(frame, kMoreLanguagesPage);
      return 1;
    case 1114:
      OpenWebPage(frame, kFaqPage);
      return 1;
    case 1117:
      OpenWebPage(frame, kMakerHomePage);
      return 1;
    case 1111:
      OpenHelp(frame, g_helpFile);
      return 1;
    case 1115:
      OpenHelp(frame, u"::/viewhlp/general.htm");
      return 1;
    case 1116:
      StartCheckForUpdate();
      return 1;
    case 1134:
      SendMessageW(g_mdiClient, WM_MDICASCADE, 0, 0);
      return 1;
    case 1135:
      SendMessageW(g_mdiClient, WM_MDITILE, MDITILE_HORIZONTAL, 0);
      return 1;
    case 1136:
      SendMessageW(g_mdiClient, WM_MDITILE, MDITILE_VERTICAL, 0);
      return 1;
    case 1137:
    case 1138:
      SendMessageW(g_mdiClient, WM_MDINEXT, 0, command == 1138 ? 1 : 0);
      return 1;
    case 1139:
      SendMessageW(g_mdiClient, WM_MDIICONARRANGE, 0, 0);
      return 1;
    case 1140:
      CloseActiveWorksheet(frame);
      return 1;
    case 1141:
      CloseAllWorksheets(frame);
      return 1;
  }
  if (command >= LANGUAGE_COMMAND_FIRST && command < LANGUAGE_COMMAND_FIRST + LANGUAGE_COUNT) {
    ChangeToLanguage(frame, command - LANGUAGE_COMMAND_FIRST);
    return 1;
  }
  if (HWND worksheet = ActiveWorksheet()) SendMessageW(worksheet, WM_COMMAND, wParam, lParam);
  return 0;
}
