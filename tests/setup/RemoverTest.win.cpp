// Removing an old installation from its uninstall log, through the library's twin, in a
// sandbox folder and under the product's own registry keys.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>
#include <vector>

#include "engine/UnixPath.h"
#include "tests/setup/SetupHarness.h"
#include "tests/setup/UnixLink.h"

namespace {

using RemoveFn = int(WINAPI*)(const char*, int);
using ForceErrorFn = void(WINAPI*)(DWORD);
using FormatFn = int(__cdecl*)(char*, int, const char*, ...);

const char kTestKey[] = "Software\\Quillory\\TessalineLite\\Test";
const char kLog[] = "C:\\tl-old\\uninst.log";

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates the key one name at a time: the ANSI calls take at most 255 bytes of path.
void MakeKey(HKEY root, const std::string& path, const char* value = nullptr) {
  HKEY key = root;
  for (size_t start = 0; start <= path.size();) {
    const size_t slash = path.find('\\', start);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    HKEY next = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(key, path.substr(start, end - start).c_str(), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr))
        << path;
    if (key != root) RegCloseKey(key);
    key = next;
    start = end + 1;
  }
  if (value) RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(key);
}

bool ValueExists(HKEY root, const std::string& path, const char* name) {
  return RegGetValueA(root, path.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

class Remover : public testing::Test {
 protected:
  void SetUp() override {
    RemoveTree(u"C:\\tl-old");
    CreateDirectoryA("C:\\tl-old", nullptr);
  }
  void TearDown() override {
    Twin<ForceErrorFn>("ForceOpenForWritingError")(0);
    RemoveTree(u"C:\\tl-old");
    RemoveTree(u"C:\\tl-keep");
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestKey);
  }
  int Remove(const std::string& log) {
    WriteFileBytes(kLog, log);
    return remove_(kLog, 0);
  }
  std::string Key(const std::string& below) { return std::string(kTestKey) + "\\" + below; }

 private:
  RemoveFn remove_ = Twin<RemoveFn>("RemovePreviousInstallation");
};

TEST_F(Remover, RemovesListedObjectsInScopeOnly) {
  CreateDirectoryA("C:\\tl-old\\dir", nullptr);
  WriteFileBytes("C:\\tl-old\\dir\\a.txt", "a");
  SetFileAttributesA("C:\\tl-old\\dir\\a.txt", FILE_ATTRIBUTE_READONLY);
  WriteFileBytes("C:\\tl-old\\unlisted.txt", "u");
  MakeKey(HKEY_CURRENT_USER, Key("Sub"), "V");
  MakeKey(HKEY_LOCAL_MACHINE, kTestKey, "W");
  MakeKey(HKEY_LOCAL_MACHINE, kTestKey, "Kept");
  MakeKey(HKEY_CURRENT_USER, "Software\\Quillory\\Other");
  CreateDirectoryA("C:\\tl-keep", nullptr);
  WriteFileBytes("C:\\tl-keep\\kept.txt", "k");
  ASSERT_TRUE(MakeUnixLink(UnixPath(u"C:\\tl-keep"), UnixPath(u"C:\\tl-old") + "/link"));
  ASSERT_TRUE(Exists("C:\\windows\\win.ini"));

  // Top to bottom: a folder, a file in it, a value and the key it is in: the file goes
  // first, the folder last.
  EXPECT_EQ(0, Remove("Folder:C:\\tl-old\\dir\r\n"
                      "File:C:\\tl-old\\dir\\a.txt\r\n"
                      "Value:HKEY_CURRENT_USER\\" +
                      Key("Sub\\V") +
                      "\r\n"
                      "Key:HKEY_CURRENT_USER\\" +
                      std::string(kTestKey) +
                      "\r\n"
                      "Value:[HKEY_LOCAL_MACHINE\\" +
                      std::string(kTestKey) +
                      "]=W\n"
                      "File:C:\\windows\\win.ini\n"
                      "File:C:\\tl-old\\..\\windows\\win.ini\n"
                      "File:C:\\tl-old\\*.txt\n"
                      "File:\\\\server\\x\n"
                      "File:\n"
                      "File:C:\\tl-old\\link\\kept.txt\n"
                      "Folder:C:\\tl-old\\link\n"
                      "Key:HKEY_LOCAL_MACHINE\\Software\\Wine\n"
                      "Key:HKEY_LOCAL_MACHINE\\\n"
                      "Key:HKEY_CURRENT_USER\\Software\\Quillory\\Other\n"
                      "Key:HKEY_CURRENT_USER\\Software\\Quillory\n"));
  EXPECT_FALSE(Exists("C:\\tl-old\\dir"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kTestKey));
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kTestKey, "W"));
  EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kTestKey, "Kept"));
  EXPECT_TRUE(Exists("C:\\tl-old\\unlisted.txt"));
  EXPECT_TRUE(Exists("C:\\windows\\win.ini"));
  EXPECT_TRUE(Exists("C:\\tl-keep\\kept.txt"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Wine"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Quillory\\Other"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Quillory"));
}

TEST_F(Remover, DeepTreeGoesWholeAndItsCutNameSiblingStays) {
  // The listed key's own path is longer than 255 bytes: a child's path cut at 255 bytes
  // would name this sibling.
  const std::string listed = Key(std::string(120, 'X') + "\\" + std::string(120, 'Y'));
  const std::string sibling = Key(std::string(120, 'X') + "\\" + std::string(97, 'Y'));
  MakeKey(HKEY_CURRENT_USER, listed + "\\" + std::string(200, 'c') + "\\" + std::string(200, 'd'),
          "V");
  MakeKey(HKEY_CURRENT_USER, sibling + "\\child", "V");
  EXPECT_EQ(0, Remove("Key:HKEY_CURRENT_USER\\" + listed + "\n"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, listed));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, sibling + "\\child"));
}

