// Downloaded bodies kept in the cache folder, one file per check.
#include <cstdlib>
#include <string>

#include "app/SettingsRecord.h"
#include "engine/LinkFinder.h"
#include "engine/TextCopy.h"
#include "toolkit/Format.h"
#include "toolkit/Win32Holders.h"

namespace {

constexpr int kMaxNumber = 100000;

// The last segment of the resource as a file name that stays inside the cache folder:
// separators, wildcards and device characters become '_', and "." or ".." alone is no
// name.
void CacheName(const char16_t* resource, char16_t* name, int size) {
  const char16_t* end = resource;
  while (*end && *end != u'?' && *end != u'#') ++end;
  const char16_t* start = end;
  while (start > resource && start[-1] != u'/') --start;
  CopyTextN(name, size, start, static_cast<int>(end - start));
  for (char16_t* c = name; *c; ++c) {
    if (*c < 32 || std::char_traits<char16_t>::find(u"\\/:*?\"<>|", 9, *c)) *c = u'_';
  }
  if (!std::char_traits<char16_t>::compare(name, u".", 2) ||
      !std::char_traits<char16_t>::compare(name, u"..", 3)) {
    name[0] = 0;
  }
}

}  // namespace

void CLinkFinder::SaveCachedFile(const tagTreeListItemFull* item, const void* data,
                                 unsigned long length) {
  if (!settings) return;
  WCHAR folder[SETTINGS_PATH_SIZE];
  CopySettingsText(folder, settings->CacheDir);
  if (!folder[0]) return;
  if (!CreateDirectoryW(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return;
  WCHAR name[256];
  CacheName(item->resource, name, 256);
  WCHAR* path = static_cast<WCHAR*>(malloc(sizeof(WCHAR) * MAX_PATH * 4));
  if (!path) return;
  const int pathUnits = MAX_PATH * 4;
  // Two workers may pick the same name at once: the file that is made new decides.
  HandleHolder file;
  for (int number = name[0] ? 0 : 1; number < kMaxNumber; ++number) {
    if (number == 0) {
      FormatStringW(path, pathUnits, u"%s\\%s", folder, name);
    } else {
      FormatStringW(path, pathUnits, u"%s\\%s [%d]", folder, name, number);
    }
    file.reset(
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.held()) break;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  free(path);
  if (!file.held()) return;
  DWORD written = 0;
  WriteFile(file.get(), data, static_cast<DWORD>(length), &written, nullptr);
}
