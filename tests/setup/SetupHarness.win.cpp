#include "tests/setup/SetupHarness.h"

#include <sddl.h>

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

std::u16string ReadTextFile(const std::u16string& path, size_t maxBytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::u16string();
  std::string bytes(maxBytes, '\0');
  DWORD read = 0;
  ReadFile(file, &bytes[0], static_cast<DWORD>(maxBytes), &read, nullptr);
  CloseHandle(file);
  return std::u16string(bytes.begin(), bytes.begin() + read);
}

std::u16string WaitForFileText(const std::u16string& path) {
  Poll(
      20000,
      [](const void* p) { return !ReadTextFile(*static_cast<const std::u16string*>(p)).empty(); },
      &path);
  return ReadTextFile(path);
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void SetRegistryString(HKEY root, const std::string& path, REGSAM view, const char* name,
                       const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                           nullptr, &key, nullptr))
      << path;
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = root;
  for (size_t start = 0; start <= path.size();) {
    const size_t slash = path.find('\\', start);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    HKEY next = nullptr;
    const LONG opened =
        RegOpenKeyExA(key, path.substr(start, end - start).c_str(), 0, KEY_READ, &next);
    if (key != root) RegCloseKey(key);
    if (opened != ERROR_SUCCESS) return false;
    key = next;
    start = end + 1;
  }
  RegCloseKey(key);
  return true;
}

void LockKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
  LocalFree(descriptor);
  RegCloseKey(key);
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
