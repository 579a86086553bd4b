// Records who started it: writes its parent's process id into "marker.txt" beside itself.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {
DWORD ParentProcessId() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  wchar_t* slash = wcsrchr(path, L'\\');
  if (!slash) return 1;
  memcpy(slash + 1, L"marker.txt", sizeof L"marker.txt");
  char text[16];
  const int textLength = snprintf(text, sizeof text, "%lu", ParentProcessId());
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, text, textLength, &written, nullptr);
  CloseHandle(file);
  return 0;
}