// Makes a registry link at path (below HKEY_CURRENT_USER) to a key of HKEY_LOCAL_MACHINE.
void MakeLink(const std::string& path, const std::u16string& machineKey) {
  HKEY link = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                            KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr));
  const std::u16string target = u"\\Registry\\Machine\\" + machineKey;
  RegSetValueExW(link, u"SymbolicLinkValue", 0, REG_LINK,
                 reinterpret_cast<const BYTE*>(target.data()),
                 static_cast<DWORD>(target.size() * 2));
  RegCloseKey(link);
}

TEST_F(Remover, RegistryLinksAreNeverFollowed) {
  const std::string target = "Software\\TlLinkTarget";
  MakeKey(HKEY_LOCAL_MACHINE, target + "\\Sub", "V");
  MakeKey(HKEY_CURRENT_USER, Key("Tree\\Child"));
  MakeLink(Key("Tree\\Link"), u"Software\\TlLinkTarget");
  MakeLink(Key("Way"), u"Software\\TlLinkTarget");

  EXPECT_EQ(
      0, Remove("Key:HKEY_CURRENT_USER\\" + Key("Way\\Sub") + "\n" + "Value:HKEY_CURRENT_USER\\" +
                Key("Way\\Sub\\V") + "\n" + "Key:HKEY_CURRENT_USER\\" + Key("Tree") + "\n"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key("Tree")));
  EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, target + "\\Sub", "V"));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, target.c_str());
}

TEST_F(Remover, RefusedChecksRemoveNothing) {
  WriteFileBytes("C:\\tl-old\\a.txt", "a");
  SetFileAttributesA("C:\\tl-old\\a.txt", FILE_ATTRIBUTE_READONLY);
  MakeKey(HKEY_CURRENT_USER, Key("Open"));
  const std::string log = "File:C:\\tl-old\\a.txt\nKey:HKEY_CURRENT_USER\\" + Key("Open") + "\n";

  Twin<ForceErrorFn>("ForceOpenForWritingError")(ERROR_ACCESS_DENIED);
  EXPECT_EQ(5, Remove(log));
  // The check made the file writable even though it then refused.
  EXPECT_FALSE(GetFileAttributesA("C:\\tl-old\\a.txt") & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key("Open")));
  Twin<ForceErrorFn>("ForceOpenForWritingError")(0);

  LockKey(HKEY_CURRENT_USER, Key("Locked"));
  EXPECT_EQ(5, Remove(log + "Key:HKEY_CURRENT_USER\\" + Key("Locked") + "\n"));
  EXPECT_TRUE(Exists("C:\\tl-old\\a.txt"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key("Open")));
  // Exempted from the check, the locked key cannot refuse the rest.
  EXPECT_EQ(0, Remove(log + "Key:-HKEY_CURRENT_USER\\" + Key("Locked") + "\n"));
  EXPECT_FALSE(Exists("C:\\tl-old\\a.txt"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key("Open")));
}

TEST_F(Remover, Utf16LogAndShortNames) {
  CreateDirectoryA("C:\\tl-old\\long folder name", nullptr);
  WriteFileBytes("C:\\tl-old\\long folder name\\first file.txt", "1");
  WriteFileBytes("C:\\tl-old\\second.txt", "2");
  char shortPath[MAX_PATH];
  ASSERT_TRUE(GetShortPathNameA("C:\\tl-old\\long folder name\\first file.txt", shortPath,
                                sizeof shortPath));
  ASSERT_STRNE("C:\\tl-old\\long folder name\\first file.txt", shortPath);
  const std::u16string text =
      u"\xfeff" + Wide("File:" + std::string(shortPath) + "\r\nFile:C:\\tl-old\\second.txt\r\n");
  EXPECT_EQ(0, Remove(std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2)));
  EXPECT_FALSE(Exists("C:\\tl-old\\long folder name\\first file.txt"));
  EXPECT_FALSE(Exists("C:\\tl-old\\second.txt"));
}

