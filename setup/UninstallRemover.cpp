// Removes an older installation listed in its uninstall log: programs, files, shortcuts, keys and
// services.
#include "setup/UninstallRemover.h"

#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "setup/FindProc.h"
#include "setup/LogRules.h"
#include "setup/ProcessCleanup.h"
#include "toolkit/Win32Holders.h"

DWORD g_forcedOpenError = 0;

namespace {

typedef LONG(WINAPI* RegDeleteKeyExAFn)(HKEY, LPCSTR, REGSAM, DWORD);
typedef LONG(WINAPI* NtDeleteKeyFn)(HANDLE);

// A log larger than this is not an uninstall log.
constexpr DWORD kMaxLogBytes = 16u << 20;

const REGSAM kViews[] = {0, KEY_WOW64_32KEY, KEY_WOW64_64KEY};

HKEY RootKey(LogRoot root) {
  switch (root) {
    case LogRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case LogRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
    case LogRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    default:
      return HKEY_USERS;
  }
}

// The path with every component that exists replaced by its long name, as far as the
// result fits MAX_PATH; from the first component not found (or not a plain name) on, the
// path as given.
std::string LongForm(const std::string& path) {
  std::string expanded;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':') {
    expanded = path.substr(0, 2);
    pos = 2;
  }
  while (pos < path.size()) {
    if (path[pos] == '\\') {
      expanded += path[pos++];
      continue;
    }
    const size_t slash = path.find('\\', pos);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    const std::string component = path.substr(pos, end - pos);
    if (component == "." || component == ".." ||
        component.find_first_of("*?") != std::string::npos) {
      break;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((expanded + component).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) break;
    FindClose(search);
    if (expanded.size() + strlen(found.cFileName) >= MAX_PATH) break;
    expanded += found.cFileName;
    pos = end;
  }
  return expanded + path.substr(pos);
}

std::string FolderPath(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
  return LongForm(path);
}

ScopeFolders MachineFolders(const std::string& logPath) {
  ScopeFolders folders;
  const size_t slash = logPath.rfind('\\');
  if (slash != std::string::npos) folders.install = logPath.substr(0, slash);
  for (int csidl : {CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_DESKTOPDIRECTORY,
                    CSIDL_COMMON_DESKTOPDIRECTORY}) {
    const std::string folder = FolderPath(csidl);
    if (!folder.empty()) folders.shortcutAreas.push_back(folder);
  }
  for (int csidl :
       {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
        CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE, CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS,
        CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    const std::string folder = FolderPath(csidl);
    if (!folder.empty()) folders.forbidden.push_back(folder);
  }
  const std::string profile = FolderPath(CSIDL_PROFILE);
  const size_t parent = profile.rfind('\\');
  if (parent != std::string::npos) folders.forbidden.push_back(profile.substr(0, parent));
  return folders;
}

// Whether a folder link or other reparse point lies on the way to path.
bool CrossesReparsePoint(const std::string& path) {
  for (size_t slash = path.find('\\', 3);; slash = path.find('\\', slash + 1)) {
    const DWORD attributes = GetFileAttributesA(path.substr(0, slash).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return true;
    }
    if (slash == std::string::npos) return false;
  }
}

bool ReadLog(const std::string& path, std::string& text) {
  const HandleHolder file(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.held()) return false;
  const DWORD size = GetFileSize(file.get(), nullptr);
  bool read = size != INVALID_FILE_SIZE && size <= kMaxLogBytes;
  std::string bytes(read ? size : 0, '\0');
  DWORD got = 0;
  if (read && size) read = ReadFile(file.get(), &bytes[0], size, &got, nullptr) && got == size;
  if (!read) return false;
  if (bytes.size() < 2 || !IsTextUnicode(bytes.data(), static_cast<int>(bytes.size()), nullptr)) {
    text = bytes;
    return true;
  }
  size_t start = 0;
  const unsigned char b0 = bytes[0], b1 = bytes[1];
  if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) start = 2;
  std::wstring units((bytes.size() - start) / 2, L'\0');
  if (!units.empty()) memcpy(&units[0], bytes.data() + start, units.size() * 2);
  text.clear();
  if (units.empty()) return true;
  const int length = WideCharToMultiByte(CP_ACP, 0, units.data(), static_cast<int>(units.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (length <= 0) return false;
  text.resize(length);
  WideCharToMultiByte(CP_ACP, 0, units.data(), static_cast<int>(units.size()), &text[0], length,
                      nullptr, nullptr);
  return true;
}

// The log's lines that lie in scope, their paths in long form.
std::vector<LogLine> LinesInScope(const std::string& text, const ScopeFolders& folders) {
  std::vector<LogLine> lines;
  for (const std::string& line : SplitLogLines(text.data(), text.size())) {
    LogLine parsed;
    if (!ParseLogLine(line, parsed)) continue;
    if (parsed.kind == LogLineKind::kKey || parsed.kind == LogLineKind::kValue) {
      if (KeyInScope(parsed)) lines.push_back(parsed);
      continue;
    }
    // Checked before and after expansion: a short name must not lead outside.
    if (!IsPlainDrivePath(parsed.path)) continue;
    parsed.path = LongForm(parsed.path);
    if (PathInScope(parsed.path, parsed.kind, folders) && !CrossesReparsePoint(parsed.path)) {
      lines.push_back(parsed);
    }
  }
  return lines;
}

void ClearProtection(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM))) {
    SetFileAttributesA(path.c_str(),
                       attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
  }
}

bool EndsWithExe(const std::string& path) {
  const size_t dot = path.rfind('.');
  return dot != std::string::npos && lstrcmpiA(path.c_str() + dot, ".exe") == 0;
}

// False when a listed file cannot be opened for writing. Programs and services that run a
// listed executable are ended first.
bool FilesWritable(const std::vector<LogLine>& lines) {
  ProcessRecord* processes = nullptr;
  ServiceRecord* services = nullptr;
  const int processCount = ListProcesses(&processes);
  const int serviceCount = ListServices(&services);
  bool writable = true;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->kind != LogLineKind::kFile && line->kind != LogLineKind::kShortcut &&
        line->kind != LogLineKind::kFolder) {
      continue;
    }
    ClearProtection(line->path);
    const DWORD attributes = GetFileAttributesA(line->path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (EndsWithExe(line->path)) {
      KillUsersOfFile(line->path.c_str(), processCount, processes, serviceCount, services);
    }
    DWORD error = g_forcedOpenError;
    if (!error) {
      const HandleHolder file(
          CreateFileA(line->path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      if (!file.held()) error = GetLastError();
    }
    if (error == ERROR_ACCESS_DENIED) writable = false;
  }
  if (processes) LocalFree(processes);
  if (services) LocalFree(services);
  return writable;
}

// Opens name below parent itself, never the key a registry link in its place points to;
// *link tells which it was.
LONG OpenSubkey(HKEY parent, const std::string& name, REGSAM access, HKEY* key, bool* link) {
  LONG result = RegOpenKeyExA(parent, name.c_str(), REG_OPTION_OPEN_LINK, access, key);
  DWORD type = 0;
  *link = result == ERROR_SUCCESS &&
          RegQueryValueExA(*key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
              ERROR_SUCCESS &&
          type == REG_LINK;
  return result;
}

// Windows makes each user's Software\Classes a link to that user's class hive; it is the
// one link a path may pass.
bool IsUserClassesLink(HKEY root, const std::string& path) {
  std::string below = path;
  if (root == HKEY_USERS) {
    const size_t slash = below.find('\\');
    if (slash == std::string::npos) return false;
    below.erase(0, slash + 1);
  } else if (root != HKEY_CURRENT_USER) {
    return false;
  }
  return lstrcmpiA(below.c_str(), "Software\\Classes") == 0;
}

// Opens a key one name at a time, so that no registry link on the way leads elsewhere (a
// user may plant one below the product's keys): a link gives ERROR_CANTOPEN. The ANSI calls
// take at most 255 bytes of path, which one name never exceeds.
LONG OpenKeyPath(HKEY root, const std::string& path, REGSAM access, HKEY* key) {
  const REGSAM view = access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
  HKEY current = root;
  LONG result = ERROR_SUCCESS;
  for (size_t start = 0; result == ERROR_SUCCESS && start <= path.size();) {
    const size_t slash = path.find('\\', start);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    const REGSAM step = end == path.size() ? access | KEY_QUERY_VALUE : KEY_QUERY_VALUE | view;
    const std::string name = path.substr(start, end - start);
    HKEY next = nullptr;
    bool link = false;
    result = OpenSubkey(current, name, step, &next, &link);
    if (result == ERROR_SUCCESS && link) {
      RegCloseKey(next);
      result = IsUserClassesLink(root, path.substr(0, end))
                   ? RegOpenKeyExA(current, name.c_str(), 0, step, &next)
                   : ERROR_CANTOPEN;
    }
    if (current != root) RegCloseKey(current);
    current = result == ERROR_SUCCESS ? next : nullptr;
    start = end + 1;
  }
  *key = current;
  return result;
}

bool KeysWritable(const std::vector<LogLine>& lines, REGSAM view) {
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->exempt || (line->kind != LogLineKind::kKey && line->kind != LogLineKind::kValue)) {
      continue;
    }
    const REGSAM access = line->kind == LogLineKind::kKey ? KEY_ALL_ACCESS : KEY_WRITE;
    RegKeyHolder key;
    const LONG opened = OpenKeyPath(RootKey(line->root), line->keyPath, access | view, key.put());
    if (opened == ERROR_ACCESS_DENIED) return false;
  }
  return true;
}

LONG DeleteKey(HKEY parent, const char* name, REGSAM view) {
  static const auto deleteKeyEx =
      FindProc<RegDeleteKeyExAFn>(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA");
  return deleteKeyEx ? deleteKeyEx(parent, name, view, 0) : RegDeleteKeyA(parent, name);
}

// Empties key: each subkey's tree goes, by name relative to its opened parent. A registry
// link goes as a link; what it points to stays.
void DeleteSubkeys(HKEY key, REGSAM view) {
  static const auto deleteLink =
      FindProc<NtDeleteKeyFn>(GetModuleHandleA("ntdll.dll"), "NtDeleteKey");
  char name[256];
  for (;;) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return;
    }
    RegKeyHolder child;
    bool link = false;
    if (OpenSubkey(key, name, KEY_ALL_ACCESS | view, child.put(), &link) != ERROR_SUCCESS) return;
    if (link) {
      if (!deleteLink || deleteLink(child.get()) != 0) return;
      continue;
    }
    DeleteSubkeys(child.get(), view);
    // A key still open is not deleted.
    child.reset();
    if (DeleteKey(key, name, view) != ERROR_SUCCESS) return;
  }
}

