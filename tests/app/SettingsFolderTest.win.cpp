#include "tests/app/SettingsFolderTest.h"

#include <windows.h>

#include <cstdlib>

#include "tests/support/TempFolder.h"

namespace {

const char16_t kProgramKey[] = u"Software\\Quillory\\TessalineLite";

}  // namespace

void SettingsFolderTest::SetUp() {
  unixFolder = MakeTempFolder("tl-settings-");
  ASSERT_FALSE(unixFolder.empty());
  folder = DosPath(unixFolder);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExW(key, u"SettingsDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>((folder.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
}

void SettingsFolderTest::TearDown() {
  RegDeleteKeyW(HKEY_CURRENT_USER, kProgramKey);
  EXPECT_EQ(0, system(("rm -rf '" + unixFolder + "'").c_str()));
}

HANDLE SettingsFolderTest::StartProgram(const char* programVariable,
                                        const std::u16string& arguments) {
  const char* program = getenv(programVariable);
  EXPECT_NE(nullptr, program) << programVariable;
  if (!program) return nullptr;
  const std::u16string path = DosPath(program);
  std::u16string commandLine = u"\"" + path + u"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "CreateProcessW: " << GetLastError();
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}
