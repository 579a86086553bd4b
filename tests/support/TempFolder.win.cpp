#include "tests/support/TempFolder.h"

#include <windows.h>

#include <cstdlib>

std::string MakeTempFolder(const char* prefix) {
  std::string pattern = std::string("/tmp/") + prefix + "XXXXXX";
  return mkdtemp(&pattern[0]) ? pattern : std::string();
}

std::u16string DosPath(const std::string& unixPath) {
  WCHAR* dos = wine_get_dos_file_name(unixPath.c_str());
  std::u16string result = dos ? dos : u"";
  HeapFree(GetProcessHeap(), 0, dos);
  return result;
}
