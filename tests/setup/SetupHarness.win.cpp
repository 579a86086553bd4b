#include "tests/setup/SetupHarness.h"

#include <cstdlib>

#include "tests/support/WinGTest.h"

namespace {

std::u16string BuildFolder() {
  const char* unixPath = getenv("TL_SETUP_BIN");
  if (!unixPath) return std::u16string();
  WCHAR* dosPath = wine_get_dos_file_name(unixPath);
  std::u16string result = dosPath ? dosPath : u"";
  HeapFree(GetProcessHeap(), 0, dosPath);
  return result;
}

bool Poll(DWORD totalMs, bool (*ready)(const void*), const void* context) {
  for (DWORD waited = 0; waited < totalMs; waited += 20) {
    if (ready(context)) return true;
    Sleep(20);
  }
  return ready(context);
}

}  // namespace

HMODULE TwinModule() {
  static HMODULE twin = LoadLibraryW((BuildFolder() + u"\\tessalinex64twin.dll").c_str());
  return twin;
}

FARPROC TwinProc(const char* name) {
  FARPROC proc = TwinModule() ? GetProcAddress(TwinModule(), name) : nullptr;
  EXPECT_TRUE(proc) << name;
  return proc;
}

std::u16string PlaceHelper(const char16_t* helper, const std::u16string& folder,
                           const std::u16string& name) {
  for (size_t slash = folder.find(u'\\', 3);; slash = folder.find(u'\\', slash + 1)) {
    CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr);
    if (slash == std::u16string::npos) break;
  }
  const std::u16string target = folder + u"\\" + name;
  const std::u16string source = BuildFolder() + u"\\helpers\\" + helper;
  EXPECT_TRUE(CopyFileW(source.c_str(), target.c_str(), FALSE)) << GetLastError();
  return target;
}

void RemoveTree(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + u"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::u16string name = found.cFileName;
        if (name != u"." && name != u"..") RemoveTree(path + u"\\" + name);
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
  } else {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
  }
}

std::u16string ReadTextFile(const std::u16string& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::u16string();
  char bytes[256];
  DWORD read = 0;
  ReadFile(file, bytes, sizeof bytes, &read, nullptr);
  CloseHandle(file);
  return std::u16string(bytes, bytes + read);
}

std::u16string WaitForFileText(const std::u16string& path) {
  Poll(
      20000,
      [](const void* p) { return !ReadTextFile(*static_cast<const std::u16string*>(p)).empty(); },
      &path);
  return ReadTextFile(path);
}

Child::Child(const std::u16string& commandLine) {
  std::u16string line = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  EXPECT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info_))
      << GetLastError();
}

Child::~Child() {
  if (!info_.hProcess) return;
  if (Running()) {
    TerminateProcess(info_.hProcess, 1);
    WaitForExit(10000);
  }
  CloseHandle(info_.hProcess);
  CloseHandle(info_.hThread);
}

bool Child::Running() const { return info_.hProcess && !WaitForExit(0); }

bool Child::WaitForExit(DWORD ms) const {
  return WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0;
}

FakeShell::FakeShell()
    : child_(PlaceHelper(u"tl-fakeshell.exe", u"C:\\tl-shell", u"tl-fakeshell.exe")) {
  Poll(
      20000, [](const void*) { return FindWindowA("Progman", nullptr) != nullptr; }, nullptr);
  window_ = FindWindowA("Progman", nullptr);
  EXPECT_TRUE(window_);
}

FakeShell::~FakeShell() {
  if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(child_.WaitForExit(20000));
}
