// The Linux path of a Windows path, for files handed to a Linux library.
#include "engine/UnixPath.h"

#include <windows.h>

std::string UnixPath(const char16_t* windowsPath) {
  if (!windowsPath || !windowsPath[0]) return std::string();
  char* unixPath = wine_get_unix_file_name(windowsPath);
  if (!unixPath) return std::string();
  std::string result = unixPath;
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}
