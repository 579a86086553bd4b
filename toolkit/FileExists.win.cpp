// Whether a file exists.
#include <windows.h>

#include "toolkit/FinderStruct.h"

int FileExists(const WCHAR* path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path, &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  FindClose(find);
  return 1;
}
