// Starts a program without the installer's elevation, through the desktop shell.
#include "setup/ShellLaunch.h"

#include <shellapi.h>

#include <string>

#include "setup/FindProc.h"
#include "toolkit/Win32Holders.h"

namespace {

typedef BOOL(WINAPI* ShellExecuteExWFn)(SHELLEXECUTEINFOW*);

// How long the launcher waits, after its send returns, for the shell's hook to finish.
// Windows runs the hook before the send returns; Wine runs it a little later.
constexpr DWORD kHookWaitMs = 5000;
constexpr DWORD kHookPollMs = 10;

// The block's copy of text, or false when it would not fit whole: the shell would start
// whatever a cut path names.
bool PutText(char16_t* field, const WCHAR* text) {
  const size_t length = text ? lstrlenW(text) : 0;
  if (length >= static_cast<size_t>(kShellLaunchTextUnits)) return false;
  if (length) memcpy(field, text, length * sizeof(WCHAR));
  field[length] = u'\0';
  return true;
}

const WCHAR* Wide(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }

void WaitForHook(volatile ShellLaunchBlock* block) {
  for (DWORD waited = 0; !block->done && waited < kHookWaitMs; waited += kHookPollMs) {
    Sleep(kHookPollMs);
  }
  MemoryBarrier();
}

int LaunchInShell(HWND shell, const WCHAR* file, const WCHAR* parameters, const WCHAR* folder,
                  HANDLE* process, HMODULE module) {
  const UINT message = RegisterWindowMessageA(kShellLaunchMessageName);
  if (!message) return 0;
  const HandleHolder mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                sizeof(ShellLaunchBlock), kShellLaunchBlockName));
  if (!mapping.held()) return 0;
  // Another launch owns the block (or someone else made it): sharing it would mix requests.
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  auto block = static_cast<ShellLaunchBlock*>(
      MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ShellLaunchBlock)));
  int result = 0;
  if (block) {
    ZeroMemory(block, sizeof *block);
    block->message = message;
    block->processWanted = process ? 1 : 0;
    if (PutText(block->file, file) && PutText(block->parameters, parameters) &&
        PutText(block->folder, folder)) {
      HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, ShellHookProc, module, 0);
      if (hook) {
        block->hook = reinterpret_cast<uint64_t>(hook);
        SendMessageA(shell, message, 0, 0);
        WaitForHook(block);
        if (process) *process = reinterpret_cast<HANDLE>(block->process);
        UnhookWindowsHookEx(hook);
        block->hook = 0;
        result = block->result;
      }
    }
    UnmapViewOfFile(block);
  }
  return result;
}

bool ToWide(const char* text, std::wstring& wide) {
  wide.clear();
  if (!text) return true;
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (units <= 0) return false;
  wide.resize(units);
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], units) != units) return false;
  wide.resize(units - 1);
  return true;
}

}  // namespace

int WINAPI ChooseLaunchRoute(int vistaOrLater, int elevationType, int shellWindowPresent) {
  if (!vistaOrLater || elevationType != TokenElevationTypeFull) return kLaunchDirect;
  return shellWindowPresent ? kLaunchViaShell : kLaunchNone;
}

int WINAPI IsVistaOrLater() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return 0;
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 5 ? 1 : 0;
}

HRESULT WINAPI GetTokenElevationType(int* elevationType) {
  if (!IsVistaOrLater()) return E_FAIL;
  HandleHolder token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return E_FAIL;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  const BOOL read = GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size);
  if (!read) return E_FAIL;
  *elevationType = type;
  return S_OK;
}

int WINAPI ShellExecuteWide(HWND window, const WCHAR* verb, const WCHAR* file,
                            const WCHAR* parameters, const WCHAR* folder, HANDLE* process) {
  const UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE shell32 = LoadLibraryA("Shell32.dll");
  SetErrorMode(previousMode);
  if (!shell32) return 0;
  auto execute = FindProc<ShellExecuteExWFn>(shell32, "ShellExecuteExW");
  int result = 0;
  if (execute) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = process ? SEE_MASK_NOCLOSEPROCESS : 0;
    info.hwnd = window;
    info.lpVerb = verb;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = folder;
    info.nShow = SW_SHOWNORMAL;
    result = execute(&info) ? 1 : 0;
    if (process) *process = result ? info.hProcess : nullptr;
  }
  FreeLibrary(shell32);
  return result;
}

LRESULT CALLBACK ShellHookProc(int code, WPARAM wParam, LPARAM lParam) {
  const HandleHolder mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kShellLaunchBlockName));
  auto block = mapping.held()
                   ? static_cast<ShellLaunchBlock*>(MapViewOfFile(
                         mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ShellLaunchBlock)))
                   : nullptr;
  if (!block) return CallNextHookEx(nullptr, code, wParam, lParam);
  const auto sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code >= 0 && sent && block->message && sent->message == block->message) {
    // Another process may have written the block: its texts end where the fields end.
    block->file[kShellLaunchTextUnits - 1] = u'\0';
    block->parameters[kShellLaunchTextUnits - 1] = u'\0';
    block->folder[kShellLaunchTextUnits - 1] = u'\0';
    HANDLE* process =
        block->processWanted == 1 ? reinterpret_cast<HANDLE*>(&block->process) : nullptr;
    block->result = ShellExecuteWide(sent->hwnd, nullptr, Wide(block->file),
                                     Wide(block->parameters), Wide(block->folder), process);
    MemoryBarrier();
    block->done = 1;
  }
  HHOOK next = reinterpret_cast<HHOOK>(block->hook);
  UnmapViewOfFile(block);
  return CallNextHookEx(next, code, wParam, lParam);
}

int WINAPI LaunchThroughShell(HWND window, const WCHAR* file, const WCHAR* parameters,
                              const WCHAR* folder, HANDLE* process, int launch, HMODULE module) {
  const int vista = IsVistaOrLater();
  int elevation = 0;
  if (vista && GetTokenElevationType(&elevation) != S_OK) elevation = 0;
  HWND shell = FindWindowA("Progman", nullptr);
  switch (ChooseLaunchRoute(vista, elevation, shell != nullptr)) {
    case kLaunchDirect:
      return launch ? ShellExecuteWide(window, nullptr, file, parameters, folder, process) : 1;
    case kLaunchViaShell:
      return launch ? LaunchInShell(shell, file, parameters, folder, process, module) : 1;
    default:
      return 0;
  }
}

int WINAPI LaunchThroughShellAnsi(HWND window, const char* file, const char* parameters,
                                  const char* folder, HANDLE* process, int launch, HMODULE module) {
  std::wstring wideFile, wideParameters, wideFolder;
  if (!ToWide(file, wideFile) || !ToWide(parameters, wideParameters) ||
      !ToWide(folder, wideFolder)) {
    return 0;
  }
  return LaunchThroughShell(window, wideFile.c_str(), wideParameters.c_str(), wideFolder.c_str(),
                            process, launch, module);
}