// Deletes the key's tree, or for the shared vendor key only the key and only when empty.
void RemoveKey(const LogLine& line, REGSAM view) {
  const HKEY root = RootKey(line.root);
  const size_t slash = line.keyPath.rfind('\\');
  HKEY parent = root;
  if (slash != std::string::npos &&
      OpenKeyPath(root, line.keyPath.substr(0, slash), KEY_READ | view, &parent) != ERROR_SUCCESS) {
    return;
  }
  const RegKeyHolder openedParent(parent != root ? parent : nullptr);
  const std::string name =
      slash == std::string::npos ? line.keyPath : line.keyPath.substr(slash + 1);
  RegKeyHolder key;
  bool link = false;
  const LONG opened = OpenSubkey(parent, name, KEY_ALL_ACCESS | view, key.put(), &link);
  // A link in the key's place is left as it is.
  if (opened == ERROR_SUCCESS && !link) {
    DWORD subkeys = 0, values = 0;
    const bool empty =
        RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0;
    if (!line.onlyIfEmpty) DeleteSubkeys(key.get(), view);
    key.reset();
    if (!line.onlyIfEmpty || empty) DeleteKey(parent, name.c_str(), view);
  }
}

void RemoveLine(const LogLine& line, REGSAM view) {
  switch (line.kind) {
    case LogLineKind::kFile:
    case LogLineKind::kShortcut:
      ClearProtection(line.path);
      DeleteFileA(line.path.c_str());
      return;
    case LogLineKind::kFolder:
      ClearProtection(line.path);
      RemoveDirectoryA(line.path.c_str());
      return;
    case LogLineKind::kKey:
      RemoveKey(line, view);
      return;
    case LogLineKind::kValue: {
      RegKeyHolder key;
      if (OpenKeyPath(RootKey(line.root), line.keyPath, KEY_WRITE | view, key.put()) ==
          ERROR_SUCCESS) {
        RegDeleteValueA(key.get(), line.valueName.c_str());
      }
      return;
    }
  }
}

