#include "tests/support/WinePath.h"

#include <windows.h>

std::string UnixPath(const std::u16string& windowsPath) {
  char* unixPath = wine_get_unix_file_name(windowsPath.c_str());
  std::string result = unixPath ? unixPath : "";
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}
