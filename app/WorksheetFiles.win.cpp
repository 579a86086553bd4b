// A worksheet's files: open and reopen, save, export, locator files and the autosave
// setting's step.
#include "app/WorksheetFiles.h"

#include <commctrl.h>

#include <new>
#include <string>
#include <vector>

#include "app/AutosaveNames.h"
#include "app/FileDialogs.h"
#include "app/Frame.h"
#include "app/Locator.h"
#include "app/Settings.h"
#include "app/SitePanel.h"
#include "app/Startup.h"
#include "engine/LinkFinder.h"
#include "engine/TextCopy.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"
#include "toolkit/Win32Holders.h"

namespace {

// An old-format worksheet is handed to the engine through its project file.
constexpr oldformat_type kOldFormatProject = static_cast<oldformat_type>(2);

bool EndsWith(const WCHAR* text, const char16_t* tail) {
  const int length = lstrlenW(text);
  const int tailLength = lstrlenW(tail);
  return length >= tailLength && lstrcmpiW(text + length - tailLength, tail) == 0;
}

bool IsLocatorName(const WCHAR* path) { return EndsWith(path, u".tsn.loc"); }

// A whole locator is tiny: more than the mark, the longest path and a line end is never read.
constexpr DWORD kLocatorReadBytes = 2 + 2 * (LOCATOR_PATH_CHARS + 2);

bool ReadLocatorFile(const WCHAR* file, WCHAR* path, int size) {
  path[0] = 0;
  const HandleHolder handle(CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.held()) return false;
  std::string bytes(kLocatorReadBytes, '\0');
  DWORD read = 0;
  const BOOL ok = ReadFile(handle.get(), &bytes[0], kLocatorReadBytes, &read, nullptr);
  return ok && DecodeLocator(bytes.data(), read, path, size);
}

// A short write leaves no locator behind.
bool WriteLocatorFile(const WCHAR* file, const WCHAR* path) {
  HandleHolder handle(
      CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.held()) return false;
  const std::string bytes = EncodeLocator(path);
  DWORD written = 0;
  const bool ok =
      WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  handle.reset();
  if (!ok) DeleteFileW(file);
  return ok;
}

// A fresh locator name in DataFile and the locator written; DataFile stays empty when
// either fails.
void GiveLocator(tagWORKSHEETDATA* data) {
  WCHAR name[1024];
  data->DataFile[0] = 0;
  if (MakeAutosaveFileName(data, AUTOSAVE_LOCATOR, name, 1024) &&
      WriteLocatorFile(name, data->UserFile)) {
    CopyField(data->DataFile, name);
  }
}

bool FileIsThere(const WCHAR* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A locator may name neither a file of the autosave folder itself nor a path without a
// folder, nor a missing file.
bool LocatorTargetUsable(const WCHAR* path) {
  const WCHAR* slash = nullptr;
  for (const WCHAR* at = path; *at; ++at) {
    if (*at == u'\\') slash = at;
  }
  if (!slash) return false;
  if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, path, static_cast<int>(slash - path),
                     g_autosaveFolder, -1) == CSTR_EQUAL) {
    return false;
  }
  return FileIsThere(path);
}

bool StartsWithTsn(const WCHAR* path) {
  const HandleHolder handle(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.held()) return false;
  char head[3] = {};
  DWORD read = 0;
  ReadFile(handle.get(), head, 3, &read, nullptr);
  return read == 3 && head[0] == 'T' && head[1] == 'S' && head[2] == 'N';
}