TEST_F(Remover, EndsProgramsAndServicesOfListedExecutables) {
  const std::u16string victimPath =
      PlaceHelper(u"tl-victim.exe", u"C:\\tl-old\\bin", u"victim.exe");
  Child victim(victimPath);
  Child elsewhere(PlaceHelper(u"tl-victim.exe", u"C:\\tl-keep", u"victim.exe"));
  PlaceHelper(u"tl-testsvc.exe", u"C:\\tl-old\\bin", u"svc.exe");
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service =
      CreateServiceA(manager, "TlOldService", "TlOldService", SERVICE_ALL_ACCESS,
                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                     "C:\\tl-old\\bin\\svc.exe", nullptr, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(service);
  ASSERT_TRUE(StartServiceA(service, 0, nullptr));
  CloseServiceHandle(service);

  EXPECT_EQ(0, Remove("File:C:\\tl-old\\bin\\victim.exe\nFile:C:\\tl-old\\bin\\svc.exe\n"
                      "File:C:\\tl-keep\\victim.exe\n"));
  EXPECT_TRUE(victim.WaitForExit(10000));
  EXPECT_TRUE(elsewhere.Running());
  EXPECT_FALSE(OpenServiceA(manager, "TlOldService", SERVICE_QUERY_STATUS));
  CloseServiceHandle(manager);
  EXPECT_FALSE(Exists("C:\\tl-old\\bin\\victim.exe"));
  EXPECT_FALSE(Exists("C:\\tl-old\\bin\\svc.exe"));
}

TEST_F(Remover, HostileLogsChangeNothingOutside) {
  using namespace std::string_literals;
  WriteFileBytes("C:\\tl-old\\keep.txt", "k");
  std::string manyLines;
  for (int i = 0; i < 2000; ++i) manyLines += "File:C:\\tl-old\\missing" + std::to_string(i) + "\r";
  const std::string hostile[] = {
      "",
      "\0\xff\xfe\x00\x01"
      "File:C:\\tl-old\\keep.txt\0"s,
      "\xff\xfe"s,
      "\xff\xfe"
      "F\0i\0l\0e\0:\0C"s,
      "File:C:\\tl-old\\keep.txt" + std::string(2990, 'x') + "\n",
      "File:C:\\tl-old\\..\\windows\\win.ini\rFile:C:\\tl-old\\k*.txt\rFolder:C:\\tl-old\r",
      manyLines,
  };
  for (const std::string& log : hostile) {
    EXPECT_EQ(0, Remove(log)) << log.substr(0, 40);
    EXPECT_TRUE(Exists("C:\\tl-old\\keep.txt")) << log.substr(0, 40);
  }
  EXPECT_TRUE(Exists("C:\\windows\\win.ini"));
  DeleteFileA(kLog);
  EXPECT_EQ(0, Twin<RemoveFn>("RemovePreviousInstallation")(kLog, 0));
}

TEST(FormatBounded, Table) {
  const auto format = Twin<FormatFn>("FormatBounded");
  char buffer[256];
  char eight[8];
  EXPECT_EQ(7, format(eight, sizeof eight, "%s", "abcdefghijklmnopqrst"));
  EXPECT_STREQ("abcdefg", eight);
  EXPECT_EQ(0, format(eight, 1, "%s", "abc"));
  EXPECT_STREQ("", eight);
  const std::u16string wide = u"caf\u00e9";
  format(buffer, sizeof buffer, "[%S|%-8.3s|%s|%5s]", wide.c_str(), "abcdef",
         static_cast<const char*>(nullptr), "ab");
  EXPECT_STREQ("[caf\xe9|abc     |(null)|   ab]", buffer);
  format(buffer, sizeof buffer, "%I64d %I64u %d %*d|%-*d|%05.1f %x %c%%", -5LL,
         18446744073709551615ULL, -7, 4, 42, 3, 1, 2.25, 255u, 'z');
  EXPECT_STREQ("-5 18446744073709551615 -7   42|1  |002.2 ff z%", buffer);
  const int written = format(buffer, sizeof buffer, "%.100f", 1e300);
  EXPECT_EQ(255, written);
  EXPECT_EQ(255u, strlen(buffer));
  EXPECT_EQ('1', buffer[0]);
}

}  // namespace
