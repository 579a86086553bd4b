// The installer's custom actions, called through the library's twin with the session of a
// package made here and opened in this process.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>

#include "tests/setup/SetupHarness.h"

namespace {

using ActionFn = UINT(WINAPI*)(MSIHANDLE);
using FindPathFn = void(WINAPI*)(const char*, char*, int);

const char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessalineLite";
const char kSettingsKey[] = "Software\\Quillory\\TessalineLite";

int g_warnings = 0;

INT CALLBACK CountWarnings(LPVOID, UINT type, MSIHANDLE record) {
  if ((type & 0xFF000000u) == INSTALLMESSAGE_WARNING && MsiRecordGetInteger(record, 1) == 25001) {
    ++g_warnings;
  }
  return 0;
}

// A minimal package, opened as an installer session in this process.
class Actions : public testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA("C:\\tl-pkg", nullptr);
    MSIHANDLE database = 0;
    ASSERT_EQ(ERROR_SUCCESS, MsiOpenDatabaseA("C:\\tl-pkg\\t.msi", MSIDBOPEN_CREATE, &database));
    for (const char* query :
         {"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) NOT NULL "
          "PRIMARY KEY `Property`)",
          "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductCode', "
          "'{8A3C1E55-1B7E-4E8A-9C55-27A1D0C0F127}')"}) {
      MSIHANDLE view = 0;
      ASSERT_EQ(ERROR_SUCCESS, MsiDatabaseOpenViewA(database, query, &view)) << query;
      ASSERT_EQ(ERROR_SUCCESS, MsiViewExecute(view, 0)) << query;
      MsiCloseHandle(view);
    }
    MSIHANDLE summary = 0;
    ASSERT_EQ(0u, MsiGetSummaryInformationA(database, nullptr, 3, &summary));
    ASSERT_EQ(
        0u, MsiSummaryInfoSetPropertyA(summary, PIDSI_TEMPLATE, VT_LPSTR, 0, nullptr, "x64;1033"));
    MsiSummaryInfoSetPropertyA(summary, PIDSI_REVNUMBER, VT_LPSTR, 0, nullptr,
                               "{2C5A4E8E-4F0B-4C43-8E1B-27D1C1D0A127}");
    // The installer version that 64-bit packages need.
    MsiSummaryInfoSetPropertyA(summary, PIDSI_PAGECOUNT, VT_I4, 200, nullptr, nullptr);
    ASSERT_EQ(0u, MsiSummaryInfoPersist(summary));
    MsiCloseHandle(summary);
    ASSERT_EQ(ERROR_SUCCESS, MsiDatabaseCommit(database));
    MsiCloseHandle(database);
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    ASSERT_EQ(ERROR_SUCCESS, MsiOpenPackageA("C:\\tl-pkg\\t.msi", &session));
    g_warnings = 0;
    MsiSetExternalUIRecord(CountWarnings, INSTALLLOGMODE_WARNING, nullptr, nullptr);
  }
  void TearDown() override {
    MsiSetExternalUIRecord(nullptr, 0, nullptr, nullptr);
    MsiCloseHandle(session);
    RemoveTree(u"C:\\tl-pkg");
    RemoveTree(u"C:\\tl-old");
    RemoveTree(u"C:\\tl-app");
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, view, 0);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
  }
  UINT Run(const char* action) { return Twin<ActionFn>(action)(session); }
  void Set(const char* name, const std::string& value) {
    MsiSetPropertyA(session, name, value.c_str());
  }
  std::string Get(const char* name) {
    char value[512];
    DWORD count = sizeof value;
    MsiGetPropertyA(session, name, value, &count);
    return value;
  }

  MSIHANDLE session = 0;
};