// Whether the engine may open file: not when another holder keeps it (the engine's file
// guard, in this program or another copy) or it is not there. The probe is closed before
// the engine opens the file.
bool MayOpen(const WCHAR* file) {
  if (HandleHolder(CreateFileW(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
          .held()) {
    return true;
  }
  // A missing file would be created as an empty worksheet at the user's path.
  const DWORD error = GetLastError();
  return error != ERROR_SHARING_VIOLATION && error != ERROR_FILE_NOT_FOUND &&
         error != ERROR_PATH_NOT_FOUND;
}

// The stored views, tab, placement and show state of an opened worksheet.
void RestoreWindow(HWND window, tagWORKSHEETDATA* data) {
  const tagWINDOWSETTINGS stored = *data->Finder->GetWindowSettings();
  if ((stored.View1 == 1) != (data->View == 1)) {
    SendMessageW(window, WM_COMMAND, stored.View1 == 1 ? 1132 : 1133, 0);
  }
  // Tab stores 0 or 2; the broken-links tab is the second one.
  const int index = stored.View2 == 2 ? 1 : stored.View2;
  HWND tabs = GetDlgItem(window, WORKSHEET_TABS);
  if (stored.View2 != data->Tab && index < SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)) {
    SendMessageW(tabs, TCM_SETCURSEL, index, 0);
    NMHDR change = {tabs, WORKSHEET_TABS, static_cast<UINT>(TCN_SELCHANGE)};
    WorksheetNotify(window, data, &change);
  }
  // A worksheet whose window was never stored keeps the size it was made with.
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (stored.WindowCX > 0 && stored.WindowCY > 0 && GetWindowPlacement(window, &placement)) {
    placement.rcNormalPosition = {stored.WindowX, stored.WindowY, stored.WindowX + stored.WindowCX,
                                  stored.WindowY + stored.WindowCY};
    SetWindowPlacement(window, &placement);
  }
  SendMessageW(GetParent(window),
               stored.WindowShow == SW_SHOWMAXIMIZED ? WM_MDIMAXIMIZE : WM_MDIRESTORE,
               reinterpret_cast<WPARAM>(window), 0);
}

// What an open failure leaves: a locator and an old-format open's unused database name go;
// an autosaved database stays, since the open may have failed for reasons outside it.
void FailOpen(HWND window, tagWORKSHEETDATA* data, int reopen, oldformat_type format) {
  DeleteFinder(data);
  const bool autosaved = format == OLDFORMAT_NONE && EndsWith(data->DataFile, u".fdb.tsn");
  if (reopen && data->DataFile[0] && !autosaved) {
    DeleteFileW(data->DataFile);
  }
  data->DataFile[0] = 0;
  DestroySelf(window);
}

// Save, Save As and the exports wait for a stopped, unflagged engine: the report query
// would otherwise wait on this thread for the database lock that a worker holds while it
// waits for this thread.
bool MayWriteFiles(const tagWORKSHEETDATA* data) {
  return data->Finder && !data->Running && data->Finder->IsStopped() && !data->Finder->IsPaused();
}

// Why a user's open was refused, told once its worksheet has gone; the file stays as it was.
void TellNotOpened(int slot, const WCHAR* path) {
  finderstruct.AnimatedMessageBox(g_frame, LanguageText(slot), u"Tessaline Lite", MB_ICONERROR,
                                  path);
}

void OpenReopened(const WCHAR* path) {
  if (HWND worksheet = CreateWorksheet()) {
    SendMessageW(worksheet, WM_WORKSHEET_OPEN, 1, reinterpret_cast<LPARAM>(path));
  }
}

}  // namespace

bool MakeAutosaveFileName(const tagWORKSHEETDATA* data, int kind, WCHAR* out, int size) {
  CreateFolderPath(g_autosaveFolder, 0);
  char16_t base[256];
  MakeAutosaveBase(data->Finder ? data->Finder->SiteSrv() : nullptr, base, 256);
  for (int number = 1; number < 100000; ++number) {
    if (!MakeAutosaveCandidate(g_autosaveFolder, base, number, kind, out, size)) return false;
    if (!FileExists(out) && lstrcmpiW(out, data->DataFile) != 0) return true;
  }
  return false;
}

void OpenWorksheet(HWND window, tagWORKSHEETDATA* data, int reopen, const WCHAR* path) {
  if (!path || data->Finder) {
    DestroySelf(window);
    return;
  }
  oldformat_type format = OLDFORMAT_NONE;
  const WCHAR* project = nullptr;
  data->DataFile[0] = 0;
  data->UserFile[0] = 0;
  if (reopen && IsLocatorName(path)) {
    CopyField(data->DataFile, path);
    if (!ReadLocatorFile(path, data->UserFile, 1024) || !LocatorTargetUsable(data->UserFile)) {
      data->UserFile[0] = 0;
      FailOpen(window, data, reopen, format);
      return;
    }
  } else if (reopen && (EndsWith(path, u".data") || EndsWith(path, u".site"))) {
    format = kOldFormatProject;
    project = path;
    if (!MakeAutosaveFileName(data, AUTOSAVE_DATABASE, data->DataFile, 1024)) {
      FailOpen(window, data, reopen, format);
      return;
    }
  } else if (reopen) {
    CopyField(data->DataFile, path);
  } else {
    if (StartsWithTsn(path)) {
      DestroySelf(window);
      TellNotOpened(STR_Msg_NotWorksheet, path);
      return;
    }
    CopyField(data->UserFile, path);
  }
  const WCHAR* file = data->UserFile[0] ? data->UserFile : data->DataFile;
  if (format == OLDFORMAT_NONE && !MayOpen(file)) {
    const bool held = GetLastError() == ERROR_SHARING_VIOLATION;
    // Held elsewhere or gone: nothing of it is this worksheet's to delete.
    data->DataFile[0] = 0;
    DestroySelf(window);
    if (!reopen) TellNotOpened(held ? STR_Msg_AlreadyOpen : STR_Msg_NotWorksheet, path);
    return;
  }
  data->Finder = new (std::nothrow) CLinkFinder(format, project, file, &g_settings, g_frame, window,
                                                GetDlgItem(window, WORKSHEET_LINKS_LIST), nullptr,
                                                GetDlgItem(window, WORKSHEET_BROKEN_LIST),
                                                g_settings.DisplayAllLinks, CONSOLE_NONE, nullptr);
  if (!data->Finder || !data->Finder->Initialized()) {
    // A load the user cancelled deletes nothing (the next start offers it again) and needs
    // no word of why the worksheet did not open.
    const bool cancelled = data->Finder && data->Finder->LoadCancelled();
    if (cancelled) data->DataFile[0] = 0;
    FailOpen(window, data, reopen, format);
    if (!reopen && !cancelled) TellNotOpened(STR_Msg_NotWorksheet, path);
    return;
  }
  if (g_settings.AutosaveWorksheets && !data->DataFile[0]) GiveLocator(data);
  FillSitePanel(GetDlgItem(window, WORKSHEET_SITE_PANEL), data->Finder->SiteURL(),
                data->Finder->GetSettings());
  ApplyColumnWidths(window, data->Finder);
  RestoreWindow(window, data);
  SetWorksheetCaption(window, data);
  data->StopPending = 0;
  UpdateWorksheetStates(window);
}

