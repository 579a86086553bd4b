// The open and save dialogs: file types from the language table, the starting folder.
#include "app/FileDialogs.h"

#include <string>

#include "app/Settings.h"
#include "app/Startup.h"
#include "app/SystemActions.h"
#include "engine/TextCopy.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"

namespace {

struct FileType {
  const char16_t* name;
  int filterSlot;
  const char16_t* extension;
};

const FileType kOpenTypes[] = {{u"*.tsn", STR_Filter_TSN, nullptr},
                               {u"*.ini", STR_Filter_INI, nullptr}};
const FileType kSaveTypes[] = {{u"*.*", STR_Filter_All, nullptr},
                               {u"*.tsn", STR_Filter_TSN, u"tsn"},
                               {u"*.html;*.htm", STR_Filter_HTML, u"html"},
                               {u"*.csv", STR_Filter_CSV, u"csv"},
                               {u"*.txt", STR_Filter_TXT, u"txt"},
                               {u"*.bat", STR_Filter_BAT, u"bat"},
                               {u"*.html;*.htm", STR_Filter_HTMLXML, u"html"}};

// The language text with its last character, the separator, turned into NULs wherever it
// occurs; ends with two NULs.
std::u16string FilterOf(int slot) {
  char16_t text[2048];
  FormatStringW(text, 2048, LanguageText(slot));
  std::u16string filter(text);
  if (!filter.empty()) {
    const char16_t separator = filter.back();
    for (char16_t& c : filter) {
      if (c == separator) c = 0;
    }
  }
  filter.push_back(0);
  filter.push_back(0);
  return filter;
}

// The hook's only task: the dialog around it shows the program's icon.
UINT_PTR CALLBACK GiveDialogIcon(HWND hook, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) GiveProgramIcon(GetParent(hook));
  return 0;
}

int RunDialog(HWND owner, const FileType& type, const char16_t* folder, DWORD flags,
              BOOL(WINAPI* show)(OPENFILENAMEW*), char16_t* path, int size) {
  const std::u16string filter = FilterOf(type.filterSlot);
  char16_t file[FILE_DIALOG_PATH_SIZE];
  char16_t title[FILE_DIALOG_PATH_SIZE];
  CopyField(file, type.name);
  title[0] = 0;
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.size() > 2 ? filter.c_str() : nullptr;
  dialog.lpstrFile = file;
  dialog.nMaxFile = FILE_DIALOG_PATH_SIZE;
  dialog.lpstrFileTitle = title;
  dialog.nMaxFileTitle = FILE_DIALOG_PATH_SIZE;
  dialog.lpstrInitialDir = folder;
  dialog.lpstrDefExt = type.extension;
  dialog.Flags = flags | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_EXPLORER |
                 OFN_ENABLEHOOK | OFN_ENABLESIZING;
  dialog.lpfnHook = GiveDialogIcon;
  if (size > 0) path[0] = 0;
  if (!show(&dialog)) return 0;
  CopyText(path, size, file);
  return 1;
}

bool HasDriveLetter(const char16_t* path) {
  return ((path[0] | 0x20) >= u'a' && (path[0] | 0x20) <= u'z') && path[1] == u':';
}

}  // namespace

int ShowOpenDialog(HWND owner, const char16_t* startPath, int mode, char16_t* path, int size) {
  if (mode < 0 || mode > 1) return 0;
  std::u16string start(startPath ? startPath : u"");
  const size_t slash = start.rfind(u'\\');
  std::u16string folder = g_documentsFolder;
  if (slash != std::u16string::npos) {
    start.resize(slash);
    folder = HasDriveLetter(start.c_str()) ? start : folder + u"\\" + start;
  }
  return RunDialog(owner, kOpenTypes[mode], folder.c_str(), OFN_FILEMUSTEXIST,
                   g_systemActions.GetOpenFileName, path, size);
}

int ShowSaveDialog(HWND owner, char16_t* path, int size, int mode) {
  if (mode < 0 || mode > 6) return 0;
  return RunDialog(owner, kSaveTypes[mode], g_documentsFolder, OFN_OVERWRITEPROMPT,
                   g_systemActions.GetSaveFileName, path, size);
}