void NotifyStartMenus() {
  for (int csidl : {CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU}) {
    if (csidl == CSIDL_COMMON_STARTMENU) {
      OSVERSIONINFOA version = {};
      version.dwOSVersionInfoSize = sizeof version;
      if (!GetVersionExA(&version) || version.dwPlatformId <= 1) return;
    }
    LPITEMIDLIST items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &items))) {
      SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST, items, nullptr);
      CoTaskMemFree(items);
    }
  }
}

}  // namespace

int WINAPI RemovePreviousInstallation(const char* logPath, int view) {
  const REGSAM viewFlag = view >= 0 && view <= 2 ? kViews[view] : 0;
  const std::string log = LongForm(logPath ? logPath : "");
  const HRESULT com = CoInitialize(nullptr);
  std::string text;
  if (ReadLog(log, text)) {
    const std::vector<LogLine> lines = LinesInScope(text, MachineFolders(log));
    if (!FilesWritable(lines) || !KeysWritable(lines, viewFlag)) {
      if (SUCCEEDED(com)) CoUninitialize();
      return 5;
    }
    for (LogLineKind kind : {LogLineKind::kFile, LogLineKind::kShortcut, LogLineKind::kKey,
                             LogLineKind::kValue, LogLineKind::kFolder}) {
      for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->kind == kind) RemoveLine(*line, viewFlag);
      }
    }
  }
  NotifyStartMenus();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
