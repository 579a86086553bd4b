// Finding the settings folder: the registry value, the shell folders and the program's folder.
// Start-up, GUI thread.
#include <windows.h>

#include <shlobj.h>

#include <string>

#include "app/Settings.h"
#include "app/SettingsPaths.h"
#include "engine/TextCopy.h"
#include "toolkit/Format.h"
#include "toolkit/Win32Holders.h"

namespace {

const char16_t kProgramKey[] = u"Software\\Quillory\\TessalineLite";
const char16_t kProgramFolderName[] = u"Tessaline Lite";

bool ReadRegistryText(HKEY root, const char16_t* subkey, const char16_t* name, char16_t* out,
                      int size) {
  RegKeyHolder key;
  if (RegOpenKeyExW(root, subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>((size - 1) * sizeof(char16_t));
  const LONG result =
      RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    out[0] = 0;
    return false;
  }
  out[bytes / sizeof(char16_t)] = 0;
  return out[0] != 0;
}

void AppendProgramFolder(char16_t* path) {
  int length = static_cast<int>(std::char_traits<char16_t>::length(path));
  FormatStringW(path + length, SETTINGS_PATH_SIZE - length, u"\\%s", kProgramFolderName);
}

bool FromShellFolderValue(HKEY root, const char16_t* subkey, const char16_t* name, char16_t* path) {
  if (!ReadRegistryText(root, subkey, name, path, SETTINGS_PATH_SIZE)) return false;
  AppendProgramFolder(path);
  return true;
}

bool FromSpecialFolder(int folder, char16_t* path) {
  if (!GetSpecialFolderPath(nullptr, path, folder, TRUE) || !path[0]) {
    path[0] = 0;
    return false;
  }
  AppendProgramFolder(path);
  return true;
}

void DerivePath(char16_t* out, const char16_t* folder, const char16_t* name) {
  FormatStringW(out, SETTINGS_PATH_SIZE, u"%s\\%s", folder, name);
}

}  // namespace

int GetSpecialFolderPath(void* owner, char16_t* path, int folder, int create) {
  HMODULE shell = GetModuleHandleW(u"Shell32.dll");
  if (!shell) shell = LoadLibraryW(u"Shell32.dll");
  if (!shell) return 0;
  SetErrorMode(SEM_NOOPENFILEERRORBOX);
  using Function = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
  Function function = reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(shell, "SHGetSpecialFolderPathW")));
  if (!function) return 0;
  return function(static_cast<HWND>(owner), path, folder, create);
}

void ResolveSettingsFolder(char16_t* folder) {
  const char16_t kShellFolders[] =
      u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell folders";
  folder[0] = 0;
  if (!ReadRegistryText(HKEY_CURRENT_USER, kProgramKey, u"SettingsDir", folder,
                        SETTINGS_PATH_SIZE) &&
      !FromShellFolderValue(HKEY_CURRENT_USER, kShellFolders, u"Local AppData", folder) &&
      !FromSpecialFolder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, folder) &&
      !FromShellFolderValue(HKEY_CURRENT_USER, kShellFolders, u"AppData", folder) &&
      !FromSpecialFolder(CSIDL_APPDATA | CSIDL_FLAG_CREATE, folder) &&
      !FromShellFolderValue(
          HKEY_LOCAL_MACHINE,
          u"Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell folders",
          u"Common AppData", folder) &&
      !FromSpecialFolder(CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, folder)) {
    UINT length = GetWindowsDirectoryW(folder, SETTINGS_PATH_SIZE);
    if (length == 0 || length >= SETTINGS_PATH_SIZE) folder[0] = 0;
    AppendProgramFolder(folder);
  }
}

void InitSettingsPaths() {
  char16_t folder[SETTINGS_PATH_SIZE];
  ResolveSettingsFolder(folder);
  RegKeyHolder key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                      nullptr) == ERROR_SUCCESS) {
    DWORD bytes =
        static_cast<DWORD>((std::char_traits<char16_t>::length(folder) + 1) * sizeof(char16_t));
    RegSetValueExW(key.get(), u"SettingsDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                   bytes);
  }
  char16_t expanded[SETTINGS_PATH_SIZE];
  DWORD length = ExpandEnvironmentStringsW(folder, expanded, SETTINGS_PATH_SIZE);
  if (length == 0 || length > SETTINGS_PATH_SIZE) CopyField(expanded, folder);
  DerivePath(g_autosaveFolder, expanded, u"AutoSave");
  DerivePath(g_settings.CacheDir, expanded, u"cache");
  DerivePath(g_settings.CookiesFile, expanded, u"cookies.txt");
  DerivePath(g_settingsFile, expanded, u"settings.ini");
}

void InitDocumentsFolder() {
  char16_t folder[SETTINGS_PATH_SIZE] = {};
  if (!ReadRegistryText(
          HKEY_CURRENT_USER,
          u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
          u"Personal", folder, SETTINGS_PATH_SIZE) &&
      (!GetSpecialFolderPath(nullptr, folder, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, TRUE) ||
       !folder[0])) {
    DWORD length = GetCurrentDirectoryW(SETTINGS_PATH_SIZE, folder);
    if (length == 0 || length >= SETTINGS_PATH_SIZE) folder[0] = 0;
  }
  DWORD length = ExpandEnvironmentStringsW(folder, g_documentsFolder, SETTINGS_PATH_SIZE);
  if (length == 0 || length > SETTINGS_PATH_SIZE) CopyField(g_documentsFolder, folder);
}

int CreateFolderPath(const char16_t* path, int pathIsFile) {
  if (!path || !path[0]) return 0;
  char16_t folder[SETTINGS_PATH_SIZE];
  CopyField(folder, path);
  int length = static_cast<int>(std::char_traits<char16_t>::length(folder));
  if (pathIsFile) {
    while (length > 0 && folder[length - 1] != u'\\') --length;
    if (length > 0) --length;
    folder[length] = 0;
  }
  // Tested without changing the current directory: worker threads resolve relative
  // paths meanwhile.
  auto isFolder = [&folder]() {
    DWORD attributes = GetFileAttributesW(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  if (length == 0) return 0;
  if (isFolder()) return 1;
  bool firstSeparator = true;
  for (int i = 0; i <= length; ++i) {
    if (i < length && folder[i] != u'\\') continue;
    if (i < length && firstSeparator) {
      firstSeparator = false;
      continue;
    }
    char16_t saved = folder[i];
    folder[i] = 0;
    if (i > 0) CreateDirectoryW(folder, nullptr);
    folder[i] = saved;
  }
  return isFolder() ? 1 : 0;
}
