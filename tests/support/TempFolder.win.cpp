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

std::string ReadFileBytes(const std::u16string& dosPath) {
  HANDLE file = CreateFileW(dosPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes(1 << 16, '\0');
  DWORD read = 0;
  ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

void WriteFileBytes(const std::u16string& dosPath, const std::string& bytes) {
  HANDLE file = CreateFileW(dosPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::vector<std::u16string> FolderNames(const std::u16string& dosPath) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((dosPath + u"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::u16string name = found.cFileName;
    if (name != u"." && name != u"..") names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}
