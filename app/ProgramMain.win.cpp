// The program's life: start-up in a fixed order, the message loop, and shutdown in a fixed
// order from whichever step start-up reached.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include "app/Language.h"
#include "app/ProcessLocale.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/SystemActions.h"
#include "app/Worksheet.h"
#include "net/Cookies.h"
#include "net/NetService.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Format.h"

namespace {

// The sockets of this program are the C library's, used on the library side. An import of
// Winsock would put its exports in the place of those calls throughout the program (same
// names, another calling convention), so the start-up's Winsock check loads it by name.
HMODULE g_winsock = nullptr;

int StartWinsock(WORD version, WSADATA* data) {
  if (!g_winsock) g_winsock = LoadLibraryW(u"ws2_32.dll");
  auto start = reinterpret_cast<int(WINAPI*)(WORD, WSADATA*)>(
      g_winsock ? reinterpret_cast<void*>(GetProcAddress(g_winsock, "WSAStartup")) : nullptr);
  return start ? start(version, data) : WSASYSNOTREADY;
}

void StopWinsock() {
  auto stop = reinterpret_cast<int(WINAPI*)()>(
      g_winsock ? reinterpret_cast<void*>(GetProcAddress(g_winsock, "WSACleanup")) : nullptr);
  if (stop) stop();
}

constexpr char16_t kCaption[] = u"Tessaline Lite";
constexpr char16_t kFrameClass[] = u"Tessaline_Lite_MDI_Class";

// Where shutdown begins.
enum ShutdownStep { SHUTDOWN_MENUS = 1, SHUTDOWN_HELP = 2 };

void SetProgramFolder() {
  GetModuleFileNameW(g_instance, g_programFolder, SETTINGS_PATH_SIZE);
  WCHAR* slash = nullptr;
  for (WCHAR* at = g_programFolder; *at; ++at) {
    if (*at == u'\\') slash = at;
  }
  if (slash) *slash = 0;
  FormatStringW(g_helpFile, SETTINGS_PATH_SIZE, u"%s\\tessaline.chm", g_programFolder);
}

void ShowError(int slot) {
  finderstruct.AnimatedMessageBox(nullptr, LanguageText(slot), kCaption, MB_ICONERROR);
}

void RegisterClasses() {
  WNDCLASSEXW frame = {};
  frame.cbSize = sizeof(frame);
  frame.style = CS_HREDRAW | CS_VREDRAW;
  frame.hInstance = g_instance;
  frame.hIcon =
      static_cast<HICON>(LoadImageW(g_instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  frame.hIconSm =
      static_cast<HICON>(LoadImageW(g_instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
  frame.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  WNDCLASSEXW worksheet = frame;
  frame.lpfnWndProc = FrameWndProc;
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  frame.lpszClassName = kFrameClass;
  RegisterClassExW(&frame);
  worksheet.lpfnWndProc = WorksheetWndProc;
  // The worksheet's data pointer lives in the window's extra bytes.
  worksheet.cbWndExtra = sizeof(LONG_PTR);
  worksheet.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  worksheet.lpszClassName = WORKSHEET_CLASS;
  RegisterClassExW(&worksheet);
}

HMENU BuildMenu(int kind, int popup, HMENU* windowMenu) {
  char16_t* text = nullptr;
  const int length = BuildMenuText(&text, kind);
  if (!text) return nullptr;
  HMENU menu = finderstruct.CreateXmlMenu(text, length, nullptr);
  free(text);
  *windowMenu = menu ? GetSubMenu(menu, popup) : nullptr;
  return menu;
}

HWND CreateFrame() {
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x =
      g_settings.MainWndX == CW_USEDEFAULT ? CW_USEDEFAULT : g_settings.MainWndX + work.left;
  const int y =
      g_settings.MainWndY == CW_USEDEFAULT ? CW_USEDEFAULT : g_settings.MainWndY + work.top;
  return CreateWindowExW(0, kFrameClass, kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y,
                         g_settings.MainWndCX, g_settings.MainWndCY, nullptr, g_frameMenu,
                         g_instance, nullptr);
}

void RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchProgramMessage(&message);
}

int Shutdown(int from) {
  if (from <= SHUTDOWN_MENUS) {
    if (g_worksheetMenu) DestroyMenu(g_worksheetMenu);
    g_worksheetMenu = nullptr;
    StopWinsock();
  }
  HelpUninitialize();
  CookiesFree(g_settings.CookiesFile);
  FreeStringTable();
  RestartProgram();
  return 0;
}

}  // namespace

int RunProgram(HINSTANCE instance, HINSTANCE previous) {
  g_instance = instance;
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExW(&version) || !IsSupportedSystem(version)) return 255;
  // Firebird converts file names with the C library's locale.
  UseUtf8Locale();
  SetProgramFolder();

  WCHAR versionFile[SETTINGS_PATH_SIZE];
  GetModuleFileNameW(GetModuleHandleW(u"tessaline.dll"), versionFile, SETTINGS_PATH_SIZE);
  if (GetFileVersion(versionFile) != PROGRAM_VERSION) {
    WCHAR text[128];
    FormatStringW(text, 128, u"This program requires tessaline.dll version %d.%d.%d.%d.", 2, 2, 0,
                  608);
    MessageBoxW(nullptr, text, kCaption, MB_ICONERROR);
    return 0;
  }

  DllInit();
  finderstruct.InitCustomControls(instance, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(10), 1, 2, 3);
  const bool cache = CommandLineWantsCache(GetCommandLineA());
  InitCommonControls();
  HelpInitialize();
  InitSettingsPaths();
  InitDocumentsFolder();
  ScanLanguageFiles(g_programFolder);
  LoadSettings();
  LoadLanguage(g_programFolder);
  CookiesInitialize(g_settings.CookiesFile);
  g_settings.UseCache = cache ? 1 : 0;

  g_comCtlVersion = g_systemActions.ComCtlVersion();
  if (!ComCtlVersionPasses(g_comCtlVersion)) {
    ShowError(STR_Msg_BadComCtlVer);
    return Shutdown(SHUTDOWN_HELP);
  }
  g_commonControlsOk = 1;
  if (!previous) RegisterClasses();

  WSADATA sockets = {};
  if (StartWinsock(MAKEWORD(1, 1), &sockets) != 0) {
    ShowError(STR_Msg_WinsockCannotInit);
    return Shutdown(SHUTDOWN_HELP);
  }
  if (LOBYTE(sockets.wVersion) != 1 || HIBYTE(sockets.wVersion) != 1) {
    ShowError(STR_Msg_WinsockInvalidVer);
    StopWinsock();
    return Shutdown(SHUTDOWN_HELP);
  }
  // Before any thread exists, next to the sockets.
  NetGlobalInit();

  g_frameMenu = BuildMenu(MENU_FRAME, 2, &g_frameWindowMenu);
  g_worksheetMenu = BuildMenu(MENU_WORKSHEET, 5, &g_worksheetWindowMenu);
  g_accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(1));
  g_frame = CreateFrame();
  if (!g_frame) {
    ShowError(STR_Msg_CreateMainWnd);
    return Shutdown(SHUTDOWN_MENUS);
  }
  ShowWindow(g_frame, g_settings.MainWndMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  UpdateWindow(g_frame);
  ReopenAutosavedWorksheets();
  RunMessageLoop();
  return Shutdown(SHUTDOWN_MENUS);
}
