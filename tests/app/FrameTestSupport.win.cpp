#include "tests/app/FrameTestSupport.h"

#include <commctrl.h>

#include <cstdlib>

#include "app/Frame.h"
#include "app/Language.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/Worksheet.h"
#include "engine/TextCopy.h"
#include "tests/support/TempFolder.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Languages.h"

HMENU BuildTestMenu(int kind, int popup, HMENU* windowMenu) {
  char16_t* text = nullptr;
  const int length = BuildMenuText(&text, kind);
  HMENU menu = finderstruct.CreateXmlMenu(text, length, nullptr);
  free(text);
  *windowMenu = GetSubMenu(menu, popup);
  return menu;
}

bool PrepareFrameClasses(WNDPROC worksheetProc) {
  g_instance = GetModuleHandleW(nullptr);
  DllInit();
  InitCommonControls();
  if (!LoadStringTable(nullptr)) return false;
  g_frameMenu = BuildTestMenu(MENU_FRAME, 2, &g_frameWindowMenu);
  g_worksheetMenu = BuildTestMenu(MENU_WORKSHEET, 5, &g_worksheetWindowMenu);
  WNDCLASSEXW frame = {};
  frame.cbSize = sizeof(frame);
  frame.hInstance = g_instance;
  frame.lpfnWndProc = FrameWndProc;
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  frame.lpszClassName = TEST_FRAME_CLASS;
  RegisterClassExW(&frame);
  WNDCLASSEXW worksheet = frame;
  worksheet.lpfnWndProc = worksheetProc;
  worksheet.cbWndExtra = sizeof(LONG_PTR);
  worksheet.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  worksheet.lpszClassName = WORKSHEET_CLASS;
  RegisterClassExW(&worksheet);
  return true;
}

void DestroyTestFrame(HWND frame) {
  if (!IsWindow(frame)) return;
  SetMenu(frame, nullptr);
  DestroyWindow(frame);
}

std::string UseTemporarySettings(const char* prefix) {
  const std::string unixFolder = MakeTempFolder(prefix);
  const std::u16string folder = DosPath(unixFolder);
  CopyField(g_documentsFolder, folder.c_str());
  CopyField(g_settingsFile, (folder + u"\\settings.ini").c_str());
  CopyField(g_autosaveFolder, (folder + u"\\AutoSave").c_str());
  LoadSettings();
  return unixFolder;
}
