// The installer runs the library's actions from a real package over an installation made
// by the old setup, with one of its programs running.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/setup/SetupHarness.h"

namespace {

const char kOld[] = "C:\\tl-e2e-old";
const char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessalineLite";
const char kOldKey[] = "Software\\Quillory\\TessalineLite\\Old";

TEST(EndToEnd, PackageRemovesTheOldInstallationAndInstalls) {
  const char* package = getenv("TL_SETUP_E2E_MSI");
  ASSERT_TRUE(package);
  WCHAR* packagePath = wine_get_dos_file_name(package);
  ASSERT_TRUE(packagePath);
  const std::u16string msi = packagePath;
  HeapFree(GetProcessHeap(), 0, packagePath);

  const std::string old = kOld;
  Child victim(PlaceHelper(u"tl-victim.exe", u"C:\\tl-e2e-old", u"tessalinelite.exe"));
  WriteFileBytes(old + "\\readme.txt", "old");
  WriteFileBytes(old + "\\uninst.log",
                 "Folder:" + old + "\r\nFile:" + old + "\\tessalinelite.exe\r\nFile:" + old +
                     "\\readme.txt\r\nFile:" + old + "\\uninst.log\r\nKey:HKEY_CURRENT_USER\\" +
                     kOldKey + "\r\nKey:HKEY_LOCAL_MACHINE\\" + kUninstallKey + "\r\n");
  SetRegistryString(HKEY_CURRENT_USER, kOldKey, 0, "Setting", "1");
  SetRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, 0, "UninstallString",
                    "\"" + old + "\\unins.exe\" \"" + old + "\\uninst.log\"");

  CreateDirectoryA("C:\\tl-e2e", nullptr);
  Child installer(u"msiexec.exe /i \"" + msi + u"\" /qn /l*v C:\\tl-e2e\\install.log");
  ASSERT_TRUE(installer.WaitForExit(180000));
  DWORD exitCode = 1;
  GetExitCodeProcess(installer.process(), &exitCode);
  EXPECT_EQ(0u, exitCode);

  const std::u16string log = ReadTextFile(u"C:\\tl-e2e\\install.log", 1 << 20);
  const std::string text(log.begin(), log.end());
  // The deferred action is logged once when scheduled and once when it runs.
  EXPECT_NE(std::string::npos, text.find("CheckForSetup. Return value 1.",
                                         text.find("CheckForSetup. Return value 1.") + 1))
      << text;
  EXPECT_NE(std::string::npos, text.find("CheckForStart. Return value 1.")) << text;
  EXPECT_NE(std::string::npos, text.find("LAUNCHAPPNOTEVEVATED = 0")) << text;

  EXPECT_TRUE(victim.WaitForExit(10000));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(kOld));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kOldKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES,
            GetFileAttributesA("C:\\Program Files\\TessalineLiteTest\\tessalinelite.exe"));
  RemoveTree(u"C:\\tl-e2e");
}

}  // namespace