TEST_F(Actions, CheckForSetupFindsTheProductsLogInAnyView) {
  CreateDirectoryA("C:\\tl-old", nullptr);
  WriteFileBytes("C:\\tl-old\\a.txt", "a");
  WriteFileBytes("C:\\tl-old\\uninst.log", "File:C:\\tl-old\\a.txt\r\n");
  SetRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, "UninstallString",
                    "\"C:\\tl-old\\uninst.exe\" \"C:\\tl-old\\uninst.log\"");
  Set("CustomActionData", "Other");
  EXPECT_EQ(1603u, Run("CheckForSetup"));
  Set("CustomActionData", "");
  EXPECT_EQ(1603u, Run("CheckForSetup"));
  Set("CustomActionData", std::string(300, 'T'));
  EXPECT_EQ(1603u, Run("CheckForSetup"));
  Set("CustomActionData", "tessaline LITE");
  EXPECT_EQ(0u, Run("CheckForSetup"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\tl-old\\a.txt"));
  EXPECT_EQ(0, g_warnings);
}

TEST_F(Actions, RefusedRemovalWarnsOnceAndSucceeds) {
  CreateDirectoryA("C:\\tl-old", nullptr);
  const std::string locked = std::string(kSettingsKey) + "\\Locked";
  LockKey(HKEY_CURRENT_USER, locked);
  WriteFileBytes("C:\\tl-old\\a.txt", "a");
  WriteFileBytes("C:\\tl-old\\uninst.log",
                 "File:C:\\tl-old\\a.txt\nKey:HKEY_CURRENT_USER\\" + locked + "\n");
  SetRegistryString(HKEY_CURRENT_USER, kSettingsKey, 0, "UninstLog", "C:\\tl-old\\uninst.log");

  Set("CustomActionData", "Tessaline Lite");
  EXPECT_EQ(0u, Run("CheckForSetup"));
  EXPECT_EQ(1, g_warnings);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\tl-old\\a.txt"));
}

TEST(FindExistingPathInCommandLine, Table) {
  CreateDirectoryA("C:\\tl-cmd", nullptr);
  CreateDirectoryA("C:\\tl-cmd\\old app", nullptr);
  WriteFileBytes("C:\\tl-cmd\\old app\\uninst.log", "");
  WriteFileBytes("C:\\tl-cmd\\app", "");
  const struct {
    const char* commandLine;
    const char* path;
  } cases[] = {
      {"\"C:\\x\\unins.exe\" \"C:\\missing\\log.txt\"  ", "C:\\missing\\log.txt"},
      {"C:\\tl-cmd\\old app\\unins.exe C:\\tl-cmd\\old app\\uninst.log",
       "C:\\tl-cmd\\old app\\uninst.log"},
      {"C:\\tl-cmd\\old app\\uninst.log", "C:\\tl-cmd\\old app\\uninst.log"},
      {"C:\\x\\unins.exe C:\\missing.log", ""},
      {"\"", ""},
      {"", ""},
      {"   ", ""},
  };
  const auto find = Twin<FindPathFn>("FindExistingPathInCommandLine");
  for (const auto& c : cases) {
    char path[512] = "unchanged";
    find(c.commandLine, path, sizeof path);
    EXPECT_STREQ(c.path, path) << c.commandLine;
  }
  char shortBuffer[8] = "x";
  find("\"C:\\a\\long.log\"", shortBuffer, sizeof shortBuffer);
  EXPECT_STREQ("", shortBuffer);
  RemoveTree(u"C:\\tl-cmd");
}

class StartActions : public Actions {
 protected:
  void SetUp() override {
    Actions::SetUp();
    PlaceHelper(u"tl-marker.exe", u"C:\\tl-app", u"tessalinelite.exe");
    Set("ProductName", "Tessaline Lite");
    Set("INSTALLDIR", "C:\\tl-app\\");
  }
  bool MarkerRan() const {
    return GetFileAttributesA("C:\\tl-app\\marker.txt") != INVALID_FILE_ATTRIBUTES;
  }
};

TEST_F(StartActions, WithoutShellWindowNothingStarts) {
  EXPECT_EQ(0u, Run("CheckForStart"));
  EXPECT_EQ("0", Get("LAUNCHAPPNOTEVEVATED"));
  EXPECT_EQ(0u, Run("StartNotElevated"));
  EXPECT_FALSE(MarkerRan());
  Set("ProductName", "");
  EXPECT_EQ(1603u, Run("CheckForStart"));
  EXPECT_EQ(1603u, Run("StartNotElevated"));
}

TEST_F(StartActions, WithShellWindowStartsThroughIt) {
  FakeShell shell;
  const struct {
    const char* product;
    const char* folder;
    const char* answer;
  } cases[] = {
      {"Tessaline Lite", "C:\\tl-app", "0"},
      {"Tessaline", "C:\\tl-app\\", "0"},
      {"Other", "C:\\tl-app\\", "0"},
      {"tessaline lite", "C:\\tl-app\\", "1"},
  };
  for (const auto& c : cases) {
    Set("ProductName", c.product);
    Set("INSTALLDIR", c.folder);
    Set("LAUNCHAPPNOTEVEVATED", "");
    EXPECT_EQ(0u, Run("CheckForStart")) << c.product << c.folder;
    EXPECT_EQ(c.answer, Get("LAUNCHAPPNOTEVEVATED")) << c.product << c.folder;
    EXPECT_EQ(0u, Run("StartNotElevated"));
    if (c.answer[0] == '0') {
      EXPECT_FALSE(MarkerRan()) << c.product << c.folder;
    }
  }
  const std::u16string parent = WaitForFileText(u"C:\\tl-app\\marker.txt");
  EXPECT_EQ(std::to_string(shell.id()), std::string(parent.begin(), parent.end()));
}

}  // namespace