void ReopenAutosavedWorksheets() {
  static const char16_t* const kPatterns[] = {u"*.fdb.tsn", u"*.tsn.loc", u"*.site"};
  std::u16string active;
  for (const char16_t* pattern : kPatterns) {
    WCHAR search[1100];
    FormatStringW(search, 1100, u"%s\\%s", g_autosaveFolder, pattern);
    // The names are collected first: opening deletes bad locators and makes new files.
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(search, &found);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    for (const std::u16string& name : names) {
      WCHAR path[1100];
      const int length = FormatStringW(path, 1100, u"%s\\%s", g_autosaveFolder, name.c_str());
      if (length <= 0 || length >= 1024) continue;
      if (pattern == kPatterns[2]) CopyText(path + length - 5, 6, u".data");
      if (lstrcmpiW(name.c_str(), g_settings.ActiveFileName) == 0) {
        active = path;
      } else {
        OpenReopened(path);
      }
    }
  }
  if (!active.empty()) OpenReopened(active.c_str());
}

void SaveWorksheet(HWND window, tagWORKSHEETDATA* data, int saveAs) {
  if (!MayWriteFiles(data) || (!saveAs && data->UserFile[0])) return;
  WCHAR path[FILE_DIALOG_PATH_SIZE];
  if (!ShowSaveDialog(window, path, FILE_DIALOG_PATH_SIZE, 1)) return;
  if (lstrcmpiW(path, data->UserFile) == 0) return;
  StoreSettings(window, data, SITE_READ_KEEP);
  const int copy = data->UserFile[0] ? 1 : 0;
  if (!data->Finder->MoveDataBase(copy, copy ? data->UserFile : data->DataFile, path)) {
    finderstruct.AnimatedMessageBox(window, LanguageText(STR_Msg_SaveError), u"Tessaline Lite",
                                    MB_ICONERROR);
    return;
  }
  CopyField(data->UserFile, path);
  // The autosaved database has moved to the user's path: its old name is no file of this
  // worksheet any more.
  if (!copy) {
    data->DataFile[0] = 0;
    if (g_settings.AutosaveWorksheets) GiveLocator(data);
  } else if (data->DataFile[0] && IsLocatorName(data->DataFile) &&
             !WriteLocatorFile(data->DataFile, data->UserFile)) {
    data->DataFile[0] = 0;
  }
  SetWorksheetCaption(window, data);
}

void ExportWorksheet(HWND window, tagWORKSHEETDATA* data, int command) {
  if (!MayWriteFiles(data)) return;
  tagEXPORTLINKSSTRUCT request = {};
  if (!ShowSaveDialog(window, request.FileName, 1024, 2)) return;
  if (command == 1119) {
    request.Type = 0;
    request.IncludePages = 1;
    request.IncludeImages = 1;
    request.IncludeOthers = 1;
    request.ColumnMask = 8191;
  } else {
    request.Type = 3;
  }
  request.OpenAfter = 1;
  data->Finder->ExportLinks(&request);
}

void ApplyAutosaveSetting(HWND worksheet) {
  tagWORKSHEETDATA* data = WorksheetData(worksheet);
  if (!data || !data->UserFile[0]) return;
  if (g_settings.AutosaveWorksheets) {
    if (!data->DataFile[0]) GiveLocator(data);
  } else if (data->DataFile[0]) {
    DeleteFileW(data->DataFile);
    data->DataFile[0] = 0;
  }
}
