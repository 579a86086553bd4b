// The pieces of start-up that stand on their own: the gates, versions, HTML Help, the
// keyboard routing of the message loop and the restart.
#include <windows.h>

#include <htmlhelp.h>
#include <shlwapi.h>

#include <cstring>

#include "app/Language.h"
#include "app/Startup.h"
#include "app/SystemActions.h"
#include "engine/TextCopy.h"
#include "toolkit/Win32Holders.h"

HINSTANCE g_instance;
char16_t g_programFolder[SETTINGS_PATH_SIZE];
HWND g_frame;
HWND g_mdiClient;
HMENU g_frameMenu;
HMENU g_frameWindowMenu;
HMENU g_worksheetMenu;
HMENU g_worksheetWindowMenu;
HACCEL g_accelerators;
uint32_t g_comCtlVersion;
int g_commonControlsOk;
int g_restart;

namespace {

HMODULE g_helpLibrary;
DWORD_PTR g_helpCookie;

}  // namespace

bool IsSupportedSystem(const OSVERSIONINFOW& version) {
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
}

bool ComCtlVersionPasses(uint32_t packed) {
  const uint32_t major = packed >> 16, minor = packed & 0xffff;
  return major > 5 || (major == 5 && minor >= 80);
}

bool CommandLineWantsCache(const char* commandLine) {
  return commandLine && strstr(commandLine, "--cache") != nullptr;
}

uint32_t GetComCtlVersion() {
  SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE module = GetModuleHandleW(u"ComCtl32.dll");
  if (!module) return 0;
  SetErrorMode(SEM_NOOPENFILEERRORBOX);
  auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetVersion")));
  if (!getVersion) return 0;
  DLLVERSIONINFO info = {};
  info.cbSize = sizeof(info);
  if (FAILED(getVersion(&info))) return 0;
  return (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xffff);
}

uint64_t GetFileVersion(const WCHAR* path) {
  const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  uint64_t version = 0;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  void* block = size ? malloc(size) : nullptr;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (block && GetFileVersionInfoW(path, 0, size, block) &&
      VerQueryValueW(block, u"\\", reinterpret_cast<void**>(&fixed), &length) && fixed &&
      length >= sizeof(VS_FIXEDFILEINFO)) {
    version = (static_cast<uint64_t>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
  }
  free(block);
  SetErrorMode(previous);
  return version;
}

const WCHAR* HelpFileArgument(const WCHAR* file, WCHAR* joined, int size) {
  if (!file || file[0] != u':' || file[1] != u':' || file[2] != u'/') return file;
  const int used = CopyText(joined, size, g_helpFile);
  CopyText(joined + used, size - used, file);
  return joined;
}

void GiveProgramIcon(HWND window) {
  const struct {
    WPARAM kind;
    int size;
  } icons[] = {{ICON_BIG, 32}, {ICON_SMALL, 16}};
  for (const auto& [kind, size] : icons) {
    // Shared icons belong to the module: none is destroyed with the window.
    HANDLE icon = LoadImageW(g_instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED);
    if (icon) SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
  }
}

HWND ShowHelp(HWND owner, const WCHAR* file, UINT command, DWORD_PTR data) {
  if (!g_helpLibrary) return nullptr;
  SetErrorMode(SEM_NOOPENFILEERRORBOX);
  using HtmlHelpFunc = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  auto htmlHelp = reinterpret_cast<HtmlHelpFunc>(
      reinterpret_cast<void*>(GetProcAddress(g_helpLibrary, "HtmlHelpW")));
  if (!htmlHelp) return nullptr;
  WCHAR joined[SETTINGS_PATH_SIZE];
  return htmlHelp(owner, HelpFileArgument(file, joined, SETTINGS_PATH_SIZE), command, data);
}

void HelpInitialize() {
  g_helpLibrary = LoadLibraryW(u"hhctrl.ocx");
  ShowHelp(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&g_helpCookie));
}

BOOL HelpPreTranslateMessage(MSG* message) {
  return ShowHelp(nullptr, nullptr, HH_PRETRANSLATEMESSAGE, reinterpret_cast<DWORD_PTR>(message))
             ? TRUE
             : FALSE;
}

void HelpUninitialize() {
  ShowHelp(nullptr, nullptr, HH_UNINITIALIZE, g_helpCookie);
  if (g_helpLibrary) FreeLibrary(g_helpLibrary);
  g_helpLibrary = nullptr;
}

int TranslateWorksheetKeys(HWND mdiClient, MSG* message) {
  HWND active =
      mdiClient ? reinterpret_cast<HWND>(SendMessageW(mdiClient, WM_MDIGETACTIVE, 0, 0)) : nullptr;
  if (!active) return 0;
  if (message->message == WM_SYSKEYDOWN && message->wParam == 'S') {
    SendMessageW(g_frame, WM_COMMAND, WORKSHEET_START_STOP, 0);
    return 1;
  }
  if (message->message == WM_KEYDOWN && message->wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
    const WPARAM forward = GetKeyState(VK_SHIFT) < 0 ? 0 : 1;
    return SendMessageW(active, WM_WORKSHEET_NEXT, forward, 0) ? 1 : 0;
  }
  return 0;
}

void DispatchProgramMessage(MSG* message) {
  if (HelpPreTranslateMessage(message)) return;
  if (TranslateWorksheetKeys(g_mdiClient, message)) return;
  if (g_mdiClient && TranslateMDISysAccel(g_mdiClient, message)) return;
  if (g_accelerators && TranslateAcceleratorW(g_frame, g_accelerators, message)) return;
  HWND active = g_mdiClient
                    ? reinterpret_cast<HWND>(SendMessageW(g_mdiClient, WM_MDIGETACTIVE, 0, 0))
                    : nullptr;
  if (active && IsDialogMessageW(active, message)) return;
  TranslateMessage(message);
  DispatchMessageW(message);
}

void RestartProgram() {
  if (!g_restart) return;
  WCHAR path[SETTINGS_PATH_SIZE];
  if (!GetModuleFileNameW(nullptr, path, SETTINGS_PATH_SIZE)) return;
  const WCHAR* commandLine = GetCommandLineW();
  const size_t units = lstrlenW(commandLine) + 1;
  WCHAR* copy = static_cast<WCHAR*>(malloc(units * sizeof(WCHAR)));
  if (!copy) return;
  memcpy(copy, commandLine, units * sizeof(WCHAR));
  const UINT previous = SetErrorMode(0);
  SetErrorMode(previous | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (g_systemActions.CreateProcess(path, copy, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &process)) {
    // The new copy runs on its own; its handles are not kept.
    const HandleHolder child(process.hProcess), childThread(process.hThread);
  }
  SetErrorMode(previous);
  free(copy);
}
